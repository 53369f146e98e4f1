/* Player status: the senders every message to Winamp or the shell goes through,
   the idle texts, and the looks at the player that recompute the caption and
   status. Every wait on the player is bounded, and the status is written on the
   shell's thread alone: the poller hands its findings over. */
#include "winamp/player.h"
#include "core/text.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/caption_format.h"
#include "winamp/outbox.h"
#include "winamp/title.h"
#include "winamp/winamp.h"

#include <string.h>
#include <time.h>

PlayerStatus playerStatus = {nullptr, -1, 0, false, 0, false};

void sendBroadcast(const char *text) {
    char copy[TEXT_SIZE];
    copyText(copy, text, sizeof copy);
    OutgoingBroadcast own(copy);
    SendMessageA(shellLink.host, MSG_BROADCAST, 0, (LPARAM)copy);
}

void broadcastFromWorker(const char *text) {
    DWORD_PTR ignored = 0;
    OutgoingBroadcast own(text);
    SendMessageTimeoutA(shellLink.host, MSG_BROADCAST, 0, (LPARAM)text, SMTO_NORMAL, BROADCAST_MS,
                        &ignored);
}

bool askPlayer(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs,
               LRESULT *answer) {
    DWORD_PTR result = 0;
    if (!winamp || !SendMessageTimeoutA(winamp, message, wParam, lParam,
                                        SMTO_NORMAL | SMTO_ABORTIFHUNG, waitMs, &result))
        return false;
    *answer = (LRESULT)result;
    return true;
}

/* A player that left a question of the shell's thread unanswered is not asked again on
   that thread for a while: a script polling a hung player, or a wheel spun over it,
   costs the shell one bound a second rather than one for each question. The poller and
   the relay threads wait on their own threads and keep asking. */
enum { SILENT_PLAYER_MS = 1000 };
static HWND silentPlayer; /* shell's thread only, like silentSince */
static DWORD silentSince;

bool askPlayerFromShell(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *answer) {
    if (winamp && winamp == silentPlayer && GetTickCount() - silentSince < SILENT_PLAYER_MS)
        return false;
    bool answered = askPlayer(winamp, message, wParam, lParam, PLAYER_QUERY_MS, answer);
    if (answered) {
        silentPlayer = nullptr;
    } else if (winamp && IsWindow(winamp)) {
        silentPlayer = winamp;
        silentSince = GetTickCount();
    }
    return answered;
}

static bool isPlayerWindow(HWND window) {
    char className[sizeof WINAMP_CLASS + 1];
    return IsWindow(window) && RealGetWindowClassA(window, className, sizeof className) &&
           strcmp(className, WINAMP_CLASS) == 0;
}

/* The known player while its window exists, so that a second one started meanwhile
   never takes its place; otherwise the first player window but the one closing. */
static HWND findPlayer(HWND known, HWND gone) {
    if (known && known != gone && isPlayerWindow(known)) return known;
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, WINAMP_CLASS, nullptr)))
        if (window != gone) return window;
    return nullptr;
}

static bool lookFrom(bool shellThread, PlayerLook *look, HWND known, HWND gone) {
    look->window = findPlayer(known, gone);
    look->status = -1;
    if (!look->window) return true;
    LRESULT answer = 0;
    bool answered =
        shellThread ? askPlayerFromShell(look->window, WM_USER, 0, IPC_ISPLAYING, &answer)
                    : askPlayer(look->window, WM_USER, 0, IPC_ISPLAYING, PLAYER_QUERY_MS, &answer);
    if (!answered) return false;
    look->status = (int)answer;
    return true;
}

bool lookAtPlayer(PlayerLook *look, HWND known, HWND gone) {
    return lookFrom(false, look, known, gone);
}

/* Shell's thread, like every reader of the option texts. */
static void idleTextInCodePage(bool winampCheck, char *out) {
    switch (options.idleState) {
    case 0:
        copyText(out,
                 winampCheck && playerStatus.window ? "Playback Stopped" : "Couldn't Find Winamp",
                 TEXT_SIZE);
        break;
    case 1: {
        time_t now = time(nullptr);
        struct tm local = *localtime(&now);
        formatIdleTime(options.idleTimeFormat, &local, out, TEXT_SIZE);
        break;
    }
    case 2: copyText(out, options.idleMessage, TEXT_SIZE); break;
    default: copyText(out, "Warble", TEXT_SIZE);
    }
}

/* The idle texts (the user's message, the time) are text in the system code page. */
void idleText(bool winampCheck, wchar_t *out) {
    char text[TEXT_SIZE];
    idleTextInCodePage(winampCheck, text);
    widenText(text, out, TEXT_SIZE);
}

