/* A player that speaks the CD Art Display window protocol: its side of the seam, and
   the receiver window through which it announces itself, tells its news and answers
   with its track. */
#pragma once

#include "players/link.h"

/* What came in by the receiver since the link thread last took it. */
enum { CAD_NEWS_TRACK = 1, CAD_NEWS_STATE = 2, CAD_NEWS_GONE = 4, CAD_NEWS_ANNOUNCED = 8 };

/* Link thread. */
/* Makes the hidden receiver window, titled as the protocol has it, when there is none. */
void openCadReceiver(PlayerLink *link);
/* Tells the player registered with the receiver that Warble goes (bounded), and
   removes the receiver. */
void closeCadReceiver(PlayerLink *link);
/* Registers the receiver with player when it is not yet, and asks the player its
   track, which the receiver takes; a track other than the last one read of that player
   is news (CAD_NEWS_TRACK). */
void readCadTrack(PlayerLink *link, HWND player);
/* The news come in, taken (CAD_NEWS_ bits). */
unsigned takeCadNews(PlayerLink *link);

/* Shell's thread: the track of player as last read, a title in Winamp's form into raw
   and the album into album (TEXT_SIZE units each); false when none was read of it. */
bool cadTrack(PlayerLink *link, HWND player, wchar_t *raw, wchar_t *album);
