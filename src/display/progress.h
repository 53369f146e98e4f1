/* The progress line: how far the track has played, along the bottom of the text area. */
#pragma once

#include <windows.h>

enum { PROGRESS_LINE_HEIGHT = 2 };

/* The position the poller read, as a part of the track (0 to 1); asks for a repaint
   of window when the line shows (as the poller was handed) and would change. Any
   thread. */
void setProgress(HWND window, float fraction, bool lineShown);
/* Length of the line in a text area this wide: -1 when none shows (the option is off,
   or nothing plays; a paused track keeps its line). */
int progressLength(int areaWidth);
/* Draws a line of that length along the bottom of the area, in colour. */
void drawProgress(HDC dc, const RECT &area, int length, COLORREF colour);
/* The part of the track (0 to 1) at x of the window's client area along the line;
   false when no line shows. */
bool progressAt(int x, float *fraction);
