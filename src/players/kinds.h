/* The kinds of player Warble follows, behind one seam: each kind is one unit that knows
   its own messages (winamp.cpp, cad.cpp), and everything above the seam asks through a
   kind's table without knowing which it is. Only the link thread calls a kind's
   questions and commands, each bounded; the shell's thread only names a window's kind
   and reads what the link thread keeps. To add a kind: a table here, its unit beside the
   others, and its bit among KIND_. */
#pragma once

#include "players/link.h"

#include <windows.h>

/* The kinds the options allow, as bits (Warble.plugin.player: Auto allows both). */
enum { KIND_WINAMP = 1, KIND_CAD = 2, KIND_ANY = KIND_WINAMP | KIND_CAD };

/* What the mouse and the relay of statuses ask of any player. */
enum PlayerCommand { PLAYER_PLAY, PLAYER_PAUSE, PLAYER_STOP, PLAYER_NEXT, PLAYER_PREVIOUS };

/* One kind's conversation. The status is told in the shared numbering (WINAMP_PLAYING,
   WINAMP_PAUSED, anything else stopped); positions in ms, lengths in seconds (-1 for a
   stream). Each call is false when the player did not answer. */
struct PlayerKind {
    int bit;                 /* its KIND_ bit */
    const char *windowClass; /* how a running player of the kind is found */
    bool (*askStatus)(PlayerLink *link, bool forJob, HWND player, int *status);
    bool (*askPosition)(PlayerLink *link, HWND player, int *ms);
    bool (*askLength)(PlayerLink *link, bool forJob, HWND player, int *seconds);
    bool (*command)(PlayerLink *link, HWND player, PlayerCommand command);
    /* Steps the volume by notches of step (in Winamp's 0-255 units, which the wheel's
       step is set in), and reads it back in percent. */
    bool (*stepVolume)(PlayerLink *link, HWND player, int notches, int step, int *percent);
    bool (*seek)(PlayerLink *link, HWND player, int ms);
};

extern const PlayerKind WINAMP_KIND, CAD_KIND;

/* The kind of a player window, by its class; null for none. A window of another class
   (one that was followed as a player and is gone, or a stand-in) is spoken to as Winamp,
   the protocol Warble has always spoken. Any thread: it sends the window nothing. */
const PlayerKind *kindOf(HWND player);
/* The first window of a kind the bits allow, never gone: Winamp's before a CAD player's. */
HWND firstPlayerOf(LONG kinds, HWND gone);
/* The known player while its window exists, is not gone and its kind is allowed, else
   the first one found (never gone). Sends nothing: any thread. */
HWND findPlayer(HWND known, HWND gone, LONG kinds);
