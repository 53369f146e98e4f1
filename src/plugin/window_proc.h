/* The display window's procedure. */
#pragma once

#include <windows.h>

/* Posted to the window to apply options taken from the settings file during another
   message (a move, a toggle). */
enum { MSG_SETTINGS_APPLY = WM_APP + 92 };

LRESULT CALLBACK warbleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* What follows new settings: the style and the font, the caption made again from the
   player's last state and measured (a new font, a new inset around the text area), and
   the window. Shell's thread. */
void applySettings();
/* Has applySettings run once the message under way has returned. Shell's thread. */
void applySettingsLater();
