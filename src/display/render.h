/* Painting the display window, and the caption it shows. */
#pragma once

#include <windows.h>

/* Size of text in the caption font, as the paint will draw it. */
SIZE measureText(const wchar_t *text);
/* Installs a new caption: re-measures it and resets the scroll bounds when the
   text changed, asks for a repaint and wakes the scroll thread. Shell's thread. */
void setCaption(const wchar_t *text);
/* The same for a text made from a title (the caption format): a new title starts a new
   scroll round, a new text of the same title (the time moving on) does not, and the
   caption keeps its place while its width stays. */
void setCaption(const wchar_t *text, const wchar_t *title);
/* The same for a caption given as text in the system code page. */
void setCaption(const char *text);
/* Measures the caption again after the font or the text area changed, with the
   scroll bounds that follow, and asks for a repaint. Shell's thread. */
void remeasureCaption();
/* The player's state the caption shows (playing, paused: it blinks, stopped). Shell's
   thread. */
void showPlayState(int state);
/* Draws the frame for the update rectangle into the window's DC: exactly the
   pixels that a paint of the whole window gives there. */
void paintWindow(HDC dc, const RECT &update);
