/* The configuration menu, the settings file's editor and the about box. */
#pragma once

#include "display/display.h"
#include "settings/settings.h"
#include "winamp/player.h"

void showConfigMenu(const Display &display, bool popup);
void editSettingsFile(SettingsSync &sync);
void showAboutBox();
/* Puts the whole title of the track playing or paused on the clipboard, in Unicode;
   with nothing playing, copies nothing and says so on the shell's label. */
void copyTitleToClipboard(HWND owner, const PlayerSide &side);
extern const char NOTHING_TO_COPY_NOTICE[];
/* The label of an "Edit" that leaves a large file as it is. */
extern const char FILE_TOO_LARGE_NOTICE[];
