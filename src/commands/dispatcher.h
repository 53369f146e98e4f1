/* The broadcast commands that reach the plugin window. */
#pragma once

#include "display/display.h"
#include "settings/settings.h"
#include "winamp/player.h"

#include <stddef.h>

/* What a command acts on: the running start's settings file, its side of the player
   and its display. */
struct CommandTarget {
    SettingsSync &settings;
    PlayerSide &player;
    Display &display;
};

/* Carries out a broadcast text; true when it set the caption (the caller tells the
   change path). */
bool handleBroadcast(const CommandTarget &to, const char *text);
void runInternalCommand(const CommandTarget &to, const char *word);
/* The toggles that waited for the settings file to settle flip what it holds now (once
   it has settled; else they go on waiting). Shell's thread. */
void runWaitingToggles(const CommandTarget &to);

/* The label shown when SlitToggle is sent to a plugin started without a Slit. */
extern const char NO_SLIT_NOTICE[];

/* The three ways a broadcast text is matched. */
bool matchEqual(const char *text, const char *pattern); /* whole text, any case */
const char *matchContains(const char *text,
                          const char *pattern); /* anywhere, exact case; where it ends */
bool matchPrefix(const char *text, const char *pattern,
                 size_t n); /* first n characters, any case */
