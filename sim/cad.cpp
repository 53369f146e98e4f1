/* The player's side of the CD Art Display conversation. One client at a time: a new
   registration takes the notices from the last one. Notices are posted, and the texts the
   player sends wait a bounded while, so a hung client never holds the player. */
#include "cad.h"
#include "cad/cad.h"
#include "log.h"

#include <string>

enum { CAD_SEND_MS = 500 }; /* how long a text sent to the client may wait */

/* What the registered client was last told, to notice what changed since. */
struct Told {
    int index;
    std::string text, album;
    int seconds;
    PlayState state;
    int volume;
    bool empty;
};

static HWND g_player;
static HWND g_receiver; /* the registered client's window, or null */
static Told g_told;

static Told tellNow(const Player &player, PlayState shown) {
    const Track *track = player.current();
    return {player.index(),
            track ? track->text : "",
            track ? track->album : "",
            track ? track->seconds : 0,
            shown,
            player.volume(),
            player.empty()};
}

/* Posts a notice; a receiver that is gone is forgotten. */
static void notice(int code, WPARAM wParam) {
    if (!g_receiver) return;
    bool posted = PostMessageW(g_receiver, WM_USER, wParam, code);
    logLine("NOTICE lParam=%d wParam=%ld%s", code, (long)wParam, posted ? "" : " (receiver gone)");
    if (!posted && !IsWindow(g_receiver)) g_receiver = nullptr;
}

/* A WM_COPYDATA of UTF-16 text (its terminating null counted) to window, bounded. */
static bool sendText(HWND window, ULONG_PTR code, const std::wstring &text) {
    COPYDATASTRUCT data;
    data.dwData = code;
    data.cbData = (DWORD)((text.size() + 1) * sizeof(wchar_t));
    data.lpData = (void *)text.c_str();
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_COPYDATA, (WPARAM)g_player, (LPARAM)&data,
                               SMTO_ABORTIFHUNG, CAD_SEND_MS, &answer) != 0;
}

void cadStart(HWND player) {
    g_player = player;
    HWND receiver = FindWindowW(nullptr, CAD_RECEIVER_TITLE_W);
    if (!receiver) return;
    bool sent = sendText(receiver, CAD_ANNOUNCE_COPYDATA, cadAnnouncement(player));
    logLine("ANNOUNCED%s", sent ? "" : " (no answer)");
}

void cadNotify(const Player &player, PlayState shown) {
    if (!g_receiver) return;
    Told now = tellNow(player, shown);
    if (now.index != g_told.index || now.text != g_told.text || now.album != g_told.album ||
        now.seconds != g_told.seconds || now.empty != g_told.empty)
        notice(CAD_TRACK_CHANGED, 0);
    if (now.state != g_told.state) notice(CAD_STATE_CHANGED, cadState(now.state));
    if (cadVolume(now.volume) != cadVolume(g_told.volume))
        notice(CAD_VOLUME_CHANGED, cadVolume(now.volume));
    g_told = now;
}

void cadGone() {
    notice(CAD_PLAYER_GONE, 0);
    g_receiver = nullptr;
}

/* 120 takes the notices to the window in wParam (not a window: refused, answer 0), 129
   stops them. */
static LRESULT registerClient(const Player &player, PlayState shown, LPARAM code, WPARAM wParam) {
    HWND window = code == CAD_REGISTER ? (HWND)wParam : nullptr;
    if (code == CAD_REGISTER && !IsWindow(window)) return 0;
    g_receiver = window;
    g_told =
        tellNow(player, shown); /* the client asks for what is now; notices tell what changes */
    return 1;
}

/* The questions; false for a code that is none. The track's text is sent to the client
   before the question is answered. */
static bool answerQuestion(const Player &player, LPARAM code, LRESULT &answer) {
    const Track *track = player.current();
    switch (code) {
    case CAD_GET_STATE: answer = cadState(player.state()); return true;
    case CAD_GET_POSITION: answer = (LRESULT)(player.positionMs() / 1000); return true;
    case CAD_GET_LENGTH: answer = track && !player.streaming() ? track->seconds : 0; return true;
    case CAD_GET_VOLUME: answer = cadVolume(player.volume()); return true;
    case CAD_GET_TRACK:
        answer =
            track && g_receiver && sendText(g_receiver, CAD_TRACK_COPYDATA, cadTrackText(player));
        return true;
    }
    return false;
}

/* The commands; false for a code that is none. Play and pause leave a player that is
   already so as it is; play/pause starts a stopped one. */
static bool runCommand(Player &player, WPARAM wParam, LPARAM code) {
    switch (code) {
    case CAD_PLAY: player.setState(STATE_PLAYING); return true;
    case CAD_PLAY_PAUSE:
        if (player.state() == STATE_STOPPED)
            player.play();
        else
            player.pause();
        return true;
    case CAD_PAUSE:
        if (player.state() == STATE_PLAYING) player.pause();
        return true;
    case CAD_STOP: player.stop(); return true;
    case CAD_NEXT: player.next(); return true;
    case CAD_PREV: player.prev(); return true;
    case CAD_SET_VOLUME: player.setVolume(volumeFromCad((int)(LONG)wParam)); return true;
    }
    return false;
}

/* 114: the jump is logged as Winamp's is; a stopped player does not seek (answer 0). */
static bool seekTo(Player &player, WPARAM seconds) {
    if (!player.seek((long long)(LONG)seconds * 1000)) return false;
    const Track *track = player.current();
    logLine("JUMP to %lld ms of %d s", player.positionMs(), track ? track->seconds : -1);
    return true;
}

LRESULT cadRequest(Player &player, PlayState shown, WPARAM wParam, LPARAM lParam, bool &changed) {
    LRESULT answer = 0;
    changed = false;
    if (lParam == CAD_REGISTER || lParam == CAD_CLIENT_GONE)
        answer = registerClient(player, shown, lParam, wParam);
    else if (lParam == CAD_SEEK)
        answer = changed = seekTo(player, wParam);
    else if (!answerQuestion(player, lParam, answer))
        answer = changed = runCommand(player, wParam, lParam);
    logLine("WM_USER wParam=%ld lParam=%ld -> %ld", (long)(LONG)wParam, (long)lParam, (long)answer);
    return answer;
}
