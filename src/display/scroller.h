/* The scroll animation: a stream that wraps, or a bounce with a rest at each end,
   and the blink of a paused caption. EDGE_REST_TICKS is the bounce's own rest. */
#pragma once

#include <windows.h>

enum { SCROLL_PERIOD_MS = 50, EDGE_REST_TICKS = 25, BLINK_TICKS = 25, STREAM_GAP = 20 };

/* The scroll thread of a start: its argument is the StartContext. */
DWORD WINAPI scrollThread(LPVOID context);
/* Hands the scroll thread the scroll options and the layout as they are now, and
   tells it, resting or not, that the caption, the size, the options or the play
   state changed. Shell's thread. */
void wakeScroller();
/* The mouse came over the window or left it: scrolling on hover moves only meanwhile,
   and the caption goes back to its start when the mouse leaves. Shell's thread. */
void hoverChanged(bool over);
/* One tick's work without the wait, repainting window; blinkTicks is the thread's own
   counter. */
void scrollTick(HWND window, int *blinkTicks);
void stepEndToEnd();
void stepStream();
/* Whether the caption moves now (rather than rests): displayLock held. */
bool captionMoves();
