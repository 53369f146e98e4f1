/* How the display window is shown: whether it shows at all (the shell may hide it with
   its plugins, and it may step aside while nothing plays), its transparency, z-order,
   position and size. */
#pragma once

#include <windows.h>

/* Brings visibility, transparency, z-order, position and size into line with the
   options and the placement. */
void applyWindowState();
/* Either reason to hide holds: the shell hides its plugins and the window goes
   with them, or hideWhenIdle is set and nothing plays (stopped, closed or not
   found). */
bool windowHidden();
/* Called where the play state is decided (the shell's thread, which owns it): when
   the window's visibility no longer matches, applies the whole state; a docked
   window keeps the Slit's place. */
void followPlayState();
/* Where the window shows: the options' place and size, no larger than the virtual
   screen, and on the nearest monitor when the place lies off every monitor (one
   unplugged since, a laptop away from its dock). The options keep the user's numbers. */
RECT shownPlace();
