/* The load benchmark's bare baseline: a library with nothing but its entry point, built
   by the same compiler and linked the same way as the plugin. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
