/* Threads of the plugin that keep its module loaded while they run. Every thread
   of the plugin ends by itself, never by force; one that is still in a bounded
   wait on the player when the shell unloads the plugin finishes later, so its
   code and the state record it reads must still be there when it wakes. */
#include "plugin/threads.h"

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

HANDLE startPluginThread(LPTHREAD_START_ROUTINE routine, LPVOID argument, DWORD *id) {
    ThreadStart *start = (ThreadStart *)HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadStart));
    if (!start) return nullptr;
    start->routine = routine;
    start->argument = argument;
    /* The reference is taken here, before the thread exists, so that an unload can
       never come between the start and the thread's own hold. */
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)&runHoldingModule,
                            &start->module)) {
        HeapFree(GetProcessHeap(), 0, start);
        return nullptr;
    }
    HANDLE thread = CreateThread(nullptr, 0, runHoldingModule, start, 0, id);
    if (!thread) {
        FreeLibrary(start->module);
        HeapFree(GetProcessHeap(), 0, start);
    }
    return thread;
}
