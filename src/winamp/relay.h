/* The command relay: "@Warble_toWinamp" texts become window messages to Winamp,
   each on a worker thread of its own, and the answers are broadcast back. */
#pragma once

#include <windows.h>

/* Takes a slot (evicting the longest-waiting command when all ten are busy)
   and starts the command on its own thread. Shell's thread only. */
void relayCommand(const char *text);
/* Ends the slot's thread when one runs there and frees the slot. */
void endRelaySlot(int index);
DWORD WINAPI relayThread(LPVOID slotIndex);

/* A command split into its tokens. */
struct RelayRequest {
    char kind[260];
    int first;
    int second;
};
/* Splits a command; false when it has fewer than three tokens. */
bool parseRelayCommand(const char *text, RelayRequest *request);
/* Reads an optionally signed decimal number as the C library's atoi would,
   but saturating instead of overflowing. */
int readNumber(const char *text);
/* The slot to evict: the busy one that has waited longest at time now. */
int oldestRelaySlot(DWORD now);
