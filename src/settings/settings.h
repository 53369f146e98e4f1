/* What the shell handed the plugin, and the settings file: finding it, reading every
   option from it, and every change the plugin makes to its options. This is the one
   owner of the options: other units read them and ask for changes here. */
#pragma once

#include "core/text.h"
#include "settings/options.h"

#include <windows.h>

/* What the shell handed the plugin at its start, and where its settings are: written
   on the shell's thread by settings.cpp alone, at start and when the settings are read. */
struct ShellLink {
    HINSTANCE instance;
    HWND host;
    HWND slit; /* null when the shell has no Slit */
    char rcPath[TEXT_SIZE];
};

extern ShellLink shellLink;

/* The shell started the plugin: its module and the shell's main window; then, for a
   start through the Slit, the Slit's window (null when the shell has none). */
void shellHandedOver(HINSTANCE instance, HWND host);
void slitHandedOver(HWND slit);

/* Docked in the Slit: the settings say so and the shell handed one over. Without a
   Slit the window floats, and the setting stays stored for a start with one. */
inline bool docked() {
    return options.inSlit && shellLink.slit;
}

/* Finds rcPath among the four places, then reads every option from it. */
void readSettings();
/* Reads the settings again (the shell's reconfigure, a saved edit); true when the
   file's place or any option differs from what was held. For each key the newer change
   wins: a key the file changed since the plugin last read it takes the file's value,
   unless the plugin changed it later; the plugin's own changes not written yet are
   written now. A file that holds none of the keys although it is not empty (the shell
   could not read it) changes nothing. An empty file younger than 2 s is left to the
   watch's next look (a writer may not have finished); so is, unless atOnce (the shell's
   reconfigure reads at once), a file still being written or one that lost keys and has
   not stood so for 2 s. */
bool rereadSettings(bool atOnce = true);
/* What the watch asks before it rereads: how long until the settings are to be read
   again (0 now), or SETTINGS_NO_NEWS when the file in use is as last read or written
   and nothing waits to be written. A file still being written, one that lost keys or
   vanished is waited for until it settles or has stood so for 2 s; another file that
   takes over the first place, until it settles. */
enum { SETTINGS_NO_NEWS = 0xFFFFFFFF };
DWORD settingsReadyIn();
/* What applies options that came from the file when a write or a toggle found the file
   changed and took it first: it must apply them once the message under way has
   returned. Shell's thread. */
void setSettingsApplier(void (*apply)());
/* What is told of every change of the options in memory, whatever made it (a command,
   a move, a file read): the threads' copies of them are handed over again there. */
void setOptionsListener(void (*changed)());
/* What has the settings looked at again after ms milliseconds: the file that changed
   once it has settled, a write that did not land. */
void setSettingsLook(void (*look)(DWORD ms));

/* The plugin's own changes, all on the shell's thread. Each is made in memory at once
   and written at once, key by key on top of the file as it stands, and each write is
   checked: a file changed since the plugin last read or wrote it is taken first; a
   file still being written is left alone, and a write that did not land stays
   pending. Both are tried again later, and never dropped unless the file holds a newer
   value of the key. */
/* Sets an option from a command or the menu: a flag (0 or 1), a number (brought into
   its range) or a choice. */
void setOption(const OptionRow &row, int value);
/* The same in memory only, written with the next change (for a window that must
   already say so while others are told). */
void stageOption(const OptionRow &row, int value);
/* Writes the value held again (the idle time format that goes with a new idle state). */
void rewriteOption(const OptionRow &row);
/* The floating window was moved or sized: the four keys are written when any of
   them changed. */
void windowPlaced(int x, int y, int width, int height);
/* The window's size was notified: the two size keys are written when they changed. */
void windowSized(int width, int height);
/* The user is sizing the window (within the system's sizing loop): the size is written
   when the sizing ends. */
void windowBeingSized(int width, int height);
/* The window leaves the Slit as the plugin ends: the file keeps saying docked, so that
   the next start docks again. */
void leaveSlitAtEnd();
/* Writes every key the file lacks, with the value in use, so that the file lists
   them all. */
void completeSettingsFile();
/* Takes a changed file now, when it has settled (before the plugin acts on what it
   holds, as a toggle does): false when it changed but is still being written, so that
   memory may be older than the file. */
bool catchUpWithSettingsFile();
/* While the user drags or sizes the window nothing is read or written; what changed
   meanwhile is written when the hold ends, on top of the file as it is then. */
void holdSettingsFile(bool held);
bool settingsFileHeld();

/* The four places of the settings file, in the order they are tried: Warblerc and
   Warble.rc beside the plugin, then the same in the shell's folder. */
enum { SETTINGS_PLACES = 4 };
void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]);
/* The first of the places that holds a file, or Warble.rc beside the plugin. */
void findSettingsFile(char path[TEXT_SIZE]);
