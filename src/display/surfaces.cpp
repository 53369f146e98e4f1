/* The off-screen surfaces behind the display window: the frame, which holds the whole
   picture, and the drawn background, redrawn only when what it shows changes. Both
   always have the size of the client area that is painted. */
#include "display/surfaces.h"
#include "display/display.h"
#include "core/owners.h"
#include "display/caption.h"
#include "display/layout.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"

#include <string.h>

HDC frameDC(const Display &display) {
    return display.surfaces.frame;
}

HDC backgroundDC(const Display &display) {
    return display.surfaces.background;
}

RECT surfaceRect(const Display &display) {
    RECT all = {0, 0, display.surfaces.width, display.surfaces.height};
    return all;
}

/* The key colour shows through only on a floating window; docked, the Slit shows the
   style. */
static bool keyedBackground() {
    return options.transBackEnabled && !docked();
}

static BackgroundLook currentLook(const Display &display, int width, int height) {
    BackgroundLook look;
    memset(&look, 0, sizeof look);
    look.width = width;
    look.height = height;
    look.inset = textInset(display.style);
    look.keyed = keyedBackground();
    look.border = options.showBorder;
    look.style = display.style.item;
    return look;
}

static void setSize(Surfaces &surfaces, int width, int height) {
    surfaces.width = width;
    surfaces.height = height;
}

bool createSurfaces(Display &display) {
    Surfaces &surfaces = display.surfaces;
    HWND window = display.placement.window;
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
        releaseSurfaces(display);
        return false;
    }
    setSize(surfaces, w, h);
    memset(&surfaces.drawnLook, 0, sizeof surfaces.drawnLook); /* nothing drawn yet */
    return true;
}

/* Smoothing blends the letters' edges into what lies under them: on the key colour
   that blend is neither key nor text, and shows as a fringe of the key around every
   letter. On a keyed background the caption is drawn without smoothing. */
static HFONT unsmoothed(HFONT font) {
    LOGFONTA look;
    if (!font || !GetObjectA(font, sizeof look, &look)) return font;
    look.lfQuality = NONANTIALIASED_QUALITY;
    HFONT plain = CreateFontIndirectA(&look);
    if (!plain) return font;
    DeleteObject(font);
    return plain;
}

static HFONT createCaptionFont(const Display &display) {
    HFONT font = options.useCustomFont
                     ? CreateFontA(options.fontHeight, 0, 0, 0, options.fontWeight, FALSE, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, options.fontFace)
                     : CreateStyleFont(const_cast<StyleItem *>(&display.style.item));
    return keyedBackground() ? unsmoothed(font) : font;
}

HFONT captionFont(const Display &display) {
    return display.surfaces.captionFont;
}

/* Puts the frame's own font back: before the caption font is deleted. */
static void dropCaptionFont(Surfaces &surfaces) {
    surfaces.frame.restoreFont();
    surfaces.heldFont = nullptr;
}

void releaseCaptionFont(Display &display) {
    Surfaces &surfaces = display.surfaces;
    if (!surfaces.captionFont) return;
    dropCaptionFont(surfaces); /* the frame may hold it */
    surfaces.captionFont.reset();
}

void remakeCaptionFont(Display &display) {
    releaseCaptionFont(display);
    display.surfaces.captionFont.reset(createCaptionFont(display));
    display.surfaces.fontUnsmoothed = keyedBackground();
}

bool fitCaptionFont(Display &display) {
    if (display.surfaces.fontUnsmoothed == keyedBackground()) return false;
    remakeCaptionFont(display);
    return true;
}

bool holdCaptionFont(Display &display) {
    Surfaces &surfaces = display.surfaces;
    if (!surfaces.frame || surfaces.heldFont == surfaces.captionFont) return false;
    surfaces.frame.selectFont(surfaces.captionFont);
    surfaces.heldFont = surfaces.captionFont;
    return true;
}

void releaseSurfaces(Display &display) {
    Surfaces &surfaces = display.surfaces;
    dropCaptionFont(surfaces);
    if (surfaces.frame) SelectClipRgn(surfaces.frame, nullptr);
    /* The DCs give their bitmaps back before the bitmaps go. */
    surfaces.frame.reset();
    surfaces.background.reset();
    surfaces.frameBitmap.reset();
    surfaces.backgroundBitmap.reset();
    setSize(surfaces, 0, 0);
}

void recreateSurfaces(Display &display) {
    HWND window = display.placement.window;
    releaseSurfaces(display);
    /* Out of drawing objects: this paint draws nothing, and asking for another here
       would only repeat it; the next repaint that comes by itself tries again. */
    if (!createSurfaces(display)) return;
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
    const Surfaces &surfaces = display.surfaces;
    if (surfaces.frame && client.right == surfaces.width && client.bottom == surfaces.height)
        return false;
    recreateSurfaces(display);
    return true;
}

static void drawBackground(Display &display, const BackgroundLook &look) {
    Surfaces &surfaces = display.surfaces;
    RECT all = {0, 0, look.width, look.height};
    if (!look.keyed) {
        MakeStyleGradient(surfaces.background, &all, &display.style.item, look.border);
        return;
    }
    GdiObject<HBRUSH> key(CreateSolidBrush(COLOUR_KEY));
    if (key) FillRect(surfaces.background, &all, key);
}

bool refreshBackground(Display &display) {
    Surfaces &surfaces = display.surfaces;
    BackgroundLook look = currentLook(display, surfaces.width, surfaces.height);
    if (!memcmp(&look, &surfaces.drawnLook, sizeof look)) return false;
    drawBackground(display, look);
    /* The frame's margin around the text area is the background itself and
       stays as drawn here; the frame is clipped to the text area for the
       paints, which only renew what lies inside it. */
    SelectClipRgn(surfaces.frame, nullptr);
    BitBlt(surfaces.frame, 0, 0, look.width, look.height, surfaces.background, 0, 0, SRCCOPY);
    RECT client = {0, 0, look.width, look.height};
    RECT area = textAreaOf(display.style, client);
    GdiObject<HRGN> clip(CreateRectRgnIndirect(&area));
    if (clip) SelectClipRgn(surfaces.frame, clip);
    memcpy(&surfaces.drawnLook, &look, sizeof look);
    return true;
}

RECT scrollDamage(const Display &display) {
    return textAreaOf(display.style, surfaceRect(display));
}
