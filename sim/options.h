/* The command line: start-up options, --help and the --send remote control. */
#pragma once

#include "player.h"
#include "playlist.h"

struct Options {
    const char *playlistPath = nullptr;
    const char *logPath = nullptr;
    bool cad = false; /* speaks the CD Art Display protocol instead of Winamp's */
    bool empty = false;
    bool scroll = false;
    bool stream = false;
    PlayState state = STATE_PLAYING;
    int track = 0;           /* 1-based; 0 leaves the first */
    long long position = -1; /* ms; -1 starts at the beginning */
};

/* Reads the options. Returns -1 to go on and open the player, else the exit code to end
   with at once (after --help, or after --send has handed its command over). */
int readOptions(int argc, char **argv, Options &o);

/* The playlist to start with: none, the file's, or the built-in one. Returns -1 to go
   on, or 2 (said why) when the file cannot be read or lacks the starting track. */
int startPlaylist(const Options &o, Playlist &list);
/* Applies the starting track, state and position. */
void startPlayer(Player &player, const Options &o);
