/* The controller: what the player link decides, the display shows, and a notice shows
   for a moment in place of the caption. */
#pragma once

#include <windows.h>

enum { NOTICE_TIMER = 0x5742 };

/* The notice's time is over (its timer): the caption shows again. Shell's thread. */
void noticeEnded();
