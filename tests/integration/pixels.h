/* Reading back what the plugin's window shows: its pixels through its own device
   context, the caption's ink (pixels near the text colour) inside the text area, and
   a reference rendering of a text in the shell's style font for comparison. */
#pragma once

#include <string>
#include <vector>
#include <windows.h>

struct Frame {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels; /* row by row, as RGB() values */
    COLORREF at(int x, int y) const { return pixels[(size_t)y * width + x]; }
    bool empty() const { return pixels.empty(); }
};

/* The window's client area as its device context holds it. */
Frame captureWindow(HWND window);
/* What the screen shows in a rectangle of screen coordinates, whatever window it is. */
Frame captureScreen(const RECT &rect);
/* Writes a frame as a .bmp file, for a look at a failing test. */
void saveFrame(const Frame &frame, const std::string &path);

/* Bounds of the ink inside a rectangle of the frame; empty (left > right) when none. */
struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int count = 0;
    bool none() const { return right < left; }
};
InkBox findInk(const Frame &frame, const RECT &area);
/* Ink per column of the area, for following a moving caption. */
std::vector<int> inkColumns(const Frame &frame, const RECT &area);
/* The shift s that best maps columns a onto b (b[x] ~ a[x - s]), searched in
   [-range, range]. */
int bestShift(const std::vector<int> &a, const std::vector<int> &b, int range);

/* The inset of the text area: the shell's bevel plus border width. */
int textInset();
/* Size of a text in a font (the shell's style font when null), measured as the
   plugin measures it. */
SIZE styleTextSize(const std::string &text, HFONT font = nullptr);
/* The ink of a text drawn at 0, 0 in a font (the style font when null). */
InkBox styleTextInk(const std::string &text, HFONT font = nullptr);
/* Leftmost ink column of a text drawn at x 0 in the shell's style font. */
int styleTextInkLeft(const std::string &text);
/* The shell's style background of a window of this size, as the shell draws it. */
Frame styleBackground(int width, int height, bool withBorder);
