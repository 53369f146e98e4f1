/* The player's side of the CD Art Display protocol (--cad): the announcement at start,
   the one registered client, its questions and commands, and the notices it is sent. */
#pragma once

#include "player.h"
#include <windows.h>

/* Keeps the player's window and announces it to a client's receiver window, if one runs. */
void cadStart(HWND player);
/* Answers a WM_USER request (code in lParam) and logs it. shown is the state the client
   was last told of; changed is set when the request changed the model. */
LRESULT cadRequest(Player &player, PlayState shown, WPARAM wParam, LPARAM lParam, bool &changed);
/* Posts the registered client a notice for each thing that changed since it was last
   told: the track, the shown state, the volume. */
void cadNotify(const Player &player, PlayState shown);
/* Tells the registered client that the player is going away. */
void cadGone();

/* The volume as the protocol gives it (0..CAD_VOLUME_MAX) and as the player keeps it. */
int cadVolume(int volume);
int volumeFromCad(int percent);
/* The protocol's number for a play state. */
int cadState(PlayState state);
/* The answer to the track question: the fields of the current track, tab-separated. */
std::wstring cadTrackText(const Player &player);
/* The announcement: "1", the window's class, its title and the program's path. */
std::wstring cadAnnouncement(HWND player);
