/* Rendering: the frame surface holds the whole picture, composed again (the
   drawn background copied in, the caption drawn over it) only when the caption
   or its look changed; each paint puts the frame on the screen in one copy,
   blended at a low alpha while Winamp is paused so the blink fades. The caption
   itself is measured here too. */
#include "display/render.h"
#include "core/owners.h"
#include "core/text.h"
#include "display/caption.h"
#include "display/layout.h"
#include "display/progress.h"
#include "display/scroller.h"
#include "display/surfaces.h"
#include "settings/options.h"
#include "settings/style.h"
#include "winamp/winamp.h"

#include <string.h>

/* Captions are shown as they are: an ampersand in "Simon & Garfunkel" is a
   character of the title, not a menu-style prefix. */
static const UINT CAPTION_FLAGS = DT_NOPREFIX;

/* A paused caption fades: each paint blends the frame at a low alpha over what the
   window shows, so that the blink turns it out and back in over several ticks. */
static const BLENDFUNCTION PAUSED_BLEND = {AC_SRC_OVER, 0, 30, 0};

/* Shell's thread, which alone makes and deletes the caption font, so the font stays
   while it is measured (the caller's hold on the model's lock guards the caption, not
   the font). Measured in the frame, which holds the caption font from one paint to the
   next, when there is one: a title change then costs neither a device context nor a
   font selection. */
SIZE measureText(Display &display, const wchar_t *text) {
    RECT r = {0, 0, 0, 0};
    MemoryDC dc;
    if (frameDC(display)) {
        holdCaptionFont(display);
        DrawTextW(frameDC(display), text, -1, &r, DT_CALCRECT | CAPTION_FLAGS);
    } else if (dc.create()) {
        dc.selectFont(captionFont(display));
        DrawTextW(dc, text, -1, &r, DT_CALCRECT | CAPTION_FLAGS);
    }
    SIZE size = {r.right, r.bottom};
    return size;
}

/* The caption's size in the present font; the model's lock held. */
static void measureCaption(Display &display) {
    CaptionModel &m = *display.caption;
    SIZE size = measureText(display, m.text);
    if (size.cx != m.textWidth) m.edgeRestTicks = 0;
    m.textWidth = size.cx;
    m.textHeight = size.cy;
}

void setCaption(Display &display, const wchar_t *text) {
    setCaption(display, text, text);
}

/* A caption is one line read left to right, as the companion's label shows it: a line
   break is a blank, and the controls that embed or override the reading order are left
   out, so that a cut caption ends in its ellipsis at its visual end. A title that
   reverses itself would otherwise carry the dots into its middle. */
static void takeCaptionText(wchar_t *to, const wchar_t *from) {
    copyText(to, from, TEXT_SIZE);
    wchar_t *kept = to;
    for (const wchar_t *c = to; *c; ++c) {
        if ((*c >= 0x202A && *c <= 0x202E) || (*c >= 0x2066 && *c <= 0x2069)) continue;
        *kept++ = *c == L'\r' || *c == L'\n' ? L' ' : *c;
    }
    *kept = L'\0';
}

void setCaption(Display &display, const wchar_t *text, const wchar_t *title) {
    CaptionModel &m = *display.caption;
    {
        CaptionLock lock(m);
        wchar_t fresh[TEXT_SIZE];
        takeCaptionText(fresh, title);
        if (wcscmp(fresh, m.title) != 0) {
            copyText(m.title, fresh, TEXT_SIZE);
            m.roundTurned = m.roundDone = false;
        }
        takeCaptionText(fresh, text);
        if (wcscmp(fresh, m.text) != 0) {
            copyText(m.text, fresh, TEXT_SIZE);
            measureCaption(display);
        }
    }
}

void setCaption(Display &display, const char *text) {
    wchar_t caption[TEXT_SIZE];
    widenText(text, caption, TEXT_SIZE);
    setCaption(display, caption);
}

void measureCaptionAgain(Display &display) {
    CaptionLock lock(*display.caption);
    measureCaption(display);
}

