/* The progress line. The poller keeps the position it reads once a second anyway, and
   the paint is handed it and turns it into a length, so that a new size or inset needs
   nothing here. */
#include "display/progress.h"
#include "core/owners.h"
#include "display/caption.h"
#include "display/layout.h"
#include "display/surfaces.h"
#include "settings/options.h"
#include "winamp/winamp.h"

int progressLength(const CaptionModel &m, int areaWidth, int played) {
    int state = m.playState;
    if (!options.showProgress || (state != WINAMP_PLAYING && state != WINAMP_PAUSED)) return -1;
    if (areaWidth <= 0) return 0;
    return MulDiv(areaWidth, played, PART_SCALE);
}

void drawProgress(HDC dc, const RECT &area, int length, COLORREF colour) {
    if (length <= 0) return;
    RECT line = {area.left, area.bottom - PROGRESS_LINE_HEIGHT, area.left + length, area.bottom};
    if (line.top < area.top) line.top = area.top;
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    if (brush) FillRect(dc, &line, brush);
}

bool progressAt(const Display &display, int x, float *fraction) {
    RECT area = textAreaOf(display.style, surfaceRect(display));
    int width = area.right - area.left;
    if (width <= 0 || progressLength(*display.caption, width, 0) < 0) return false;
    float at = (float)(x - area.left) / width;
    *fraction = at < 0 ? 0 : at > 1 ? 1 : at;
    return true;
}
