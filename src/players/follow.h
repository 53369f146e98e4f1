/* Which player the link thread follows, and its reading. */
#pragma once

#include "players/link.h"

/* Finds the player to follow and asks its status; the reading is kept. The known player
   is kept while its window exists and its kind is allowed, so that a second one started
   meanwhile never takes its place, unless it is of another kind and has just started to
   play while the known one has not: then it is followed (the one that started last).
   A player gone is never taken. False when a player was found but did not answer. */
bool readPlayer(PlayerLink *link, HWND known, HWND gone, bool forJob, PlayerReading *out);
