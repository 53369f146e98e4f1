/* The player window's face: state, track and position as text. */
#pragma once

#include "player.h"
#include <windows.h>

/* Paints the whole client area (the window class has no background brush to erase with). */
/* A CAD player (cad) says so and gives its volume in percent, as its protocol does. */
void paintPlayer(HWND hwnd, const Player &player, bool scroll, bool cad);
