/* What the mouse over the display window does to the player. */
#pragma once

#include "core/messages.h"
#include "players/link.h"

/* The reading of the volume after the wheel changed it, MSG_PLAYER_VOLUME, posted by
   the link thread to the plugin's window (wParam: the percent). */

/* Shell's thread: each hands the start's link thread a job and returns at once. */
/* A double-click: plays or pauses, as doubleClickAction says. */
void doubleClicked(PlayerLink *link);
/* The wheel turned by whole notches (up positive): the volume or the track, as
   wheelAction says. */
void wheelTurned(PlayerLink *link, int notches);
/* A middle click: plays or pauses, the next or previous track, or stops, as
   middleClickAction says. */
void middleClicked(PlayerLink *link);
/* A Ctrl+click on the progress line at fraction (0 to 1) of it: the playing or paused
   track jumps there (a stream and a stopped player are left alone). */
void seekClicked(PlayerLink *link, float fraction);
/* Shows the volume the player read (MSG_PLAYER_VOLUME) for a moment. */
LRESULT OnPlayerVolume(WPARAM percent);

/* Link thread: carries out one of the mouse's jobs for the start's window plugin. */
void runMouseJob(PlayerLink *link, const LinkJob &job, HWND plugin);
