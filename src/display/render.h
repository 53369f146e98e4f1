/* Painting the display window, and the caption it shows. */
#pragma once

#include "core/text.h"
#include "display/display.h"

#include <windows.h>

/* What one frame shows of the caption and all that decides how it is drawn,
   read whole under the lock. Two are compared whole, so it is kept free of
   padding garbage. */
struct CaptionFrame {
    wchar_t text[TEXT_SIZE];
    int textHeight, scrollX;
    int progress; /* the progress line's length, -1 for none */
    RECT area;
    bool scrolls, shown;
    bool ellipsis; /* wider than the area and at rest: drawn from its start, ending in "..." */
    COLORREF colour;
};

/* Size of text in the caption font, as the paint will draw it. */
SIZE measureText(Display &display, const wchar_t *text);
/* Installs a new caption, measured when the text changed; the caller tells the change
   path (the bounds, the repaint, the scroll thread follow there). Shell's thread. */
void setCaption(Display &display, const wchar_t *text);
/* The same for a text made from a title (the caption format): a new title starts a new
   scroll round, a new text of the same title (the time moving on) does not, and the
   caption keeps its place while its width stays. */
void setCaption(Display &display, const wchar_t *text, const wchar_t *title);
/* The same for a caption given as text in the system code page. */
void setCaption(Display &display, const char *text);
/* Measures the caption again in a new font. Shell's thread. */
void measureCaptionAgain(Display &display);
/* Draws the frame for the update rectangle into the window's DC: exactly the
   pixels that a paint of the whole window gives there. composed is the caption the
   frame holds: a paint that would draw the same only copies the frame to the screen.
   True when the surfaces had to be rebuilt for a new client size first (the caller
   tells the change path). */
bool paintWindow(Display &display, HDC dc, const RECT &update, CaptionFrame &composed, int played);
