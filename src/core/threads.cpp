/* Threads of the plugin that keep its module loaded while they run, and the context
   of a start that they share. Every thread of the plugin ends by itself, never by
   force; one that is still in a bounded wait on the player when the shell ends or
   unloads the plugin finishes later, so its code and the context it reads must still
   be there when it wakes. */
#include "core/threads.h"
#include "core/owners.h"

namespace {

/* What a new thread is handed: its routine, and the holds it keeps while that runs. */
struct ThreadStart {
    LPTHREAD_START_ROUTINE routine;
    LPVOID argument;
    Library module;
    LPVOID held; /* a worker's hold on its start, if any, let go of by release */
    void (*release)(LPVOID);
};

DWORD WINAPI runHoldingModule(LPVOID parameter) {
    HMODULE module;
    DWORD code;
    {
        HeapBlock<ThreadStart> start((ThreadStart *)parameter);
        code = start->routine(start->argument);
        if (start->release) start->release(start->held);
        module = start->module.release();
    }
    FreeLibraryAndExitThread(module, code);
}

/* Starts the thread that start describes, which takes it over: false, with start still
   the caller's, when it cannot. */
bool startThread(HeapBlock<ThreadStart> &start) {
    /* The reference is taken here, before the thread exists, so that an unload can
       never come between the start and the thread's own hold. */
    HMODULE module;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)&runHoldingModule,
                            &module))
        return false;
    start->module.reset(module);
    Handle thread(CreateThread(nullptr, 0, runHoldingModule, start.get(), 0, nullptr));
    if (!thread) return false;
    start.release(); /* the thread's now */
    return true;
}

} // namespace

bool startPluginThread(LPTHREAD_START_ROUTINE routine, LPVOID argument) {
    HeapBlock<ThreadStart> start;
    if (!start.create()) return false;
    start->routine = routine;
    start->argument = argument;
    return startThread(start);
}

bool startHolding(LPTHREAD_START_ROUTINE routine, LPVOID argument, LPVOID held,
                  void (*release)(LPVOID)) {
    HeapBlock<ThreadStart> start;
    if (!start.create()) return false;
    start->routine = routine;
    start->argument = argument;
    start->held = held;
    start->release = release;
    return startThread(start);
}

SharedStart createStartContext(HWND window) {
    SharedStart context;
    if (!context.create()) return context;
    context->stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    context->wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    context->poll.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    context->window = window;
    if (!context->stop || !context->wake || !context->poll) context.reset();
    return context;
}

bool stopRequested(const StartContext *context) {
    return WaitForSingleObject(context->stop, 0) == WAIT_OBJECT_0;
}
