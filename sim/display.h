/* The player window's face: state, track and position as text. */
#pragma once

#include "player.h"
#include <windows.h>

/* Paints the whole client area (the window class has no background brush to erase with). */
void paintPlayer(HWND hwnd, const Player &player, bool scroll);
