/* The progress line: how far the track has played, along the bottom of the text area. */
#pragma once

#include "core/part.h"
#include "display/display.h"

#include <windows.h>

enum { PROGRESS_LINE_HEIGHT = 2 };

/* The part of the track played, handed to the paint in PART_SCALE parts of the whole.
   Length of the line in a text area this wide: -1 when none shows (the option is off,
   or nothing plays; a paused track keeps its line). */
int progressLength(const CaptionModel &model, int areaWidth, int played);
/* Draws a line of that length along the bottom of the area, in colour. */
void drawProgress(HDC dc, const RECT &area, int length, COLORREF colour);
/* The part of the track (0 to 1) at x of the window's client area along the line;
   false when no line shows. */
bool progressAt(const Display &display, int x, float *fraction);
