/* The plugin's display window: its procedure and the placement it keeps. */
#pragma once

#include <windows.h>

LRESULT CALLBACK warbleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
/* Brings visibility, transparency, z-order, position and size into line with the state. */
void applyWindowState();
