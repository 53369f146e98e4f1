/* Winamp behind the seam: its window of class "Winamp v1.x" and its WM_USER and
   WM_COMMAND messages. The players that imitate Winamp's window are followed as Winamp. */
#include "players/kinds.h"
#include "winamp/winamp.h"

static bool askStatus(PlayerLink *link, bool forJob, HWND winamp, int *status) {
    LRESULT answer = 0;
    if (!askFromLink(link, forJob, winamp, WM_USER, 0, IPC_ISPLAYING, &answer)) return false;
    *status = (int)answer;
    return true;
}

static bool askPosition(PlayerLink *link, HWND winamp, int *ms) {
    LRESULT answer = 0;
    if (!askFromLink(link, false, winamp, WM_USER, 0, IPC_GETOUTPUTTIME, &answer)) return false;
    *ms = (int)answer;
    return true;
}

static bool askLength(PlayerLink *link, bool forJob, HWND winamp, int *seconds) {
    LRESULT answer = 0;
    if (!askFromLink(link, forJob, winamp, WM_USER, 1, IPC_GETOUTPUTTIME, &answer)) return false;
    *seconds = (int)answer;
    return true;
}

static bool command(PlayerLink *link, HWND winamp, PlayerCommand command) {
    static const int IDS[] = {WINAMP_PLAY, WINAMP_PAUSE, WINAMP_STOP, WINAMP_NEXT, WINAMP_PREV};
    LRESULT ignored = 0;
    return askFromLink(link, true, winamp, WM_COMMAND, (WPARAM)IDS[command], 0, &ignored);
}

static int clampVolume(int value) {
    return value < 0 ? 0 : value > WINAMP_VOLUME_MAX ? WINAMP_VOLUME_MAX : value;
}

/* The volume the player reads after the change is the one shown. */
static bool stepVolume(PlayerLink *link, HWND winamp, int notches, int step, int *percent) {
    LRESULT volume = 0;
    WPARAM read = (WPARAM)IPC_VOLUME_READ;
    if (!askFromLink(link, true, winamp, WM_USER, read, IPC_SETVOLUME, &volume)) return false;
    int next = clampVolume((int)volume + notches * step);
    if (next != (int)volume &&
        !askFromLink(link, true, winamp, WM_USER, (WPARAM)next, IPC_SETVOLUME, &volume))
        return false;
    if (!askFromLink(link, true, winamp, WM_USER, read, IPC_SETVOLUME, &volume)) return false;
    *percent = (clampVolume((int)volume) * 100 + WINAMP_VOLUME_MAX / 2) / WINAMP_VOLUME_MAX;
    return true;
}

static bool seek(PlayerLink *link, HWND winamp, int ms) {
    LRESULT ignored = 0;
    return askFromLink(link, true, winamp, WM_USER, (WPARAM)ms, IPC_JUMPTOTIME, &ignored);
}

const PlayerKind WINAMP_KIND = {KIND_WINAMP, WINAMP_CLASS, askStatus, askPosition,
                                askLength,   command,      stepVolume, seek};
