/* The library's entry point: it starts nothing of the plugin, it only prepares
   the lock that the state record needs from the first start function on. */
#include "plugin/state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&displayLock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        DeleteCriticalSection(&displayLock);
    }
    return TRUE;
}
