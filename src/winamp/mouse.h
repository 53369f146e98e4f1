/* What the mouse over the display window does to the player. */
#pragma once

/* A double-click: plays or pauses, as doubleClickAction says. Shell's thread. */
void doubleClicked();
/* The wheel turned by whole notches (up positive): the volume or the track, as
   wheelAction says. Shell's thread. */
void wheelTurned(int notches);
/* A middle click: plays or pauses, the next or previous track, or stops, as
   middleClickAction says. Shell's thread. */
void middleClicked();
/* A Ctrl+click on the progress line at fraction (0 to 1) of it: the playing or paused
   track jumps there, through a worker thread that asks the player; a stream and a
   stopped player are left alone. Shell's thread; it never waits for the player. */
void seekClicked(float fraction);
