/* Finding the settings file and reading every option from it. */
#pragma once

#include "settings/options.h"

#include "plugin/text.h"

/* Finds rcPath among the four places, then reads every option from it. */
void readSettings();
/* Reads the settings again; true when the file's place or any option differs from what
   was held. A file that holds only what the plugin wrote itself changes nothing. */
bool rereadSettings();

/* The four places of the settings file, in the order they are tried: Warblerc and
   Warble.rc beside the plugin, then the same in the shell's folder. */
enum { SETTINGS_PLACES = 4 };
void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]);
