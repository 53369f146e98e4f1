/* The library's entry point. The toolchain's own start-up runs around it: it makes the
   library's static objects as the library is loaded and ends them, last made first, as
   it is unloaded. Among those endings is the running start's, which destroys the
   start's window, and the window-event hook's. While a start runs, its threads hold the
   library (core/threads.h), so a shell that frees it without endPlugin leaves it loaded,
   window and code together, until endPlugin or the process's end, where the endings
   take the window apart. Nothing of the plugin starts here. */

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
