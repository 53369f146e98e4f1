/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume or the track. Each message to the player is a
   bounded question, so a hung player costs the shell's thread at most that bound, and
   nothing is sent on without its answer. */
#include "winamp/mouse.h"
#include "core/text.h"
#include "settings/options.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <stdlib.h>

/* Volume change per notch of the wheel: about 3 % of the whole range. */
enum { VOLUME_STEP = 8 };

/* A wheel spun over a hung player costs the shell one bound, not one for each notch:
   the shell's thread leaves a silent player alone for a while. */
static bool ask(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *answer) {
    return askPlayerFromShell(winamp, message, wParam, lParam, answer);
}

static bool sendCommand(HWND winamp, int id) {
    LRESULT ignored = 0;
    return ask(winamp, WM_COMMAND, (WPARAM)id, 0, &ignored);
}

void doubleClicked() {
    HWND winamp = playerStatus.window;
    if (options.doubleClickAction != DOUBLE_CLICK_PLAY_PAUSE || !winamp) return;
    LRESULT status = 0;
    if (!ask(winamp, WM_USER, 0, IPC_ISPLAYING, &status)) return;
    /* Pause toggles between playing and paused; stopped, only play starts. */
    bool started = status == WINAMP_PLAYING || status == WINAMP_PAUSED;
    sendCommand(winamp, started ? WINAMP_PAUSE : WINAMP_PLAY);
}

static void stepVolume(HWND winamp, int notches) {
    LRESULT volume = 0;
    if (!ask(winamp, WM_USER, (WPARAM)IPC_VOLUME_READ, IPC_SETVOLUME, &volume)) return;
    int next = clampInt((int)volume + notches * VOLUME_STEP, 0, WINAMP_VOLUME_MAX);
    if (next != (int)volume) ask(winamp, WM_USER, (WPARAM)next, IPC_SETVOLUME, &volume);
}

/* Up is the next track, down the previous one, a track per notch while the player
   answers. */
static void stepTrack(HWND winamp, int notches) {
    int id = notches > 0 ? WINAMP_NEXT : WINAMP_PREV;
    for (int n = abs(notches); n > 0 && sendCommand(winamp, id); --n) {
    }
}

/* Parts of a notch from a fine wheel, kept until they make a whole one. */
static int wheelCarry;

void wheelTurned(int delta) {
    wheelCarry += delta;
    int notches = wheelCarry / WHEEL_DELTA;
    wheelCarry -= notches * WHEEL_DELTA;
    HWND winamp = playerStatus.window;
    if (notches == 0 || !winamp) return;
    if (options.wheelAction == WHEEL_VOLUME) stepVolume(winamp, notches);
    if (options.wheelAction == WHEEL_TRACK) stepTrack(winamp, notches);
}
