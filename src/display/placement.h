/* The display window and how it may be shown: one start's (Display::placement), written
   on the shell's thread by display/window.cpp alone, through the calls in window.h;
   every other unit reads it. */
#pragma once

#include <windows.h>

typedef BOOL(WINAPI *SetLayeredWindowAttributesFn)(HWND, COLORREF, BYTE, DWORD);

struct Placement {
    HWND window;
    bool pluginsHidden; /* the shell hid its plugins */
    bool placing;       /* the window is being placed from the options, not moved: the
                           options keep the user's numbers */
    bool layeredSupported;
    SetLayeredWindowAttributesFn setLayeredAttributes;
};
