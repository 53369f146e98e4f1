/* The off-screen surfaces: the frame and the drawn background, each the size of
   the window's client area, and the caption font. Shell's thread. */
#pragma once

#include <windows.h>

struct Display;

/* Builds both surfaces at the present client size of the display window; false, with
   nothing left behind, when the system has no drawing objects to spare. */
bool createSurfaces(Display &display);
void releaseSurfaces(Display &display);
/* Builds the surfaces again, resets the scroll to the new text area and asks
   for a repaint of the whole window (not when they could not be built); the
   caller tells the change path, which derives the scroll bounds. */
void recreateSurfaces(Display &display);
/* Rebuilds the surfaces when the client area no longer has their size, however
   the size came to change; true when it did (the caller tells the change path). */
bool fitSurfaces(Display &display);
/* The frame and the background (null without surfaces), their bitmaps, and the
   rectangle they cover. */
HDC frameDC(const Display &display);
HDC backgroundDC(const Display &display);
RECT surfaceRect(const Display &display);
/* The caption font, null before it is made. */
HFONT captionFont(const Display &display);
/* Makes the caption font anew from the options and the style: the style's own, or
   the custom one. */
void remakeCaptionFont(Display &display);
/* Makes it anew when the background came to be keyed or no longer is since it was
   made (a toggle, a dock); true when it did (the caller measures the caption again). */
bool fitCaptionFont(Display &display);
/* Deletes the caption font. */
void releaseCaptionFont(Display &display);
/* Keeps the caption font selected into the frame from one paint to the next;
   true when it had to select it, a new font or a new frame. */
bool holdCaptionFont(Display &display);
/* Draws the background surface again when the size, the style, the border, the
   inset or the transparency mode changed since it was drawn; true when it did. */
bool refreshBackground(Display &display);
/* What a scroll step or a blink changes: the text area of the surfaces. */
RECT scrollDamage(const Display &display);
