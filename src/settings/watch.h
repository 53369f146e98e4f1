/* Noticing an edit of the settings file, so that it applies without the shell's
   reconfigure. */
#pragma once

#include "core/messages.h"
#include "core/threads.h"
#include "settings/settings.h"

#include <windows.h>

/* MSG_SETTINGS_NOTICE is posted to the start's window when a folder of the four places
   changed. */

/* Starts the thread of this start that waits for the system to report a change in
   the folders of the four places; false when it could not be started. Without any of
   those folders there is nothing to wait for, and no thread. */
bool startSettingsWatch(const SharedStart &start, SettingsSync &sync);
/* A notice, or the watch's timer: true when the settings are to be read again now
   (the file in use, or which file is used, changed, or a write of the plugin's waits;
   the change has settled; a second has passed since the last read). When the change
   has not settled yet, the timer is set for the next look. Shell's thread. */
bool settingsEditSettled(SettingsSync &sync);
/* The window goes: the timer's next look is not taken. Shell's thread. */
void cancelSettingsLook(SettingsSync &sync);
