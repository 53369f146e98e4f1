/* The display window's procedure. */
#pragma once

#include <windows.h>

LRESULT CALLBACK warbleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
