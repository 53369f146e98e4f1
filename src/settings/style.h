/* The shell's style as the plugin keeps it, and the caption font. */
#pragma once

/* Copies the style record and widths from the shell and makes a new font. */
void loadStyle();
