/* Whether the window shows: the shell may hide it with its plugins, and it may
   step aside while nothing plays. */
#pragma once

#include <windows.h>

/* Posted to the window to bring its visibility in line with the play state. */
enum { WM_FOLLOW_PLAY_STATE = WM_APP + 1 };

/* Either reason to hide holds: the shell hides its plugins and the window goes
   with them, or hideWhenIdle is set and nothing plays (stopped, closed or not
   found). */
bool windowHidden();
/* On the window's thread: hides or shows the window as windowHidden says,
   applying the whole state; a docked window keeps the Slit's place. */
void showForPlayState();
/* Called wherever the play state is decided, on any thread: when the window's
   visibility no longer matches, the window's own thread applies the state. */
void followPlayState();
