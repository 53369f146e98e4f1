/* What one start's surfaces are: the frame, the drawn background and the caption font,
   with what the background was drawn with. The calls on them are in surfaces.h. */
#pragma once

#include "core/owners.h"
#include "nightjar/nightjar.h"

#include <windows.h>

/* What the background surface was drawn with; a paint that finds anything else
   draws it again. Compared whole, so it is kept free of padding garbage. */
struct BackgroundLook {
    int width, height, inset;
    bool keyed, border;
    StyleItem style;
};

/* One start's surfaces (Display::surfaces), written by surfaces.cpp alone. What is
   selected into a DC is declared before it, so that it is deleted after the DC has put
   its own objects back. */
struct Surfaces {
    GdiObject<HFONT> captionFont;
    GdiObject<HBITMAP> frameBitmap, backgroundBitmap;
    MemoryDC frame, background;
    HFONT heldFont; /* the caption font while it stays selected into the frame (selecting a
                       font costs more than the rest of a paint) */
    bool fontUnsmoothed; /* the caption font was made for a keyed background */
    int width, height;
    BackgroundLook drawnLook;
};
