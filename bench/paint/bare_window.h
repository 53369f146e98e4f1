/* The bare window the paint figures are measured against: the plugin window's
   kind of window, whose paint is BeginPaint and EndPaint and nothing else. */
#pragma once

#include <windows.h>

/* What makes a window cost what it costs to the window manager: its styles and,
   when layered, its colour key and opacity. */
struct WindowLook {
    DWORD style, exStyle;
    COLORREF colourKey;
    BYTE alpha;
    DWORD layeredFlags;
    bool topmost;
};

WindowLook lookOf(HWND window);
/* drawnText: null for the empty paint; else each paint fills the window and draws
   this text, the least a window showing a caption can do. */
HWND createBareWindow(const WindowLook &look, int x, int y, int width, int height,
                      const char *drawnText = nullptr);
void destroyBareWindow(HWND window);
/* Paints the bare windows have done since the program started. */
LONG barePaintCount();

/* Counts another window's paints by passing its messages through a counter first. */
void countPaints(HWND window);
LONG countedPaints();
