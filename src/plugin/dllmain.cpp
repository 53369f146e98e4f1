/* The library's entry point: it starts nothing of the plugin. The locks the state
   groups need are made with the library's other static objects, before this runs. */

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
