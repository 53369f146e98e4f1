/* Where the caption goes in the window: the text area inside the style's bevel and
   border. */
#pragma once

#include <windows.h>

/* The inset of the text area: bevel plus border width. */
int textInset();
/* Width of the text area inside the inset, as scrolling measures it. */
int textAreaWidth();
/* The text area of a client rectangle: inside the inset; empty without room. */
RECT textAreaOf(const RECT &client);