/* Winamp's window title as it stands, into raw (TEXT_SIZE units); false without a
   player. Read as Unicode, so that a title in any script reaches the caption as it is. */
static bool readRawTitle(wchar_t *raw) {
    HWND winamp = playerStatus.window;
    if (!winamp) return false;
    int n = GetWindowTextW(winamp, raw, TEXT_SIZE);
    raw[n >= 0 && n < TEXT_SIZE ? n : 0] = L'\0';
    return true;
}

void readWinampTitle(wchar_t *out) {
    wchar_t raw[TEXT_SIZE];
    if (readRawTitle(raw))
        cleanWinampTitle(raw, options.showTrackNumber, out, TEXT_SIZE);
    else
        idleText(false, out);
}

/* What the caption of the last status shows: shell's thread only, like every writer of
   the player status. */
static struct {
    wchar_t caption[TEXT_SIZE], title[TEXT_SIZE]; /* the caption and its title */
    int elapsed, length; /* the position and length the poller last read, in seconds */
    /* The times are not yet those of what the caption shows (a new track, a format that
       starts to show them): the poller is asked at once, and the caption shown stays
       until they come, so that no made-up time is ever shown. */
    bool timesPending;
} shown;

/* The track's title (into title) and the caption the user's format makes of it (into
   text), from one reading of Winamp's title. */
static void trackCaption(wchar_t *text, wchar_t *title, bool paused) {
    wchar_t raw[TEXT_SIZE], format[TEXT_SIZE];
    if (!readRawTitle(raw)) {
        idleText(false, title);
        copyText(text, title, TEXT_SIZE);
        return;
    }
    cleanWinampTitle(raw, options.showTrackNumber, title, TEXT_SIZE);
    widenText(options.format, format, TEXT_SIZE);
    if (wcscmp(format, L"%title%") == 0) {
        copyText(text, title, TEXT_SIZE);
        return;
    }
    /* The title as shown is one of the two forms: only the other is cleaned again. */
    wchar_t other[TEXT_SIZE], track[TEXT_SIZE] = L"";
    cleanWinampTitle(raw, !options.showTrackNumber, other, TEXT_SIZE);
    const wchar_t *bare = options.showTrackNumber ? other : title;
    const wchar_t *numbered = options.showTrackNumber ? title : other;
    /* Winamp's "12. " before the bare title is the track's number. */
    size_t extra = wcslen(numbered) - wcslen(bare);
    if (extra > 2 && wcsncmp(numbered + extra - 2, L". ", 2) == 0)
        copyText(track, numbered, extra - 1);
    CaptionFields fields = {title, bare, track, shown.elapsed, shown.length, paused};
    formatCaption(format, fields, text, TEXT_SIZE);
}

/* The caption of a status and the title it shows, into text and title (TEXT_SIZE units);
   the status broadcast that goes with it. */
static const char *captionOf(int status, wchar_t *text, wchar_t *title) {
    if (status == WINAMP_PAUSED || status == WINAMP_PLAYING) {
        trackCaption(text, title, status == WINAMP_PAUSED);
        return status == WINAMP_PAUSED ? "@Warble_fromWinamp_Paused" : "@Warble_fromWinamp_Playing";
    }
    idleText(true, text);
    copyText(title, text, TEXT_SIZE);
    return "@Warble_fromWinamp_Stopped";
}

static bool captionShowsTime(int status) {
    wchar_t format[TEXT_SIZE];
    widenText(options.format, format, TEXT_SIZE);
    return (status == WINAMP_PLAYING || status == WINAMP_PAUSED) && formatShowsTime(format);
}

void lastStatusCaption(wchar_t *text, wchar_t *title) {
    copyText(text, shown.caption, TEXT_SIZE);
    copyText(title, shown.title, TEXT_SIZE);
}

void forgetTimes() {
    shown.timesPending = true;
}

/* Takes a status's caption and title as the last status's, and shows it. A new title
   shown with the time asks the poller for its times, once. */
static void takeCaption(int status, const wchar_t *text, const wchar_t *title) {
    if (!captionShowsTime(status)) {
        shown.timesPending = false;
    } else if (!shown.timesPending && wcscmp(title, shown.title) != 0) {
        shown.timesPending = true;
        playerDisplay.wantTimes();
    }
    if (!shown.timesPending) copyText(shown.caption, text, TEXT_SIZE);
    copyText(shown.title, title, TEXT_SIZE);
    playerDisplay.showStatus(shown.caption, shown.title);
}

