/* Rendering: every frame is composed in two memory surfaces, the whole client
   area and the text area inside the inset, and reaches the screen in one copy,
   blended at a low alpha while Winamp is paused so the blink fades. */
#include "display/render.h"
#include "display/scroller.h"
#include "plugin/state.h"
#include "plugin/text.h"

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

void createBuffers() {
    PAINTSTRUCT ps;
    HDC windowDC = BeginPaint(warble.hwndPlugin, &ps);
    RECT client;
    GetClientRect(warble.hwndPlugin, &client);
    int k = textInset();
    int w = client.right - client.left, h = client.bottom - client.top;
    warble.bufferDC = CreateCompatibleDC(nullptr);
    warble.bufferBitmap = CreateCompatibleBitmap(windowDC, w, h);
    warble.textDC = CreateCompatibleDC(nullptr);
    warble.textBitmap = CreateCompatibleBitmap(windowDC, w - 2 * k, h - 2 * k);
    warble.oldBufferBitmap = (HBITMAP)SelectObject(warble.bufferDC, warble.bufferBitmap);
    warble.oldTextBitmap = (HBITMAP)SelectObject(warble.textDC, warble.textBitmap);
    EndPaint(warble.hwndPlugin, &ps);
}

void releaseBuffers() {
    if (warble.bufferDC) {
        DeleteObject(SelectObject(warble.bufferDC, warble.oldBufferBitmap));
        DeleteDC(warble.bufferDC);
    }
    if (warble.textDC) {
        /* A text area without room has no bitmap: nothing to delete then. */
        HGDIOBJ textBitmap = SelectObject(warble.textDC, warble.oldTextBitmap);
        if (textBitmap) DeleteObject(textBitmap);
        DeleteDC(warble.textDC);
    }
    warble.bufferDC = warble.textDC = nullptr;
    warble.bufferBitmap = warble.textBitmap = nullptr;
    warble.oldBufferBitmap = warble.oldTextBitmap = nullptr;
}

void recreateBuffers() {
    releaseBuffers();
    createBuffers();
    {
        DisplayLock lock;
        warble.scrollMin = textAreaWidth() - warble.textWidth;
        warble.scrollX = 0;
        warble.edgePause = 0;
    }
    InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
    wakeScroller();
}

/* Called with displayLock held, so the font cannot be deleted meanwhile. */
SIZE measureText(const wchar_t *text) {
    RECT r = {0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, warble.hFont);
    DrawTextW(dc, text, -1, &r, DT_CALCRECT | CAPTION_FLAGS);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    SIZE size = {r.right, r.bottom};
    return size;
}

void setCaption(const wchar_t *text) {
    {
        DisplayLock lock;
        copyText(warble.caption, text, TEXT_SIZE);
        if (wcscmp(warble.caption, warble.lastCaption) != 0) {
            SIZE size = measureText(warble.caption);
            warble.textWidth = size.cx;
            warble.textHeight = size.cy;
            warble.scrollMax = 0;
            warble.scrollMin = textAreaWidth() - warble.textWidth;
            copyText(warble.lastCaption, warble.caption, TEXT_SIZE);
            warble.edgePause = 0;
        }
    }
    InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
    wakeScroller();
}

void setCaption(const char *text) {
    wchar_t caption[TEXT_SIZE];
    widenText(text, caption, TEXT_SIZE);
    setCaption(caption);
}

static void paintBackground(const RECT &client) {
    if (!warble.transBackEnabled || warble.inSlit) {
        MakeStyleGradient(warble.bufferDC, const_cast<RECT *>(&client), &warble.styleItem,
                          warble.showBorder);
        return;
    }
    HBRUSH key = CreateSolidBrush(warble.colourKey);
    FillRect(warble.bufferDC, &client, key);
    DeleteObject(key);
}

/* What one frame shows of the caption, read whole under the lock. */
struct CaptionFrame {
    wchar_t text[TEXT_SIZE];
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

static void drawCaption(int areaWidth, int areaHeight) {
    CaptionFrame frame = takeCaptionFrame();
    RECT r = {0, (areaHeight - frame.textHeight) >> 1, areaWidth, areaHeight};
    bool wider = textAreaWidth() < frame.textWidth;

    HGDIOBJ oldFont = SelectObject(warble.textDC, warble.hFont);
    SetBkMode(warble.textDC, TRANSPARENT);
    SetTextColor(warble.textDC, warble.textColour);
    if (warble.playState != 3) {
        if (wider && warble.scrolling) {
            r.left = frame.scrollX;
            DrawTextW(warble.textDC, frame.text, -1, &r, CAPTION_FLAGS);
        } else {
            DrawTextW(warble.textDC, frame.text, -1, &r, DT_CENTER | CAPTION_FLAGS);
        }
    } else if (warble.blinkOn) {
        DrawTextW(warble.textDC, frame.text, -1, &r, DT_CENTER | CAPTION_FLAGS);
    }
    SelectObject(warble.textDC, oldFont);
}

void paintWindow(HDC dc, const RECT &u) {
    RECT client;
    GetClientRect(warble.hwndPlugin, &client);
    paintBackground(client);

    int k = textInset();
    int uw = u.right - u.left, uh = u.bottom - u.top;
    int areaWidth = uw - 2 * k, areaHeight = uh - 2 * k;
    if (areaWidth > 0 && areaHeight > 0) {
        BitBlt(warble.textDC, u.left, u.top, areaWidth, areaHeight, warble.bufferDC, u.left + k,
               u.top + k, SRCCOPY);
        drawCaption(areaWidth, areaHeight);
        BitBlt(warble.bufferDC, u.left + k, u.top + k, areaWidth, areaHeight, warble.textDC, u.left,
               u.top, SRCCOPY);
    }

    if (warble.isPaused && !warble.transBackEnabled)
        AlphaBlend(dc, u.left, u.top, uw, uh, warble.bufferDC, u.left, u.top, uw, uh,
                   warble.pausedBlend);
    else
        BitBlt(dc, u.left, u.top, uw, uh, warble.bufferDC, u.left, u.top, SRCCOPY);
}
