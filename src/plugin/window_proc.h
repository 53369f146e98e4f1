/* The display window's procedure. */
#pragma once

#include "plugin/instance.h"

#include <windows.h>

LRESULT CALLBACK warbleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* What follows new settings: the style and the font, the caption made again from the
   player's last state and measured (a new font, a new inset around the text area), and
   the window. Shell's thread. */
void applySettings(Instance &self);
