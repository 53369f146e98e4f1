/* Remote control: "winamp-sim [--cad] --send CMD [ARGS]" hands a command text to the running
   player with WM_COPYDATA; the player reads it back into a RemoteCommand. */
#pragma once

#include <string>
#include <windows.h>

/* dwData of the WM_COPYDATA that carries a command text. */
enum { REMOTE_COPYDATA_CODE = 0x5753494D, REMOTE_TEXT_MAX = 1023, REMOTE_ANSWER_MS = 10000 };
/* The player's answer to a command it took but cannot carry out. */
enum { REMOTE_REFUSED = 2 };

enum RemoteKind {
    REMOTE_UNKNOWN,
    REMOTE_PLAY,
    REMOTE_PAUSE,
    REMOTE_STOP,
    REMOTE_NEXT,
    REMOTE_PREV,
    REMOTE_TITLE,  /* text */
    REMOTE_SEEK,   /* number: ms */
    REMOTE_LENGTH, /* number: seconds */
    REMOTE_STATE,  /* number: a PlayState */
    REMOTE_QUIET,  /* number: a PlayState, taken on without a word to anyone */
    REMOTE_TRACK,  /* number: 1-based */
    REMOTE_SCROLL, /* number: 1 on, 0 off */
    REMOTE_EMPTY,
    REMOTE_HANG, /* number: ms */
    REMOTE_QUIT,
};

struct RemoteCommand {
    RemoteKind kind = REMOTE_UNKNOWN;
    long long number = 0;
    std::string text;
};

/* Finds the running player by its window class (Winamp's or CAD's) and hands it
   words[0..count) joined by blanks.
   Returns the process exit code: 0 sent, 1 no player runs, 2 it cannot carry the command
   out (a track its playlist does not have), 3 it did not answer. */
int sendRemote(const char *playerClass, char **words, int count);

/* Reads the command text out of a WM_COPYDATA; false when it is not ours. */
bool receiveRemote(const COPYDATASTRUCT *data, std::string &text);
/* Parses "CMD [ARGS]"; unknown commands and bad arguments give REMOTE_UNKNOWN. */
RemoteCommand parseRemote(const std::string &text);