static CaptionFrame takeCaptionFrame(const Display &display, const RECT &area, int played) {
    CaptionModel &m = *display.caption;
    CaptionFrame frame;
    memset(&frame, 0, sizeof frame);
    {
        CaptionLock lock(m);
        copyText(frame.text, m.text, TEXT_SIZE);
        frame.textHeight = m.textHeight;
        frame.scrollX = m.scrollX;
        int areaWidth = area.right - area.left;
        frame.scrolls = areaWidth < m.textWidth && options.scrolling;
        bool moving = frame.scrolls && captionMoves(m) && m.playState != WINAMP_PAUSED;
        frame.ellipsis = options.ellipsis && areaWidth < m.textWidth && !moving;
    }
    /* Paused, the caption is centred, and shown only in the blink's visible
       phase; a caption that does not move does not depend on the offset. */
    bool paused = m.playState == WINAMP_PAUSED;
    frame.scrolls = frame.scrolls && !paused;
    frame.shown = !paused || m.blinkOn;
    if (!frame.scrolls) frame.scrollX = 0;
    frame.area = area;
    frame.colour = display.style.item.TextColor;
    frame.progress = progressLength(m, area.right - area.left, played);
    return frame;
}

/* The one place the caption's text is drawn: into the frame, in the caption
   font (held there by the paint) and colour, inside r (clipped by the frame to
   the text area). */
static void drawText(const Display &display, const wchar_t *text, RECT &r, UINT align) {
    HDC dc = frameDC(display);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, display.style.item.TextColor);
    DrawTextW(dc, text, -1, &r, align | CAPTION_FLAGS);
}

/* The text area of the frame, background and caption, laid out from the whole
   text area. */
static void composeFrame(const Display &display, const CaptionFrame &frame) {
    const RECT &area = frame.area;
    int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    HDC target = frameDC(display);
    BitBlt(target, area.left, area.top, areaWidth, areaHeight, backgroundDC(display), area.left,
           area.top, SRCCOPY);
    /* Under the caption, and kept through a paused caption's blink. */
    drawProgress(target, area, frame.progress, frame.colour);
    if (!frame.shown) return;
    RECT r = {area.left, area.top + ((areaHeight - frame.textHeight) >> 1), area.right,
              area.bottom};
    if (frame.scrolls) r.left = area.left + frame.scrollX;
    UINT align = frame.scrolls ? 0 : DT_CENTER;
    /* The system's own end ellipsis, from the area's start. */
    if (frame.ellipsis) r.left = area.left, align = DT_END_ELLIPSIS | DT_SINGLELINE;
    drawText(display, frame.text, r, align);
}

bool paintWindow(Display &display, HDC dc, const RECT &update, CaptionFrame &composed, int played) {
    CaptionModel &m = *display.caption;
    bool refitted = fitSurfaces(display);
    HDC frame = frameDC(display);
    if (!frame) return refitted;
    /* The frame is made anew (a new background, font or text): it is copied straight. */
    bool fresh = refreshBackground(display);
    fresh = holdCaptionFont(display) || fresh;
    RECT client = surfaceRect(display), u;
    RECT area = textAreaOf(display.style, client);
    if (!IsRectEmpty(&area)) {
        CaptionFrame now = takeCaptionFrame(display, area, played);
        if (fresh || memcmp(&now, &composed, sizeof now)) {
            fresh = fresh || wcscmp(now.text, composed.text) != 0;
            composeFrame(display, now);
            memcpy(&composed, &now, sizeof now);
        }
    }

    /* The frame is whole: any part of it is what a full paint shows there. A new
       caption or look is copied straight even while paused: the fade starts from its
       own frame, not from the old text, which would linger faintly for the pause. */
    if (!IntersectRect(&u, &update, &client)) return refitted;
    int uw = u.right - u.left, uh = u.bottom - u.top;
    if (m.playState == WINAMP_PAUSED && !options.transBackEnabled && !fresh)
        AlphaBlend(dc, u.left, u.top, uw, uh, frame, u.left, u.top, uw, uh, PAUSED_BLEND);
    else
        BitBlt(dc, u.left, u.top, uw, uh, frame, u.left, u.top, SRCCOPY);
    return refitted;
}
