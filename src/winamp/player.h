/* The plugin's view of Winamp: finding it, asking it, and announcing its status. */
#pragma once

#include <windows.h>

/* Sends one broadcast command text to the shell and waits until it is delivered. */
void postBroadcast(const char *text);
/* One message to Winamp with wParam 0; -1 when Winamp is absent. */
LRESULT winampQuery(LPARAM lParam, UINT message);
LRESULT winampSend(WPARAM wParam, LPARAM lParam, UINT message);
/* Looks Winamp's main window up again; announces it closed when absent. */
void findWinamp();
/* The idle text for the idle state, into out (TEXT_SIZE units). */
void idleText(bool winampCheck, wchar_t *out);
/* The cleaned title of the current track, or the idle text without Winamp. */
void readWinampTitle(wchar_t *out);
/* Re-reads Winamp's status and title, sets the caption, broadcasts the status. */
void queryPlayer();

enum { WINAMP_PLAYING = 1, WINAMP_PAUSED = 3 };
enum { IPC_ISPLAYING = 104, IPC_GETOUTPUTTIME = 105, IPC_JUMPTOTIME = 106 };
