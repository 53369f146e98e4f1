/* How the display window is shown: whether it shows at all (the shell may hide it with
   its plugins, and it may step aside while nothing plays), its transparency, z-order,
   position and size. */
#pragma once

#include "display/display.h"

#include <windows.h>

/* What the system offers: layered windows (Windows 2000 and later) and the call that
   sets their opacity. At every start, before the window is made. */
void learnLayering(Display &display);
/* The window was made (its creation message), or is gone (the end of the plugin). */
void windowMade(Display &display, HWND window);
void windowGone(Display &display);
/* The shell hides or shows its plugins: a floating window goes with them when the
   options say so; a docked one stays with the Slit. */
void showWithPlugins(Display &display, bool hidden);

/* Brings visibility, transparency, z-order, position and size into line with the
   options and the placement. */
void applyWindowState(Display &display);
/* Either reason to hide holds: the shell hides its plugins and the window goes
   with them, or hideWhenIdle is set and nothing plays (stopped, closed or not
   found). */
bool windowHidden(const Display &display);
/* Called where the play state is decided (the shell's thread, which owns it): when
   the window's visibility no longer matches, applies the whole state; a docked
   window keeps the Slit's place. */
void followPlayState(Display &display);
/* Where the window shows: the options' place and size, no larger than the virtual
   screen, and on the nearest monitor when the place lies off every monitor (one
   unplugged since, a laptop away from its dock). The options keep the user's numbers. */
RECT shownPlace();
