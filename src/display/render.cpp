/* Rendering: each paint copies the drawn background into the frame surface,
   draws the caption there and puts the frame on the screen in one copy, blended
   at a low alpha while Winamp is paused so the blink fades. The caption itself
   is measured here too. */
#include "display/render.h"
#include "display/scroller.h"
#include "display/surfaces.h"
#include "plugin/state.h"

#include <string.h>

/* Captions are shown as they are: an ampersand in "Simon & Garfunkel" is a
   character of the title, not a menu-style prefix. */
static const UINT CAPTION_FLAGS = DT_NOPREFIX;

int textInset() {
    return warble.bevelWidth + warble.borderWidth;
}

int textAreaWidth() {
    return warble.width - 2 * textInset();
}

/* Called with displayLock held, so the font cannot be deleted meanwhile. */
SIZE measureText(const char *text) {
    RECT r = {0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, warble.hFont);
    DrawTextA(dc, text, -1, &r, DT_CALCRECT | CAPTION_FLAGS);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    SIZE size = {r.right, r.bottom};
    return size;
}

/* The caption's size in the present font and the scroll bounds that follow
   from it; displayLock held. */
static void measureCaption() {
    SIZE size = measureText(warble.caption);
    warble.textWidth = size.cx;
    warble.textHeight = size.cy;
    warble.scrollMax = 0;
    warble.scrollMin = textAreaWidth() - warble.textWidth;
    warble.edgePause = 0;
}

void setCaption(const char *text) {
    {
        DisplayLock lock;
        copyText(warble.caption, text, TEXT_SIZE);
        if (strcmp(warble.caption, warble.lastCaption) != 0) {
            measureCaption();
            copyText(warble.lastCaption, warble.caption, TEXT_SIZE);
        }
    }
    InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
    wakeScroller();
}

void remeasureCaption() {
    {
        DisplayLock lock;
        measureCaption();
    }
    InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
    wakeScroller();
}

/* What one frame shows of the caption, read whole under the lock. */
struct CaptionFrame {
    char text[TEXT_SIZE];
    int textWidth, textHeight, scrollX;
};

static CaptionFrame takeCaptionFrame() {
    DisplayLock lock;
    CaptionFrame frame;
    copyText(frame.text, warble.caption, TEXT_SIZE);
    frame.textWidth = warble.textWidth;
    frame.textHeight = warble.textHeight;
    frame.scrollX = warble.scrollX;
    return frame;
}

/* The one place the caption's text is drawn: into the frame, in the caption
   font and colour, inside r (clipped by the frame to the text area). */
static void drawText(const char *text, RECT &r, UINT align) {
    HDC dc = warble.bufferDC;
    holdCaptionFont();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, warble.textColour);
    DrawTextA(dc, text, -1, &r, align | CAPTION_FLAGS);
}

/* Laid out from the whole text area whatever part is repainted, so that a
   part comes out exactly as in a full paint. */
static void drawCaption(const RECT &area) {
    if (IsRectEmpty(&area)) return;
    CaptionFrame frame = takeCaptionFrame();
    int areaHeight = area.bottom - area.top;
    RECT r = {area.left, area.top + ((areaHeight - frame.textHeight) >> 1), area.right,
              area.bottom};
    bool wider = textAreaWidth() < frame.textWidth;
    if (warble.playState != 3) {
        if (wider && warble.scrolling) {
            r.left = area.left + frame.scrollX;
            drawText(frame.text, r, 0);
        } else {
            drawText(frame.text, r, DT_CENTER);
        }
    } else if (warble.blinkOn) {
        drawText(frame.text, r, DT_CENTER);
    }
}

void paintWindow(HDC dc, const RECT &update) {
    fitSurfaces();
    if (!warble.bufferDC) return;
    refreshBackground();
    RECT client = {0, 0, warble.surfaceWidth, warble.surfaceHeight}, u;
    if (!IntersectRect(&u, &update, &client)) return;
    int uw = u.right - u.left, uh = u.bottom - u.top;

    /* Only the update rectangle of the frame is renewed and shown: elsewhere its
       text area may still hold an older caption, never shown before a paint
       renews it. The frame is clipped to the text area, and its margin already
       shows the background. */
    RECT area = textAreaOf(client), renewed;
    if (IntersectRect(&renewed, &area, &u)) {
        BitBlt(warble.bufferDC, renewed.left, renewed.top, renewed.right - renewed.left,
               renewed.bottom - renewed.top, warble.backDC, renewed.left, renewed.top, SRCCOPY);
        drawCaption(area);
    }

    if (warble.isPaused && !warble.transBackEnabled)
        AlphaBlend(dc, u.left, u.top, uw, uh, warble.bufferDC, u.left, u.top, uw, uh,
                   warble.pausedBlend);
    else
        BitBlt(dc, u.left, u.top, uw, uh, warble.bufferDC, u.left, u.top, SRCCOPY);
}
