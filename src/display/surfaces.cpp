/* The off-screen surfaces behind the display window: the frame, which holds
   the whole picture, and the drawn background, redrawn only when what it shows
   changes. Both always have the size of the client area that is painted. */
#include "display/surfaces.h"
#include "display/render.h"
#include "display/scroller.h"
#include "plugin/state.h"

#include <string.h>

/* What the background surface was drawn with; a paint that finds anything else
   draws it again. Compared whole, so it is kept free of padding garbage. Shell's
   thread only, like the surfaces. */
struct BackgroundLook {
    int width, height, inset;
    bool keyed, border;
    COLORREF colourKey;
    StyleItem style;
};

static BackgroundLook drawnLook;

static BackgroundLook currentLook(int width, int height) {
    BackgroundLook look;
    memset(&look, 0, sizeof look);
    look.width = width;
    look.height = height;
    look.inset = textInset();
    /* The key colour shows through only on a floating window; docked, the
       Slit shows the style. */
    look.keyed = options.transBackEnabled && !docked();
    look.border = options.showBorder;
    look.colourKey = warble.colourKey;
    look.style = warble.styleItem;
    return look;
}

void createBuffers() {
    RECT client;
    GetClientRect(warble.hwndPlugin, &client);
    int w = client.right - client.left, h = client.bottom - client.top;
    /* The window's own context, only to make bitmaps of its kind: no paint is
       begun, so a pending repaint stays pending. */
    HDC windowDC = GetDC(warble.hwndPlugin);
    warble.bufferDC = CreateCompatibleDC(nullptr);
    warble.bufferBitmap = CreateCompatibleBitmap(windowDC, w, h);
    warble.backDC = CreateCompatibleDC(nullptr);
    warble.backBitmap = CreateCompatibleBitmap(windowDC, w, h);
    ReleaseDC(warble.hwndPlugin, windowDC);
    warble.oldBufferBitmap = (HBITMAP)SelectObject(warble.bufferDC, warble.bufferBitmap);
    warble.oldBackBitmap = (HBITMAP)SelectObject(warble.backDC, warble.backBitmap);
    {
        DisplayLock lock;
        warble.surfaceWidth = w;
        warble.surfaceHeight = h;
    }
    memset(&drawnLook, 0, sizeof drawnLook); /* nothing drawn yet */
}

bool holdCaptionFont() {
    if (!warble.bufferDC || warble.bufferFont == warble.hFont) return false;
    HGDIOBJ replaced = SelectObject(warble.bufferDC, warble.hFont);
    if (!warble.bufferFont) warble.oldBufferFont = replaced;
    warble.bufferFont = warble.hFont;
    return true;
}

void dropCaptionFont() {
    if (!warble.bufferFont) return;
    SelectObject(warble.bufferDC, warble.oldBufferFont);
    warble.bufferFont = nullptr;
    warble.oldBufferFont = nullptr;
}

void releaseBuffers() {
    dropCaptionFont();
    if (warble.bufferDC) {
        SelectClipRgn(warble.bufferDC, nullptr);
        /* A window without room has no bitmap: nothing to delete then. */
        HGDIOBJ bitmap = SelectObject(warble.bufferDC, warble.oldBufferBitmap);
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(warble.bufferDC);
    }
    if (warble.backDC) {
        HGDIOBJ bitmap = SelectObject(warble.backDC, warble.oldBackBitmap);
        if (bitmap) DeleteObject(bitmap);
        DeleteDC(warble.backDC);
    }
    warble.bufferDC = warble.backDC = nullptr;
    warble.bufferBitmap = warble.backBitmap = nullptr;
    warble.oldBufferBitmap = warble.oldBackBitmap = nullptr;
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

bool fitSurfaces() {
    RECT client;
    GetClientRect(warble.hwndPlugin, &client);
    if (warble.bufferDC && client.right == warble.surfaceWidth &&
        client.bottom == warble.surfaceHeight)
        return false;
    recreateBuffers();
    return true;
}

RECT textAreaOf(const RECT &client) {
    int k = textInset();
    RECT area = {client.left + k, client.top + k, client.right - k, client.bottom - k};
    if (area.right <= area.left || area.bottom <= area.top) SetRectEmpty(&area);
    return area;
}

static void drawBackground(const BackgroundLook &look) {
    RECT all = {0, 0, look.width, look.height};
    if (!look.keyed) {
        MakeStyleGradient(warble.backDC, &all, &warble.styleItem, look.border);
        return;
    }
    HBRUSH key = CreateSolidBrush(look.colourKey);
    FillRect(warble.backDC, &all, key);
    DeleteObject(key);
}

bool refreshBackground() {
    BackgroundLook look = currentLook(warble.surfaceWidth, warble.surfaceHeight);
    if (!memcmp(&look, &drawnLook, sizeof look)) return false;
    drawBackground(look);
    /* The frame's margin around the text area is the background itself and
       stays as drawn here; the frame is clipped to the text area for the
       paints, which only renew what lies inside it. */
    SelectClipRgn(warble.bufferDC, nullptr);
    BitBlt(warble.bufferDC, 0, 0, look.width, look.height, warble.backDC, 0, 0, SRCCOPY);
    RECT client = {0, 0, look.width, look.height};
    RECT area = textAreaOf(client);
    HRGN clip = CreateRectRgnIndirect(&area);
    SelectClipRgn(warble.bufferDC, clip);
    DeleteObject(clip);
    memcpy(&drawnLook, &look, sizeof look);
    return true;
}

RECT scrollDamage() {
    RECT client = {0, 0, warble.surfaceWidth, warble.surfaceHeight};
    return textAreaOf(client);
}
