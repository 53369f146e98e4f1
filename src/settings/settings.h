/* What the shell handed the plugin, finding the settings file and reading every
   option from it. */
#pragma once

#include "core/text.h"
#include "settings/options.h"

#include <windows.h>

/* What the shell handed the plugin at its start, and where its settings are: written
   on the shell's thread at start, stop and reconfigure. */
struct ShellLink {
    HINSTANCE instance;
    HWND host;
    HWND slit; /* null when the shell has no Slit */
    char rcPath[TEXT_SIZE];
};

extern ShellLink shellLink;

/* Docked in the Slit: the settings say so and the shell handed one over. Without a
   Slit the window floats, and the setting stays stored for a start with one. */
inline bool docked() {
    return options.inSlit && shellLink.slit;
}

/* Finds rcPath among the four places, then reads every option from it. */
void readSettings();
/* Reads the settings again; true when the file's place or any option differs from what
   was held. A file that holds only what the plugin wrote itself changes nothing. */
bool rereadSettings();

/* The four places of the settings file, in the order they are tried: Warblerc and
   Warble.rc beside the plugin, then the same in the shell's folder. */
enum { SETTINGS_PLACES = 4 };
void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]);
