/* Threads of the plugin that keep its module loaded while they run, and what one start
   hands them. */
#pragma once

#include "core/owners.h"

#include <windows.h>

/* What one start of the plugin shares with its threads: the event that asks them to
   stop, the ones that wake the scroll thread and the poller, and the window they
   report to. The
   start holds it and so does each thread; the last one out frees it, so that a later
   start never shares anything with the threads of an earlier one. */
struct StartContext {
    Handle stop; /* manual reset: set once, when the plugin ends */
    Handle wake; /* auto reset: there may be work for the scroll thread */
    Handle poll; /* auto reset: the poller is wanted before its next tick */
    HWND window;
    /* What the workers are handed of the options, as bits their units define: written
       by the shell's thread whenever the options change, read whole by the workers. */
    volatile LONG handed;
};

using SharedStart = Shared<StartContext>;

/* The running start's context kept with its window (in the window's user data) from
   the start until its end: the shell's thread finds it there, and nowhere else. */
void attachStart(HWND window, StartContext *start);
/* The context attached to window; null before the start and after its end. */
StartContext *startOf(HWND window);

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
/* The same for a worker of a start: the thread holds the context, from before it
   exists until routine, handed the context, has returned. Returns whether the thread
   runs. */
bool startWorker(LPTHREAD_START_ROUTINE routine, const SharedStart &context);
