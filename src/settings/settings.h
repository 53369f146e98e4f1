/* What the shell handed the plugin, and the settings file: finding it, reading every
   option from it, and every change the plugin makes to its options. This is the one
   owner of the options: other units read them and ask for changes here. */
#pragma once

#include "core/messages.h"
#include "core/owners.h"
#include "core/text.h"
#include "settings/file_stamp.h"
#include "settings/options.h"

#include <windows.h>

/* What the shell handed the plugin at its start: written on the shell's thread by
   settings.cpp alone, as the start begins, and read on that thread alone. A poller,
   which may outlive its start, broadcasts to the copy of the shell's window it took at
   its start, so a new start's rewrite never meets its read. */
struct ShellLink {
    HINSTANCE instance;
    HWND host;
    HWND slit; /* null when the shell has no Slit */
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

/* One start's hold on its settings file: what the file held at the plugin's last read
   or write, the plugin's own changes not in it yet, and the next look at it. Held by
   the start and handed to every call below; written by settings.cpp alone (the
   callbacks by whoever sets them, before the first read), on the shell's thread. A new
   start begins with none of an earlier start's changes or looks. */
struct SettingsSync {
    char path[TEXT_SIZE];          /* the settings file in use, one of the four places */
    FileStamp known;               /* path as last read or written */
    Options inFile;                /* what path held then */
    unsigned long long keysInFile; /* rows whose key path held then */
    unsigned long long pending;    /* rows whose value in memory is the plugin's own
                                      change, not in the file yet */
    ULONGLONG changedAt[64];       /* when the plugin made each pending change, by row
                                      (rowBit: at most 64 rows) */
    unsigned long long toggles;    /* toggles waiting for the file to settle: two of one
                                      option cancel out */
    FileStamp toggledOver[64];     /* the file as it was when each waiting toggle was made:
                                      a save after it that changed its key wins */
    bool held;                     /* the user drags or sizes the window */
    bool commentNewKeys;           /* a key written now that the file lacks comes after a comment
                                      naming its values ("Edit") */
    bool gone;                     /* path was found gone, and has not been found since */
    DWORD goneSince;               /* when path was first found gone (a tick: any value) */
    DWORD retryIn;                 /* the pause before a write that did not land is tried
                                      again */
    Timer nextLook;                /* the next look, at a change that has not settled or
                                      at a write to try again */
    DWORD lookDue;                 /* when the next look is due, while nextLook is set */
    DWORD lastRead;                /* when the watch last had the file read */
    HWND window;        /* the start's window: told to apply options taken from the file, and
                           whose timer looks again; none before it is made or once it goes */
    void (*listener)(); /* told of every change of the options in memory */
};

/* Finds the file among the four places, then reads every option from it, and forgets
   any change or look of an earlier read. */
void readSettings(SettingsSync &sync);
/* Reads the settings again (the shell's reconfigure, a saved edit); true when the
   file's place or any option differs from what was held. For each key the newer change
   wins: a key the file changed since the plugin last read it takes the file's value,
   unless the plugin changed it later; the plugin's own changes not written yet are
   written now. A file that holds none of the keys although it is not empty (the shell
   could not read it) changes nothing. An empty file younger than 2 s is left to the
   watch's next look (a writer may not have finished); so is, unless atOnce (the shell's
   reconfigure reads at once), a file still being written or one that lost keys and has
   not stood so for 2 s. */
bool rereadSettings(SettingsSync &sync, bool atOnce = true);
/* What the watch asks before it rereads: how long until the settings are to be read
   again (0 now), or SETTINGS_NO_NEWS when the file in use is as last read or written
   and nothing waits to be written. A file still being written, one that lost keys or
   vanished is waited for until it settles or has stood so for 2 s; another file that
   takes over the first place, until it settles. */
enum { SETTINGS_NO_NEWS = 0xFFFFFFFF };
DWORD settingsReadyIn(SettingsSync &sync);
/* Options that came from the file when a write or a toggle found the file changed and
   took it first must apply once the message under way has returned: MSG_SETTINGS_APPLY
   is posted to the start's window for them, which is also the one whose timer looks at
   the file again (null: the window is gone). Shell's thread. */
void setSettingsWindow(SettingsSync &sync, HWND window);
/* What is told of every change of the options in memory, whatever made it (a command,
   a move, a file read): the threads' copies of them are handed over again there. */
void setOptionsListener(SettingsSync &sync, void (*changed)());
/* Has the settings looked at again in ms milliseconds through window's timer (its
   SETTINGS_WATCH_TIMER), unless a look comes sooner: the file that changed once it has
   settled, a write that did not land. Without a window (none yet, or gone) no look is
   set. */
enum { SETTINGS_WATCH_TIMER = 0x5741 };
void lookAtSettingsIn(SettingsSync &sync, DWORD ms);
/* The look is due: the timer is stopped, and the next look is to be set anew. */
void settingsLookDue(SettingsSync &sync);

/* The plugin's own changes, all on the shell's thread. Each is made in memory at once
   and written at once, key by key on top of the file as it stands, and each write is
   checked: a file changed since the plugin last read or wrote it is taken first; a
   file still being written is left alone, and a write that did not land stays
   pending. Both are tried again later, and never dropped unless the file holds a newer
   value of the key. */
/* Sets an option from a command or the menu: a flag (0 or 1), a number (brought into
   its range) or a choice. */
void setOption(SettingsSync &sync, const OptionRow &row, int value);
/* The same in memory only, written with the next change (for a window that must
   already say so while others are told). */
void stageOption(SettingsSync &sync, const OptionRow &row, int value);
/* Writes the value held again (the idle time format that goes with a new idle state). */
void rewriteOption(SettingsSync &sync, const OptionRow &row);
/* The floating window was moved or sized: the four keys are written when any of
   them changed. */
void windowPlaced(SettingsSync &sync, int x, int y, int width, int height);
/* The window's size was notified: the two size keys are written when they changed. */
void windowSized(SettingsSync &sync, int width, int height);
/* The user is sizing the window (within the system's sizing loop): the size is written
   when the sizing ends. */
void windowBeingSized(SettingsSync &sync, int width, int height);
/* The window leaves the Slit as the plugin ends: the file keeps saying docked, so that
   the next start docks again. */
void leaveSlitAtEnd(SettingsSync &sync);
/* Writes every key the file lacks, with the value in use, so that the file lists
   them all (a number left unset stays out: its absence says so). False, and nothing
   written, for a file over COMPLETED_FILE_MAX bytes. */
enum { COMPLETED_FILE_MAX = 256 * 1024 };
bool completeSettingsFile(SettingsSync &sync);
/* Takes a changed file now, when it has settled (before the plugin acts on what it
   holds, as a toggle does): false when it changed but is still being written, so that
   memory may be older than the file. */
bool catchUpWithSettingsFile(SettingsSync &sync);
/* A toggle of row that came while the file was still being written: it waits, and two
   of one option cancel out. */
void toggleWhenSettled(SettingsSync &sync, const OptionRow &row);
/* The toggles that waited, once the file has settled and been taken (then they are
   handed over and forgotten); 0 while they still wait or none does. */
unsigned long long settledToggles(SettingsSync &sync);
/* While the user drags or sizes the window nothing is read or written; what changed
   meanwhile is written when the hold ends, on top of the file as it is then. */
void holdSettingsFile(SettingsSync &sync, bool held);
bool settingsFileHeld(const SettingsSync &sync);

/* The four places of the settings file, in the order they are tried: Warblerc and
   Warble.rc beside the plugin, then the same in the shell's folder. */
enum { SETTINGS_PLACES = 4 };
void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]);
/* The first of the places that holds a file, or Warble.rc beside the plugin. */
void findSettingsFile(char path[TEXT_SIZE]);
