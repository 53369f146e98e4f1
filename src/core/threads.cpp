/* Threads of the plugin that keep its module loaded while they run, and the context
   of a start that they share. Every thread of the plugin ends by itself, never by
   force; one that is still in a bounded wait on the player when the shell ends or
   unloads the plugin finishes later, so its code and the context it reads must still
   be there when it wakes. */
#include "core/threads.h"
#include "core/owners.h"

#include <new>

namespace {

struct ThreadStart {
    LPTHREAD_START_ROUTINE routine;
    LPVOID argument;
    HMODULE module;
};

DWORD WINAPI runHoldingModule(LPVOID parameter) {
    ThreadStart start = *(ThreadStart *)parameter;
    HeapFree(GetProcessHeap(), 0, parameter);
    DWORD code = start.routine(start.argument);
    FreeLibraryAndExitThread(start.module, code);
}

} // namespace

bool startPluginThread(LPTHREAD_START_ROUTINE routine, LPVOID argument) {
    ThreadStart *start = (ThreadStart *)HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart));
    if (!start) return false;
    start->routine = routine;
    start->argument = argument;
    /* The reference is taken here, before the thread exists, so that an unload can
       never come between the start and the thread's own hold. */
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)&runHoldingModule,
                            &start->module)) {
        HeapFree(GetProcessHeap(), 0, start);
        return false;
    }
    Handle thread(CreateThread(nullptr, 0, runHoldingModule, start, 0, nullptr));
    if (thread) return true;
    FreeLibrary(start->module);
    HeapFree(GetProcessHeap(), 0, start);
    return false;
}

StartContext *runningStart;

StartContext *createStartContext(HWND window) {
    /* From the process heap, built in place: the library carries no C++ allocator. */
    void *memory = HeapAlloc(GetProcessHeap(), 0, sizeof(StartContext));
    if (!memory) return nullptr;
    StartContext *context = new (memory) StartContext();
    context->stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    context->wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    context->window = window;
    context->holders = 1;
    if (context->stop && context->wake) return context;
    releaseStartContext(context);
    return nullptr;
}

void holdStartContext(StartContext *context) {
    InterlockedIncrement(&context->holders);
}

void releaseStartContext(StartContext *context) {
    if (InterlockedDecrement(&context->holders) > 0) return;
    context->~StartContext();
    HeapFree(GetProcessHeap(), 0, context);
}

bool stopRequested(const StartContext *context) {
    return WaitForSingleObject(context->stop, 0) == WAIT_OBJECT_0;
}

bool startWorker(LPTHREAD_START_ROUTINE routine, StartContext *context) {
    holdStartContext(context);
    if (startPluginThread(routine, context)) return true;
    releaseStartContext(context);
    return false;
}
