/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume (and the window shows the player's reading of it
   for a moment) or the track, a middle click does what the user chose. Each message to the player
   is a bounded question, so a hung player costs the shell's thread at most that bound, and nothing
   is sent on without its answer. A Ctrl+click on the progress line seeks on a worker thread of
   its own, as relayed commands are carried out: the shell's thread never waits for it. */
#include "winamp/mouse.h"
#include "core/text.h"
#include "core/threads.h"
#include "settings/options.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <limits.h>
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

/* A seek under way: set by the shell's thread when it starts one, cleared by that seek's
   thread as its last step. A click meanwhile (a player slow to answer) is dropped. */
static volatile LONG seeking;

/* The part of the track in ten-thousandths: fine enough for any window's width. */
enum { SEEK_SCALE = 10000 };

/* The position to jump to, in ms, for part ten-thousandths of a track of length s. */
static int seekMilliseconds(int part, int length) {
    if (part < 0) part = 0;
    if (part > SEEK_SCALE) part = SEEK_SCALE;
    long long ms = (long long)length * 1000 * part / SEEK_SCALE;
    return ms > INT_MAX ? INT_MAX : (int)ms;
}

/* Asks the player its state and length, then jumps: a stopped player, and a stream,
   which has no length, are left as they are. */
static void seekPlayer(int part) {
    HWND winamp = playerStatus.window;
    LRESULT status = 0, length = 0, ignored = 0;
    if (!winamp || !askPlayer(winamp, WM_USER, 0, IPC_ISPLAYING, RELAY_ANSWER_MS, &status)) return;
    if (status != WINAMP_PLAYING && status != WINAMP_PAUSED) return;
    if (!askPlayer(winamp, WM_USER, 1, IPC_GETOUTPUTTIME, RELAY_ANSWER_MS, &length) || length <= 0)
        return;
    askPlayer(winamp, WM_USER, (WPARAM)seekMilliseconds(part, (int)length), IPC_JUMPTOTIME,
              RELAY_ANSWER_MS, &ignored);
}

static DWORD WINAPI seekThread(LPVOID parameter) {
    seekPlayer((int)(INT_PTR)parameter);
    InterlockedExchange(&seeking, 0);
    return 0;
}

void seekClicked(float fraction) {
    int state = playerStatus.playState;
    if (!playerStatus.window || (state != WINAMP_PLAYING && state != WINAMP_PAUSED)) return;
    if (InterlockedCompareExchange(&seeking, 1, 0) != 0) return;
    int part = (int)(fraction * SEEK_SCALE + 0.5f);
    if (!startPluginThread(seekThread, (LPVOID)(INT_PTR)part)) InterlockedExchange(&seeking, 0);
}
