/* winamp-sim.exe as the player the plugin talks to: started and stopped by the
   benchmark, and driven through its remote-control messages. */
#pragma once

#include <string>
#include <windows.h>

/* Starts the player, logging into folder, and waits for its window; null on failure
   (or when a player of that kind already runs on this display: it would answer in its
   place). With cad set, the player speaks the CD Art Display protocol instead of
   Winamp's. One player at a time: stop it before starting the next. */
HWND startPlayer(const std::string &folder, bool cad = false);
/* Asks the player to quit and waits for it; ends it by force only if it will not. */
void stopPlayer();
/* Hands the player one remote-control command, as "winamp-sim --send" does. */
void sendToPlayer(HWND player, const char *command);
/* Renames the player's track to title and a number, and times until line is in the
   shell's event record, in ms; -1 when it never is. */
double timeRename(HWND player, const char *title, int number, const char *line);
