/* The window title in Winamp's own forms, and a CAD player's. */
#pragma once

#include "player.h"
#include <string>

/* Shown when the playlist is empty. */
extern const wchar_t BARE_TITLE[];

/* "N. Artist - Title - Winamp", with " [Paused]" or " [Stopped]" after it as the state
   shown says (a quiet change of state leaves the title as it was). */
std::wstring plainTitle(const Player &player, PlayState shown);
/* A CAD player's title, which tells no state: "Artist - Title - CAD Player". */
std::wstring cadTitle(const Player &player);
/* The scrolling form: plain + " *** " read as a ring, starting shift UTF-16 units in,
   as Winamp rotates it. */
std::wstring scrolledTitle(const std::wstring &plain, size_t shift);
