/* The off-screen surfaces behind the display window: the frame, which holds the whole
   picture, and the drawn background, redrawn only when what it shows changes. Both
   always have the size of the client area that is painted, and are this file's own. */
#include "display/surfaces.h"
#include "core/owners.h"
#include "display/caption.h"
#include "display/layout.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"

#include <string.h>

/* What the background surface was drawn with; a paint that finds anything else
   draws it again. Compared whole, so it is kept free of padding garbage. */
struct BackgroundLook {
    int width, height, inset;
    bool keyed, border;
    StyleItem style;
};

/* Shell's thread only, like every measure of a caption in the font. Process-wide: the
   font is made before the start's window, and a start that failed leaves nothing of it
   behind. What is selected into a DC is declared before it, so that it is deleted after
   the DC has put its own objects back. */
static struct {
    GdiObject<HFONT> captionFont;
    GdiObject<HBITMAP> frameBitmap, backgroundBitmap;
    MemoryDC frame, background;
    HFONT heldFont; /* the caption font while it stays selected into the frame (selecting a
                       font costs more than the rest of a paint) */
    int width, height;
    BackgroundLook drawnLook;
} surfaces;

HDC frameDC() {
    return surfaces.frame;
}

HDC backgroundDC() {
    return surfaces.background;
}

HBITMAP frameBitmap() {
    return surfaces.frameBitmap;
}

HBITMAP backgroundBitmap() {
    return surfaces.backgroundBitmap;
}

RECT surfaceRect() {
    RECT all = {0, 0, surfaces.width, surfaces.height};
    return all;
}

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
    look.style = shellStyle.item;
    return look;
}

static void setSize(int width, int height) {
    surfaces.width = width;
    surfaces.height = height;
}

bool createSurfaces(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    int w = client.right - client.left, h = client.bottom - client.top;
    bool made = surfaces.frame.create() && surfaces.background.create();
    /* A window without room has no bitmaps. The window's own DC only makes bitmaps of
       its kind: no paint is begun, so a pending repaint stays pending. */
    if (made && w > 0 && h > 0) {
        WindowDC screen(window);
        surfaces.frameBitmap.reset(CreateCompatibleBitmap(screen, w, h));
        surfaces.backgroundBitmap.reset(CreateCompatibleBitmap(screen, w, h));
        made = surfaces.frameBitmap && surfaces.backgroundBitmap;
        if (made) {
            surfaces.frame.selectBitmap(surfaces.frameBitmap);
            surfaces.background.selectBitmap(surfaces.backgroundBitmap);
        }
    }
    if (!made) {
        releaseSurfaces();
        return false;
    }
    setSize(w, h);
    memset(&surfaces.drawnLook, 0, sizeof surfaces.drawnLook); /* nothing drawn yet */
    return true;
}

static HFONT createCaptionFont() {
    if (!options.useCustomFont) return CreateStyleFont(&shellStyle.item);
    return CreateFontA(options.fontHeight, 0, 0, 0, options.fontWeight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, options.fontFace);
}

HFONT captionFont() {
    return surfaces.captionFont;
}

/* Puts the frame's own font back: before the caption font is deleted. */
static void dropCaptionFont() {
    surfaces.frame.restoreFont();
    surfaces.heldFont = nullptr;
}

void releaseCaptionFont() {
    if (!surfaces.captionFont) return;
    dropCaptionFont(); /* the frame may hold it */
    surfaces.captionFont.reset();
}

void remakeCaptionFont() {
    releaseCaptionFont();
    surfaces.captionFont.reset(createCaptionFont());
}

bool holdCaptionFont() {
    if (!surfaces.frame || surfaces.heldFont == surfaces.captionFont) return false;
    surfaces.frame.selectFont(surfaces.captionFont);
    surfaces.heldFont = surfaces.captionFont;
    return true;
}

void releaseSurfaces() {
    dropCaptionFont();
    if (surfaces.frame) SelectClipRgn(surfaces.frame, nullptr);
    /* The DCs give their bitmaps back before the bitmaps go. */
    surfaces.frame.reset();
    surfaces.background.reset();
    surfaces.frameBitmap.reset();
    surfaces.backgroundBitmap.reset();
    setSize(0, 0);
}

void recreateSurfaces(Display &display) {
    HWND window = display.placement.window;
    releaseSurfaces();
    /* Out of drawing objects: this paint draws nothing, and asking for another here
       would only repeat it; the next repaint that comes by itself tries again. */
    if (!createSurfaces(window)) return;
    {
        CaptionModel &m = *display.caption;
        CaptionLock lock(m);
        m.scrollX = 0;
        m.edgeRestTicks = 0;
    }
    InvalidateRect(window, nullptr, FALSE);
}

bool fitSurfaces(Display &display) {
    RECT client;
    GetClientRect(display.placement.window, &client);
    if (surfaces.frame && client.right == surfaces.width && client.bottom == surfaces.height)
        return false;
    recreateSurfaces(display);
    return true;
}

static void drawBackground(const BackgroundLook &look) {
    RECT all = {0, 0, look.width, look.height};
    if (!look.keyed) {
        MakeStyleGradient(surfaces.background, &all, &shellStyle.item, look.border);
        return;
    }
    GdiObject<HBRUSH> key(CreateSolidBrush(COLOUR_KEY));
    if (key) FillRect(surfaces.background, &all, key);
}

bool refreshBackground() {
    BackgroundLook look = currentLook(surfaces.width, surfaces.height);
    if (!memcmp(&look, &surfaces.drawnLook, sizeof look)) return false;
    drawBackground(look);
    /* The frame's margin around the text area is the background itself and
       stays as drawn here; the frame is clipped to the text area for the
       paints, which only renew what lies inside it. */
    SelectClipRgn(surfaces.frame, nullptr);
    BitBlt(surfaces.frame, 0, 0, look.width, look.height, surfaces.background, 0, 0, SRCCOPY);
    RECT client = {0, 0, look.width, look.height};
    RECT area = textAreaOf(client);
    GdiObject<HRGN> clip(CreateRectRgnIndirect(&area));
    if (clip) SelectClipRgn(surfaces.frame, clip);
    memcpy(&surfaces.drawnLook, &look, sizeof look);
    return true;
}

RECT scrollDamage() {
    return textAreaOf(surfaceRect());
}
