/* Threads of the plugin that keep its module loaded while they run, and what one start
   hands them. */
#pragma once

#include "core/owners.h"

#include <windows.h>

/* What one start of the plugin shares with its threads: the event that asks them to
   stop, the ones that wake the scroll thread and the poller, and the window they
   report to. The start holds it and so does each thread; the last one out frees it, so
   that a later start never shares anything with the threads of an earlier one. */
struct StartContext {
    Handle stop; /* manual reset: set once, when the plugin ends */
    Handle wake; /* auto reset: there may be work for the scroll thread */
    Handle poll; /* auto reset: the poller is wanted before its next tick */
    HWND window;
};

using SharedStart = Shared<StartContext>;

/* A context for window held by the result alone; empty (and nothing left behind) when
   it or its events cannot be made. */
SharedStart createStartContext(HWND window);
/* True once the start that made the context has ended. */
bool stopRequested(const StartContext *context);

/* Starts routine(argument) on a new thread that holds a reference to the plugin's
   module until its last instruction: a thread still finishing a bounded wait when
   the shell unloads the plugin never returns into unloaded code. False when no
   thread could be started. */
bool startPluginThread(LPTHREAD_START_ROUTINE routine, LPVOID argument);
/* The same, the thread also holding held until routine has returned, and then letting
   go of it with release(held); on failure held stays the caller's. */
bool startHolding(LPTHREAD_START_ROUTINE routine, LPVOID argument, LPVOID held,
                  void (*release)(LPVOID));

/* A worker of a start: the thread holds what it is handed (the start's context, or a
   block of a worker's own that holds it), from before it exists until routine, handed
   it, has returned. Returns whether the thread runs. */
template <class T> bool startWorker(LPTHREAD_START_ROUTINE routine, const Shared<T> &handed) {
    struct Hold {
        static void release(LPVOID hold) { HeapBlock<Shared<T>>((Shared<T> *)hold).reset(); }
    };
    HeapBlock<Shared<T>> hold;
    if (!hold.create()) return false;
    *hold.get() = handed.share();
    if (!startHolding(routine, handed.get(), hold.get(), Hold::release)) return false;
    hold.release(); /* the thread's now */
    return true;
}
