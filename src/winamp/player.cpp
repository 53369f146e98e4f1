/* Player status: the senders every message to Winamp or the shell goes through,
   the idle texts, and queryPlayer, which recomputes the caption and status. */
#include "winamp/player.h"
#include "display/render.h"
#include "display/visibility.h"
#include "plugin/state.h"
#include "winamp/title.h"

#include <time.h>

void postBroadcast(const char *text) {
    char copy[TEXT_SIZE];
    copyText(copy, text, sizeof copy);
    SendMessageA(warble.hwndHost, MSG_BROADCAST, 0, (LPARAM)copy);
}

LRESULT winampSend(WPARAM wParam, LPARAM lParam, UINT message) {
    HWND winamp = warble.hwndWinamp;
    if (!winamp) return -1;
    return SendMessageA(winamp, message, wParam, lParam);
}

LRESULT winampQuery(LPARAM lParam, UINT message) {
    return winampSend(0, lParam, message);
}

void findWinamp() {
    warble.hwndWinamp = FindWindowA("Winamp v1.x", nullptr);
    if (!warble.hwndWinamp) postBroadcast("@Warble_fromWinamp_Closed");
}

void idleText(bool winampCheck, char *out) {
    /* The texts are copied under the lock: the shell's thread may be
       re-reading the settings while the poller asks for the time. */
    DisplayLock lock;
    switch (warble.idleState) {
    case 0:
        copyText(out,
                 winampCheck && warble.hwndWinamp ? "Playback Stopped" : "Couldn't Find Winamp",
                 TEXT_SIZE);
        break;
    case 1: {
        time_t now = time(nullptr);
        struct tm local = *localtime(&now);
        formatIdleTime(warble.idleTimeFormat, &local, out, TEXT_SIZE);
        break;
    }
    case 2: copyText(out, warble.idleMessage, TEXT_SIZE); break;
    default: copyText(out, "Warble", TEXT_SIZE);
    }
}

void readWinampTitle(char *out) {
    HWND winamp = warble.hwndWinamp;
    if (!winamp) {
        idleText(false, out);
        return;
    }
    char title[TEXT_SIZE];
    int n = GetWindowTextA(winamp, title, TEXT_SIZE);
    title[n >= 0 && n < TEXT_SIZE ? n : 0] = '\0';
    cleanWinampTitle(title, warble.showTrackNumber, out, TEXT_SIZE);
}

void queryPlayer() {
    findWinamp();
    int status = (int)winampQuery(IPC_ISPLAYING, WM_USER);
    warble.playState = status;

    char text[TEXT_SIZE];
    const char *broadcast;
    if (status == WINAMP_PAUSED) {
        warble.scrollStep = 0;
        warble.isPaused = true;
        readWinampTitle(text);
        broadcast = "@Warble_fromWinamp_Paused";
    } else if (status == WINAMP_PLAYING) {
        warble.scrollStep = 1;
        warble.isPaused = false;
        warble.blinkOn = true;
        readWinampTitle(text);
        broadcast = "@Warble_fromWinamp_Playing";
    } else {
        warble.scrollStep = 1;
        warble.isPaused = false;
        warble.blinkOn = true;
        idleText(true, text);
        broadcast = "@Warble_fromWinamp_Stopped";
    }
    setCaption(text);
    followPlayState();
    postBroadcast(broadcast);
}
