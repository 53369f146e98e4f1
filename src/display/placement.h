/* The display window and how it may be shown: written on the shell's thread by
   display/window.cpp alone, through the calls below; every other unit reads it. */
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

extern Placement placement;

/* What the system offers: layered windows (Windows 2000 and later) and the call that
   sets their opacity. At every start, before the window is made. */
void learnLayering();
/* The window was made (its creation message), or is gone (the end of the plugin). */
void windowMade(HWND window);
void windowGone();
/* The shell hides or shows its plugins: a floating window goes with them when the
   options say so; a docked one stays with the Slit. */
void showWithPlugins(bool hidden);
