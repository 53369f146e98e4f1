/* The mouse over the display window drives the player: a double-click plays or
   pauses, the wheel steps the volume (and the window shows the player's reading of it
   for a moment) or the track, a middle click does what the user chose, and a Ctrl+click
   on the progress line seeks there. The shell's thread reads the options and hands
   the link thread a job; the link thread asks the player, each question bounded, and
   sends nothing on without its answer. */
#include "winamp/mouse.h"
#include "core/part.h"
#include "core/text.h"
#include "players/kinds.h"
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
    static const PlayerCommand COMMANDS[] = {PLAYER_PLAY, PLAYER_PLAY, PLAYER_NEXT,
                                              PLAYER_PREVIOUS, PLAYER_STOP};
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

/* Pause toggles between playing and paused; stopped, only play starts. */
static void playOrPause(PlayerLink *link, const PlayerKind *kind, HWND player) {
    int status = 0;
    if (!kind->askStatus(link, true, player, &status)) return;
    bool started = status == WINAMP_PLAYING || status == WINAMP_PAUSED;
    kind->command(link, player, started ? PLAYER_PAUSE : PLAYER_PLAY);
}

/* The volume the player reads after the change is what the window shows. */
static void stepVolume(PlayerLink *link, const PlayerKind *kind, HWND player, int notches,
                       int step, HWND plugin) {
    int percent = 0;
    if (kind->stepVolume(link, player, notches, step, &percent))
        PostMessageA(plugin, MSG_PLAYER_VOLUME, (WPARAM)percent, 0);
}

/* Up is the next track, down the previous one, a track per notch while the player
   answers. */
static void stepTrack(PlayerLink *link, const PlayerKind *kind, HWND player, int notches) {
    PlayerCommand command = notches > 0 ? PLAYER_NEXT : PLAYER_PREVIOUS;
    for (int n = abs(notches); n > 0 && kind->command(link, player, command); --n) {
    }
}

/* The position to jump to, in ms, for part (of PART_SCALE) of a track of length s. No
   further than the start of its last second: a jump to its very end is the end of the
   track, and the player goes on to the next one. */
static int seekMilliseconds(int part, int length) {
    int ms = MulDiv(length, clampInt(part, 0, PART_SCALE), PART_SCALE / 1000);
    int last = length - 1 < INT_MAX / 1000 ? (length - 1) * 1000 : INT_MAX;
    return ms < 0 || ms > last ? last : ms; /* MulDiv: a product that overflows is -1 */
}

/* Asks the player its state and length, then jumps: a stopped player, and a stream,
   which has no length, are left as they are. */
static void seekPlayer(PlayerLink *link, const PlayerKind *kind, HWND player, int part) {
    int status = 0, length = 0;
    if (!kind->askStatus(link, true, player, &status)) return;
    if (status != WINAMP_PLAYING && status != WINAMP_PAUSED) return;
    if (!kind->askLength(link, true, player, &length) || length <= 0) return;
    kind->seek(link, player, seekMilliseconds(part, length));
}

void seekClicked(PlayerLink *link, float fraction) {
    int state = playerStatus.playState;
    if (!playerStatus.window || (state != WINAMP_PLAYING && state != WINAMP_PAUSED)) return;
    handMouseJob(link, JOB_SEEK, (int)(fraction * PART_SCALE + 0.5f), 0);
}

/* A click or a notch that waited longer than the player is given to answer (the link
   thread was waiting for a hung player) is dropped: it is not sent on after the hang. */
void runMouseJob(PlayerLink *link, const LinkJob &job, HWND plugin) {
    HWND player = playerStatus.window;
    const PlayerKind *kind = kindOf(player);
    if (!kind || GetTickCount() - job.handed > PLAYER_QUERY_MS) return;
    switch (job.kind) {
    case JOB_PLAY_PAUSE: return playOrPause(link, kind, player);
    case JOB_COMMAND: kind->command(link, player, (PlayerCommand)job.number); return;
    case JOB_VOLUME: return stepVolume(link, kind, player, job.number, job.step, plugin);
    case JOB_TRACK: return stepTrack(link, kind, player, job.number);
    case JOB_SEEK: return seekPlayer(link, kind, player, job.number);
    case JOB_LOOK: return;
    }
}