/* Installs a status with its caption, and broadcasts it. */
static void showStatus(int status) {
    playerStatus.playState = status;
    wchar_t text[TEXT_SIZE], title[TEXT_SIZE];
    const char *broadcast = captionOf(status, text, title);
    takeCaption(status, text, title);
    playerStatus.statusShown = true;
    sendBroadcast(broadcast);
}

/* A text a command set ("@Warble SetCaptionNow") stays until the player's state next
   changes, as it says. */
void showLastStatus() {
    wchar_t onScreen[TEXT_SIZE], text[TEXT_SIZE], title[TEXT_SIZE];
    playerDisplay.copyTitle(onScreen);
    if (wcscmp(onScreen, shown.title) != 0) return;
    captionOf(playerStatus.playState, text, title);
    takeCaption(playerStatus.playState, text, title);
}

LRESULT OnPlayerTimes(WPARAM wParam, LPARAM lParam) {
    shown.elapsed = (int)wParam;
    shown.length = (int)lParam;
    shown.timesPending = false;
    if (captionShowsTime(playerStatus.playState)) showLastStatus();
    return 0;
}

/* Installs an answered look. gone names a window known to be closed; when the known
   player is not the one found, it is lost and its close announced after the status.
   Its relays are left to finish: one whose command the player answered before it
   closed still reports, the others find no window and end quietly. A player that
   becomes known is announced "Opened" when announceOpened is set. */
static void installLook(PlayerLook look, HWND gone, bool announceOpened) {
    if (gone && look.window == gone) look = {nullptr, -1};
    HWND before = playerStatus.window;
    bool lost = before && (before == gone || look.window != before);
    playerStatus.window = look.window;
    InterlockedIncrement(&playerStatus.epoch);
    playerStatus.lookUnanswered = false;
    if (!look.window) sendBroadcast("@Warble_fromWinamp_Closed");
    showStatus(look.status);
    if (lost) sendBroadcast("@Warble_fromWinamp_Closed");
    if (look.window && look.window != before && announceOpened)
        sendBroadcast("@Warble_fromWinamp_Opened");
}

static bool lookAndInstall(HWND gone, bool announceOpened) {
    PlayerLook look;
    if (lookFrom(true, &look, playerStatus.window, gone)) {
        installLook(look, gone, announceOpened);
        return true;
    }
    /* A known player that is gone is closed whatever the other one does. */
    if (gone && playerStatus.window == gone) installLook({nullptr, -1}, gone, false);
    /* No answer: nothing is shown or announced from it; the poller asks again until the
       player answers, and then takes it. */
    playerStatus.lookUnanswered = true;
    return false;
}

void forgetPlayer() {
    playerStatus.window = nullptr;
    playerStatus.statusShown = false;
}

void markSliderEcho() {
    InterlockedExchange(&playerStatus.sliderEcho, 1);
}

bool takeSliderEcho() {
    return InterlockedExchange(&playerStatus.sliderEcho, 0) != 0;
}

bool queryPlayer() {
    return lookAndInstall(nullptr, true);
}

void firstLookAtPlayer() {
    lookAndInstall(nullptr, false);
}

void playerGone(HWND window, bool announceOpened) {
    lookAndInstall(window, announceOpened);
}

/* The findings travel packed: wParam the window, lParam the epoch (high word), the
   gone flag (bit 8) and the status (low byte: 1 playing, 3 paused, 0 stopped, 0xFF
   no player). */
enum { LOOK_GONE = 0x100 };

void handPlayerLook(const PlayerLook &look, HWND gone, LONG epoch, HWND plugin) {
    int status = look.status;
    if (look.window && status != WINAMP_PLAYING && status != WINAMP_PAUSED) status = 0;
    LPARAM packed = ((LPARAM)(epoch & 0xFFFF) << 16) | (gone ? LOOK_GONE : 0) | (status & 0xFF);
    WPARAM window = (WPARAM)(gone ? gone : look.window);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(plugin, MSG_PLAYER_LOOK, window, packed, SMTO_NORMAL, BROADCAST_MS,
                        &ignored);
}

LRESULT OnPlayerLook(WPARAM wParam, LPARAM lParam) {
    /* Found before the last change the shell's thread installed: out of date. */
    if (((lParam >> 16) & 0xFFFF) != (playerStatus.epoch & 0xFFFF)) return 0;
    HWND window = (HWND)wParam;
    if (window && !IsWindow(window) && !(lParam & LOOK_GONE)) return 0;
    if (lParam & LOOK_GONE) {
        if (window == playerStatus.window && !IsWindow(window)) playerGone(window, true);
        return 0;
    }
    signed char status = (signed char)(lParam & 0xFF);
    installLook({window, status}, nullptr, true);
    return 0;
}
