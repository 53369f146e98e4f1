/* The progress line. The poller hands over the position it reads once a second anyway;
   the paint turns it into a length, so that a new size or inset needs nothing here. */
#include "display/progress.h"
#include "core/owners.h"
#include "display/caption.h"
#include "display/layout.h"
#include "display/surfaces.h"
#include "settings/options.h"
#include "winamp/winamp.h"

/* The part played, in ten-thousandths: fine enough for any window's width. */
enum { PROGRESS_SCALE = 10000 };
/* Process-wide: the poller writes it and the mouse's seek reads it, neither with the
   start in hand. */
static volatile LONG played;

void setProgress(HWND window, float fraction, bool lineShown) {
    LONG units = PROGRESS_SCALE;
    if (fraction < 1) units = fraction > 0 ? (LONG)(fraction * PROGRESS_SCALE + 0.5f) : 0;
    if (InterlockedExchange(&played, units) != units && lineShown)
        InvalidateRect(window, nullptr, FALSE);
}

int progressLength(int areaWidth) {
    int state = captionModel.playState;
    if (!options.showProgress || (state != WINAMP_PLAYING && state != WINAMP_PAUSED)) return -1;
    if (areaWidth <= 0) return 0;
    return MulDiv(areaWidth, played, PROGRESS_SCALE);
}

void drawProgress(HDC dc, const RECT &area, int length, COLORREF colour) {
    if (length <= 0) return;
    RECT line = {area.left, area.bottom - PROGRESS_LINE_HEIGHT, area.left + length, area.bottom};
    if (line.top < area.top) line.top = area.top;
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    if (brush) FillRect(dc, &line, brush);
}

bool progressAt(int x, float *fraction) {
    RECT area = textAreaOf(surfaceRect());
    int width = area.right - area.left;
    if (width <= 0 || progressLength(width) < 0) return false;
    float at = (float)(x - area.left) / width;
    *fraction = at < 0 ? 0 : at > 1 ? 1 : at;
    return true;
}
