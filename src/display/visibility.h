/* Whether the window shows: the shell may hide it with its plugins, and it may
   step aside while nothing plays. */
#pragma once

#include <windows.h>

/* Either reason to hide holds: the shell hides its plugins and the window goes
   with them, or hideWhenIdle is set and nothing plays (stopped, closed or not
   found). */
bool windowHidden();
/* Called where the play state is decided (the shell's thread, which owns it): when
   the window's visibility no longer matches, applies the whole state; a docked
   window keeps the Slit's place. */
void followPlayState();
