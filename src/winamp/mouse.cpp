/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume (and the window shows the player's reading of it
   for a moment) or the track, a middle click does what the user chose, and a Ctrl+click
   on the progress line seeks there. The shell's thread reads the options and hands
   the link thread a job; the link thread asks the player, each question bounded, and
   sends nothing on without its answer. */
#include "winamp/mouse.h"
#include "core/part.h"
#include "core/text.h"
#include "core/threads.h"
#include "settings/options.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <limits.h>
#include <stdlib.h>

/* How long the window shows the volume after a notch; a further notch extends it. */
enum { VOLUME_SHOWN_MS = 1500 };

static void handMouseJob(PlayerLink *link, LinkJobKind kind, int number, int step) {
    handToLink(link, {kind, 0, 0, nullptr, number, step, 0});
}

void doubleClicked(PlayerLink *link) {
    if (options.doubleClickAction == DOUBLE_CLICK_PLAY_PAUSE && playerStatus.window)
        handMouseJob(link, JOB_PLAY_PAUSE, 0, 0);
}

void middleClicked(PlayerLink *link) {
    static const int COMMANDS[] = {0, 0, WINAMP_NEXT, WINAMP_PREV, WINAMP_STOP};
    int action = options.middleClickAction;
    if (!playerStatus.window || action == MIDDLE_NONE) return;
    if (action == MIDDLE_PLAY_PAUSE)
        handMouseJob(link, JOB_PLAY_PAUSE, 0, 0);
    else
        handMouseJob(link, JOB_COMMAND, COMMANDS[action], 0);
}

void wheelTurned(PlayerLink *link, int notches) {
    if (notches == 0 || !playerStatus.window) return;
    if (options.wheelAction == WHEEL_VOLUME)
        handMouseJob(link, JOB_VOLUME, notches, options.wheelStep);
    if (options.wheelAction == WHEEL_TRACK) handMouseJob(link, JOB_TRACK, notches, 0);
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

/* The position to jump to, in ms, for part (of PART_SCALE) of a track of length s
   (MulDiv: a product that overflows is -1, the track's end is as far as it goes). */
static int seekMilliseconds(int part, int length) {
    if (part < 0) part = 0;
    if (part > PART_SCALE) part = PART_SCALE;
    int ms = MulDiv(length, part, PART_SCALE / 1000);
    return ms < 0 ? INT_MAX : ms;
}

/* Asks the player its state and length, then jumps: a stopped player, and a stream,
   which has no length, are left as they are. */
static void seekPlayer(PlayerLink *link, HWND winamp, int part) {
    LRESULT status = 0, length = 0, ignored = 0;
    if (!askFromLink(link, true, winamp, WM_USER, 0, IPC_ISPLAYING, &status)) return;
    if (status != WINAMP_PLAYING && status != WINAMP_PAUSED) return;
    if (!askFromLink(link, true, winamp, WM_USER, 1, IPC_GETOUTPUTTIME, &length) || length <= 0)
        return;
    askFromLink(link, true, winamp, WM_USER, (WPARAM)seekMilliseconds(part, (int)length),
                IPC_JUMPTOTIME, &ignored);
}

void seekClicked(PlayerLink *link, float fraction) {
    int state = playerStatus.playState;
    if (!playerStatus.window || (state != WINAMP_PLAYING && state != WINAMP_PAUSED)) return;
    handMouseJob(link, JOB_SEEK, (int)(fraction * PART_SCALE + 0.5f), 0);
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
    case JOB_SEEK: return seekPlayer(link, winamp, job.number);
    case JOB_LOOK: return;
    }
}
