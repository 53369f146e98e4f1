/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume or the track. Each message to the player is a
   bounded question, so a hung player costs the shell's thread at most that bound and
   is then left alone: nothing is sent on without its answer. */
#include "display/mouse.h"
#include "plugin/state.h"
#include "winamp/player.h"

#include <stdlib.h>

/* Winamp's command ids for WM_COMMAND, and its volume request: wParam the new volume,
   or READ_VOLUME to only read it. */
enum {
    COMMAND_PREVIOUS = 40044,
    COMMAND_PLAY = 40045,
    COMMAND_PAUSE = 40046,
    COMMAND_NEXT = 40048
};
enum { IPC_SETVOLUME = 122, READ_VOLUME = -666, VOLUME_MAX = 255 };
/* Volume change per notch of the wheel: about 3 % of the whole range. */
enum { VOLUME_STEP = 8 };

static bool sendCommand(HWND winamp, int id) {
    LRESULT ignored = 0;
    return askPlayer(winamp, WM_COMMAND, (WPARAM)id, 0, PLAYER_QUERY_MS, &ignored);
}

void doubleClicked() {
    HWND winamp = warble.hwndWinamp;
    if (warble.doubleClickAction != DOUBLE_CLICK_PLAY_PAUSE || !winamp) return;
    LRESULT status = 0;
    if (!askPlayer(winamp, WM_USER, 0, IPC_ISPLAYING, PLAYER_QUERY_MS, &status)) return;
    /* Pause toggles between playing and paused; stopped, only play starts. */
    bool started = status == WINAMP_PLAYING || status == WINAMP_PAUSED;
    sendCommand(winamp, started ? COMMAND_PAUSE : COMMAND_PLAY);
}

static void stepVolume(HWND winamp, int notches) {
    LRESULT volume = 0;
    if (!askPlayer(winamp, WM_USER, (WPARAM)READ_VOLUME, IPC_SETVOLUME, PLAYER_QUERY_MS, &volume))
        return;
    int next = clampInt((int)volume + notches * VOLUME_STEP, 0, VOLUME_MAX);
    if (next != (int)volume)
        askPlayer(winamp, WM_USER, (WPARAM)next, IPC_SETVOLUME, PLAYER_QUERY_MS, &volume);
}

/* Up is the next track, down the previous one, a track per notch while the player
   answers. */
static void stepTrack(HWND winamp, int notches) {
    int id = notches > 0 ? COMMAND_NEXT : COMMAND_PREVIOUS;
    for (int n = abs(notches); n > 0 && sendCommand(winamp, id); --n) {
    }
}

/* Parts of a notch from a fine wheel, kept until they make a whole one. */
static int wheelCarry;

void wheelTurned(int delta) {
    wheelCarry += delta;
    int notches = wheelCarry / WHEEL_DELTA;
    wheelCarry -= notches * WHEEL_DELTA;
    HWND winamp = warble.hwndWinamp;
    if (notches == 0 || !winamp) return;
    if (warble.wheelAction == WHEEL_VOLUME) stepVolume(winamp, notches);
    if (warble.wheelAction == WHEEL_TRACK) stepTrack(winamp, notches);
}
