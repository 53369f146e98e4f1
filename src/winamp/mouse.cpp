/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume (and the window shows the player's reading of it
   for a moment) or the track, a middle click does what the user chose. The shell's
   thread reads the options and hands the link thread a job; the link thread asks the
   player, each question bounded, and sends nothing on without its answer. */
#include "winamp/mouse.h"
#include "core/text.h"
#include "settings/options.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <stdlib.h>

/* How long the window shows the volume after a notch; a further notch extends it. */
enum { VOLUME_SHOWN_MS = 1500 };

static void handMouseJob(LinkJobKind kind, int number, int step) {
    handToLink({kind, 0, 0, nullptr, number, step, 0});
}

void doubleClicked() {
    if (options.doubleClickAction == DOUBLE_CLICK_PLAY_PAUSE && playerStatus.window)
        handMouseJob(JOB_PLAY_PAUSE, 0, 0);
}

void middleClicked() {
    static const int COMMANDS[] = {0, 0, WINAMP_NEXT, WINAMP_PREV, WINAMP_STOP};
    int action = options.middleClickAction;
    if (!playerStatus.window || action == MIDDLE_NONE) return;
    if (action == MIDDLE_PLAY_PAUSE)
        handMouseJob(JOB_PLAY_PAUSE, 0, 0);
    else
        handMouseJob(JOB_COMMAND, COMMANDS[action], 0);
}

/* Parts of a notch from a fine wheel, kept until they make a whole one. */
static int wheelCarry;

void wheelTurned(int delta) {
    wheelCarry += delta;
    int notches = wheelCarry / WHEEL_DELTA;
    wheelCarry -= notches * WHEEL_DELTA;
    if (notches == 0 || !playerStatus.window) return;
    if (options.wheelAction == WHEEL_VOLUME) handMouseJob(JOB_VOLUME, notches, options.wheelStep);
    if (options.wheelAction == WHEEL_TRACK) handMouseJob(JOB_TRACK, notches, 0);
}

LRESULT OnPlayerVolume(WPARAM percent) {
    wchar_t notice[32];
    _snwprintf(notice, 31, L"Volume %d%%", (int)percent);
    notice[31] = L'\0';
    playerDisplay.showNotice(notice, VOLUME_SHOWN_MS);
    return 0;
}

static bool sendCommand(PlayerLink *link, HWND winamp, int id) {
    LRESULT ignored = 0;
    return askFromLink(link, true, winamp, WM_COMMAND, (WPARAM)id, 0, &ignored);
}

/* Pause toggles between playing and paused; stopped, only play starts. */
static void playOrPause(PlayerLink *link, HWND winamp) {
    LRESULT status = 0;
    if (!askFromLink(link, true, winamp, WM_USER, 0, IPC_ISPLAYING, &status)) return;
    bool started = status == WINAMP_PLAYING || status == WINAMP_PAUSED;
    sendCommand(link, winamp, started ? WINAMP_PAUSE : WINAMP_PLAY);
}

/* The volume the player reads after the change is what the window shows. */
static void stepVolume(PlayerLink *link, HWND winamp, int notches, int step, HWND plugin) {
    LRESULT volume = 0;
    WPARAM read = (WPARAM)IPC_VOLUME_READ;
    if (!askFromLink(link, true, winamp, WM_USER, read, IPC_SETVOLUME, &volume)) return;
    int next = clampInt((int)volume + notches * step, 0, WINAMP_VOLUME_MAX);
    if (next != (int)volume &&
        !askFromLink(link, true, winamp, WM_USER, (WPARAM)next, IPC_SETVOLUME, &volume))
        return;
    if (!askFromLink(link, true, winamp, WM_USER, read, IPC_SETVOLUME, &volume)) return;
    int percent = (clampInt((int)volume, 0, WINAMP_VOLUME_MAX) * 100 + WINAMP_VOLUME_MAX / 2) /
                  WINAMP_VOLUME_MAX;
    PostMessageA(plugin, MSG_PLAYER_VOLUME, (WPARAM)percent, 0);
}

/* Up is the next track, down the previous one, a track per notch while the player
   answers. */
static void stepTrack(PlayerLink *link, HWND winamp, int notches) {
    int id = notches > 0 ? WINAMP_NEXT : WINAMP_PREV;
    for (int n = abs(notches); n > 0 && sendCommand(link, winamp, id); --n) {
    }
}

/* A click or a notch that waited longer than the player is given to answer (the link
   thread was waiting for a hung player) is dropped: it is not sent on after the hang. */
void runMouseJob(PlayerLink *link, const LinkJob &job, HWND plugin) {
    HWND winamp = playerStatus.window;
    if (!winamp || GetTickCount() - job.handed > PLAYER_QUERY_MS) return;
    switch (job.kind) {
    case JOB_PLAY_PAUSE: return playOrPause(link, winamp);
    case JOB_COMMAND: sendCommand(link, winamp, job.number); return;
    case JOB_VOLUME: return stepVolume(link, winamp, job.number, job.step, plugin);
    case JOB_TRACK: return stepTrack(link, winamp, job.number);
    case JOB_LOOK: return;
    }
}
