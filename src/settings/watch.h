/* Noticing an edit of the settings file, so that it applies without the shell's
   reconfigure. */
#pragma once

#include <windows.h>

enum { SETTINGS_WATCH_TIMER = 0x5741 };

/* Looks at the four places every quarter second on the window's timer. */
void startSettingsWatch(HWND window);
void stopSettingsWatch(HWND window);
/* The timer's tick: true when the places changed, have since stood still, the file to
   read reads whole, and a second has passed since the last time this said so. */
bool settingsFileSettled();
