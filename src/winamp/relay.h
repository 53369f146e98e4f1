/* The command relay: "@Warble_toWinamp" texts become window messages to Winamp,
   each on a worker thread of its own, and the answers are broadcast back. */
#pragma once

#include "core/messages.h"

#include <windows.h>

enum { RELAY_SLOTS = 10, RELAY_COMMAND_SIZE = 1024 };
/* Relay threads alive at once: the ten working ones and abandoned ones still
   finishing their bounded waits. */
enum { RELAY_THREADS_MAX = 32 };

/* One relay slot: who waits there. The command and its answer belong to its thread. */
struct RelaySlot {
    volatile LONG owner; /* 0 free, 2 * ticket while that command waits, + 1 while it reports;
                            set busy by the shell's thread, left only by compare-and-swap
                            (the thread when done, the shell's thread when abandoning) */
    DWORD startTime;     /* timeGetTime when the slot was taken; shell's thread */
};

/* A relayed command's answer, MSG_RELAY_RESULT (wParam the command's first number,
   lParam the answer), and the close that a relayed close brings, MSG_RELAY_CLOSED
   (wParam the player it closed), posted to the plugin's window: the shell's thread
   broadcasts them. */
LRESULT OnRelayResult(WPARAM first, LPARAM answer);
LRESULT OnRelayClosed(WPARAM closed);

/* Takes a free slot, or abandons the longest-waiting command when all ten are busy,
   and starts the command on its own thread; drops it quietly while RELAY_THREADS_MAX
   relay threads are still alive. Shell's thread only. */
void relayCommand(const char *text, HWND window);
/* Frees every slot at a start: relay threads of an earlier start may still be
   finishing, with tickets of their own, and never take a slot back. */
void resetRelays();
/* Abandons every waiting command: none of their answers is broadcast, and their
   threads end by themselves when their bounded waits end. Shell's thread only. */
void abandonRelays();

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
/* The owner value of a slot whose command with ticket waits (one more while it reports
   its answer). */
inline LONG waitingOwner(LONG ticket) {
    return 2 * ticket;
}
/* The slot of table to abandon: of the slots whose command still waits, the one that
   has waited longest at time now; -1 when none waits. */
int oldestRelaySlot(const RelaySlot (&table)[RELAY_SLOTS], DWORD now);
/* The position in milliseconds for a seek to percent of a track of length seconds;
   the percentage is brought within 0 to 100. */
int seekPosition(int percent, int length);
