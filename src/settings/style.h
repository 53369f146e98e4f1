/* The shell's style as the plugin keeps it. */
#pragma once

#include "nightjar/nightjar.h"

/* The colour that a see-through background is painted in and keyed out by. */
const COLORREF COLOUR_KEY = RGB(255, 0, 230);

/* The shell's style as a start keeps it (Display::style): written on the shell's thread
   by loadStyle. */
struct ShellStyle {
    StyleItem item; /* its TextColor is the caption's colour */
    int bevelWidth, borderWidth;
};

/* Copies the style record and widths from the shell. */
void loadStyle(ShellStyle &style);
