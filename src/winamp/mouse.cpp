/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume (and the window shows the player's reading of it
   for a moment) or the track, a middle click does what the user chose. Each message to the player
   is a bounded question, so a hung player costs the shell's thread at most that bound, and nothing
   is sent on without its answer. */
#include "winamp/mouse.h"
#include "core/text.h"
#include "settings/options.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <stdlib.h>

/* How long the window shows the volume after a notch; a further notch extends it. */
enum { VOLUME_SHOWN_MS = 1500 };

/* A wheel spun over a hung player costs the shell one bound, not one for each notch:
   the shell's thread leaves a silent player alone for a while. */
static bool ask(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *answer) {
    return askPlayerFromShell(winamp, message, wParam, lParam, answer);
}

static bool sendCommand(HWND winamp, int id) {
    LRESULT ignored = 0;
    return ask(winamp, WM_COMMAND, (WPARAM)id, 0, &ignored);
}

/* Pause toggles between playing and paused; stopped, only play starts. */
static void playOrPause(HWND winamp) {
    LRESULT status = 0;
    if (!ask(winamp, WM_USER, 0, IPC_ISPLAYING, &status)) return;
    bool started = status == WINAMP_PLAYING || status == WINAMP_PAUSED;
    sendCommand(winamp, started ? WINAMP_PAUSE : WINAMP_PLAY);
}

void doubleClicked() {
    HWND winamp = playerStatus.window;
    if (options.doubleClickAction == DOUBLE_CLICK_PLAY_PAUSE && winamp) playOrPause(winamp);
}

void middleClicked() {
    static const int COMMANDS[] = {0, 0, WINAMP_NEXT, WINAMP_PREV, WINAMP_STOP};
    HWND winamp = playerStatus.window;
    int action = options.middleClickAction;
    if (!winamp || action == MIDDLE_NONE) return;
    if (action == MIDDLE_PLAY_PAUSE)
        playOrPause(winamp);
    else
        sendCommand(winamp, COMMANDS[action]);
}

/* The volume the player reads after the change is what the window shows. */
static void stepVolume(HWND winamp, int notches) {
    LRESULT volume = 0;
    if (!ask(winamp, WM_USER, (WPARAM)IPC_VOLUME_READ, IPC_SETVOLUME, &volume)) return;
    int next = clampInt((int)volume + notches * options.wheelStep, 0, WINAMP_VOLUME_MAX);
    if (next != (int)volume && !ask(winamp, WM_USER, (WPARAM)next, IPC_SETVOLUME, &volume)) return;
    if (!ask(winamp, WM_USER, (WPARAM)IPC_VOLUME_READ, IPC_SETVOLUME, &volume)) return;
    int percent = (clampInt((int)volume, 0, WINAMP_VOLUME_MAX) * 100 + WINAMP_VOLUME_MAX / 2) /
                  WINAMP_VOLUME_MAX;
    wchar_t notice[32];
    _snwprintf(notice, 31, L"Volume %d%%", percent);
    notice[31] = L'\0';
    playerDisplay.showNotice(notice, VOLUME_SHOWN_MS);
}

/* Up is the next track, down the previous one, a track per notch while the player
   answers. */
static void stepTrack(HWND winamp, int notches) {
    int id = notches > 0 ? WINAMP_NEXT : WINAMP_PREV;
    for (int n = abs(notches); n > 0 && sendCommand(winamp, id); --n) {
    }
}

void wheelTurned(int notches) {
    HWND winamp = playerStatus.window;
    if (notches == 0 || !winamp) return;
    if (options.wheelAction == WHEEL_VOLUME) stepVolume(winamp, notches);
    if (options.wheelAction == WHEEL_TRACK) stepTrack(winamp, notches);
}
