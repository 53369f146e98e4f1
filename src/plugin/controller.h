/* The controller: the workers handed their copies of the options, and the notice that
   the display shows for a moment in place of the caption. */
#pragma once

#include <windows.h>

enum { NOTICE_TIMER = 0x5742 };

/* The options changed: the poller is handed what it reads of them, and the scroll
   thread the scroll options and the layout. Shell's thread. */
void handOptionsToWorkers();

/* The notice's time is over (its timer): the caption shows again. Shell's thread. */
void noticeEnded();
/* The window goes: a notice still showing is forgotten, so that the next start shows
   its captions. */
void forgetNotice();
