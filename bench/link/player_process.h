/* winamp-sim.exe as the player the plugin talks to: started and stopped by the
   benchmark, and driven through its remote-control messages. */
#pragma once

#include <string>
#include <windows.h>

/* Starts the player, logging into folder, and waits for its window; null on failure
   (or when a player already runs on this display: it would answer in its place). */
HWND startPlayer(const std::string &folder);
/* Asks the player to quit and waits for it; ends it by force only if it will not. */
void stopPlayer();
/* Hands the player one remote-control command, as "winamp-sim --send" does. */
void sendToPlayer(HWND player, const char *command);
