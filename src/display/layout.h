/* Where the caption goes in the window: the text area inside the style's bevel and
   border. */
#pragma once

#include "settings/style.h"

#include <windows.h>

/* The inset of the text area: bevel plus border width. */
int textInset(const ShellStyle &style);
/* The window's client rectangle as it is now (empty without a window). */
RECT clientArea(HWND window);
/* Width of the text area of the window as it is shown, as scrolling measures it. */
int textAreaWidth(HWND window, const ShellStyle &style);
/* The text area of a client rectangle: inside the inset; empty without room. */
RECT textAreaOf(const ShellStyle &style, const RECT &client);
