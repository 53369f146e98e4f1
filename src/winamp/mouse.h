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
