/* The window title in Winamp's own forms. */
#pragma once

#include "player.h"
#include <string>

/* Shown when the playlist is empty. */
extern const char BARE_TITLE[];

/* "N. Artist - Title - Winamp", with " [Paused]" or " [Stopped]" after it. */
std::string plainTitle(const Player &player);
/* The scrolling form: plain + " *** " read as a ring, starting shift characters in. */
std::string scrolledTitle(const std::string &plain, size_t shift);
