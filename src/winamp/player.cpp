/* Player status: the senders of the broadcasts, the idle texts, and the looks at the
   player that recompute the caption and status. The status is written on the shell's
   thread alone, which never asks the player: it installs what the link thread read,
   and the link thread hands its looks over. */
#include "winamp/player.h"
#include "core/text.h"
#include "nightjar/nightjar.h"
#include "players/cad.h"
#include "players/follow.h"
#include "players/kinds.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/caption_format.h"
#include "winamp/outbox.h"
#include "winamp/title.h"
#include "winamp/winamp.h"

#include <string.h>
#include <time.h>

/* Process-wide: the hook, which the system calls with no context, and the poller and the
   relay threads, which may outlive their start, read it. */
PlayerStatus playerStatus = {nullptr, -1, 0, false, 0, false, false};

void sendBroadcast(const char *text) {
    char copy[TEXT_SIZE];
    copyText(copy, text, sizeof copy);
    OutgoingBroadcast own(copy);
    SendMessageA(shellLink.host, MSG_BROADCAST, 0, (LPARAM)copy);
}

void broadcastFromWorker(HWND shell, const char *text) {
    DWORD_PTR ignored = 0;
    OutgoingBroadcast own(text);
    SendMessageTimeoutA(shell, MSG_BROADCAST, 0, (LPARAM)text, SMTO_NORMAL, BROADCAST_MS, &ignored);
}

/* No player found: Winamp's text while Winamp is the only player this start has
   followed or may follow; once a player of another kind may be the one, a text that
   names none. */
static const char *noPlayerText() {
    bool anyKind = options.playerKind == PLAYER_CAD ||
                   (options.playerKind == PLAYER_AUTO && playerStatus.otherKindFollowed);
    return anyKind ? "Couldn't Find a Player" : "Couldn't Find Winamp";
}

/* Shell's thread, like every reader of the option texts. */
static void idleTextInCodePage(bool winampCheck, char *out) {
    switch (options.idleState) {
    case 0:
        copyText(out, winampCheck && playerStatus.window ? "Playback Stopped" : noPlayerText(),
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

/* The player's title as it stands, in Winamp's form, into raw, and the album into album
   (TEXT_SIZE units each); false without a player. Winamp's is its window's title, read
   as Unicode so that a title in any script reaches the caption as it is (the system
   keeps it: the player is sent nothing); another kind's, what the link thread last read. */
static bool readRawTitle(const PlayerSide &side, wchar_t *raw, wchar_t *album) {
    HWND player = playerStatus.window;
    album[0] = raw[0] = L'\0';
    if (!player) return false;
    if (kindOf(player) == &CAD_KIND) {
        cadTrack(side.link.get(), player, raw, album);
        return true;
    }
    int n = GetWindowTextW(player, raw, TEXT_SIZE);
    raw[n >= 0 && n < TEXT_SIZE ? n : 0] = L'\0';
    return true;
}

void readWinampTitle(const PlayerSide &side, wchar_t *out) {
    wchar_t raw[TEXT_SIZE], album[TEXT_SIZE];
    if (readRawTitle(side, raw, album))
        cleanWinampTitle(raw, options.showTrackNumber, out, TEXT_SIZE);
    else
        idleText(false, out);
}

/* The caption the user's format makes of the track's fields and times, into text. */
static void formatTrack(PlayerSide &side, const wchar_t *format, const wchar_t *title, bool paused,
                        wchar_t *text) {
    if (wcscmp(format, L"%title%") == 0) {
        copyText(text, title, TEXT_SIZE);
        return;
    }
    CaptionFields fields = {title,       side.trackBare, side.trackNumber, side.elapsed,
                            side.length, paused,         side.album};
    formatCaption(format, fields, text, TEXT_SIZE);
}

/* The track's title (into title) and the caption the user's format makes of it (into
   text), from one reading of Winamp's title. */
static void trackCaption(PlayerSide &side, wchar_t *text, wchar_t *title, bool paused) {
    wchar_t raw[TEXT_SIZE], format[TEXT_SIZE];
    if (!readRawTitle(side, raw, side.album)) {
        idleText(false, title);
        copyText(text, title, TEXT_SIZE);
        return;
    }
    cleanWinampTitle(raw, options.showTrackNumber, title, TEXT_SIZE);
    widenText(options.format, format, TEXT_SIZE);
    if (wcscmp(format, L"%title%") != 0) {
        /* The title as shown is one of the two forms: only the other is cleaned again. */
        wchar_t other[TEXT_SIZE];
        cleanWinampTitle(raw, !options.showTrackNumber, other, TEXT_SIZE);
        const wchar_t *numbered = options.showTrackNumber ? title : other;
        copyText(side.trackBare, options.showTrackNumber ? other : title, TEXT_SIZE);
        /* Winamp's "12. " before the bare title is the track's number. */
        size_t extra = wcslen(numbered) - wcslen(side.trackBare);
        side.trackNumber[0] = L'\0';
        if (extra > 2 && wcsncmp(numbered + extra - 2, L". ", 2) == 0)
            copyText(side.trackNumber, numbered, extra - 1);
    }
    formatTrack(side, format, title, paused, text);
}

/* The caption of a status and the title it shows, into text and title (TEXT_SIZE units);
   the status broadcast that goes with it. */
static const char *captionOf(PlayerSide &side, int status, wchar_t *text, wchar_t *title) {
    if (status == WINAMP_PAUSED || status == WINAMP_PLAYING) {
        trackCaption(side, text, title, status == WINAMP_PAUSED);
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

void lastStatusCaption(const PlayerSide &side, wchar_t *text, wchar_t *title) {
    copyText(text, side.caption, TEXT_SIZE);
    copyText(title, side.title, TEXT_SIZE);
}

void forgetTimes(PlayerSide &side) {
    side.timesPending = true;
}

/* Takes a status's caption and title as the last status's, and shows it. A new title
   shown with the time asks the poller for its times, once. */
static void takeCaption(PlayerSide &side, int status, const wchar_t *text, const wchar_t *title) {
    if (!captionShowsTime(status)) {
        side.timesPending = false;
    } else if (!side.timesPending && wcscmp(title, side.title) != 0) {
        side.timesPending = true;
        playerDisplay.wantTimes();
    }
    if (!side.timesPending) copyText(side.caption, text, TEXT_SIZE);
    copyText(side.title, title, TEXT_SIZE);
    playerDisplay.showCaption(side.caption, side.title);
}

/* Installs a status with its caption, and broadcasts it. */
static void installStatus(PlayerSide &side, int status) {
    playerStatus.playState = status;
    wchar_t text[TEXT_SIZE], title[TEXT_SIZE];
    const char *broadcast = captionOf(side, status, text, title);
    takeCaption(side, status, text, title);
    playerStatus.statusShown = true;
    sendBroadcast(broadcast);
}

/* A text a command set ("@Warble SetCaptionNow") stays until the player's state next
   changes, as it says. */
void showLastStatus(PlayerSide &side) {
    wchar_t onScreen[TEXT_SIZE], text[TEXT_SIZE], title[TEXT_SIZE];
    playerDisplay.readShownTitle(onScreen);
    if (wcscmp(onScreen, side.title) != 0) return;
    captionOf(side, playerStatus.playState, text, title);
    takeCaption(side, playerStatus.playState, text, title);
}

/* Only the times changed: the caption is made again from the track's fields as last
   read, and shown only when it differs (a paused track's time stands still). */
LRESULT OnPlayerTimes(PlayerSide &side, WPARAM wParam, LPARAM lParam) {
    bool same = (int)wParam == side.elapsed && (int)lParam == side.length && !side.timesPending;
    side.elapsed = (int)wParam;
    side.length = (int)lParam;
    side.timesPending = false;
    int state = playerStatus.playState;
    if (same || !captionShowsTime(state)) return 0;
    /* A text a command set stays. */
    wchar_t onScreen[TEXT_SIZE], format[TEXT_SIZE], caption[TEXT_SIZE];
    playerDisplay.readShownTitle(onScreen);
    if (wcscmp(onScreen, side.title) != 0) return 0;
    widenText(options.format, format, TEXT_SIZE);
    formatTrack(side, format, side.title, state == WINAMP_PAUSED, caption);
    if (wcscmp(caption, side.caption) == 0) return 0;
    copyText(side.caption, caption, TEXT_SIZE);
    playerDisplay.showCaption(side.caption, side.title);
    return 0;
}

/* A player window found and its status (-1 without a window). */
struct PlayerLook {
    HWND window;
    int status;
};

/* Installs an answered look. gone names a window known to be closed; when the known
   player is not the one found, it is lost and its close announced after the status.
   Its relays are left to finish: one whose command the player answered before it
   closed still reports, the others find no window and end quietly. A player that
   becomes known is announced "Opened" when announceOpened is set. */
static void installLook(PlayerSide &side, PlayerLook look, HWND gone, bool announceOpened) {
    if (gone && look.window == gone) look = {nullptr, -1};
    /* Before the start's first status, a player is found, not opened. */
    announceOpened = announceOpened && playerStatus.statusShown;
    HWND before = playerStatus.window;
    bool lost = before && (before == gone || look.window != before);
    playerStatus.window = look.window;
    if (look.window && kindOf(look.window) != &WINAMP_KIND) playerStatus.otherKindFollowed = true;
    InterlockedIncrement(&playerStatus.epoch);
    playerStatus.lookUnanswered = false;
    if (!look.window) sendBroadcast("@Warble_fromWinamp_Closed");
    installStatus(side, look.status);
    if (lost) sendBroadcast("@Warble_fromWinamp_Closed");
    if (look.window && look.window != before && announceOpened)
        sendBroadcast("@Warble_fromWinamp_Opened");
}

/* The next start begins knowing nothing of the player: no status of this one's, and no
   look left unanswered. */
void forgetPlayer() {
    playerStatus.window = nullptr;
    playerStatus.playState = -1;
    playerStatus.lookUnanswered = false;
    playerStatus.statusShown = false;
    playerStatus.otherKindFollowed = false;
}

void markSliderEcho() {
    InterlockedExchange(&playerStatus.sliderEcho, 1);
}

bool takeSliderEcho() {
    return InterlockedExchange(&playerStatus.sliderEcho, 0) != 0;
}

/* What the shell's thread knows of the player found now: installed when the link
   thread read it answering; otherwise nothing is shown or announced, and the link
   thread looks at once at a player it has not read (the poller's next tick asks a
   silent one again), and its look is installed when the player answers. */
static bool installReading(PlayerSide &side, bool atStart) {
    HWND found = findPlayer(playerStatus.window, nullptr, side.link->kinds);
    PlayerReading reading = {};
    if (found) reading = lastReading(side.link.get());
    if (!found || (reading.window == found && reading.answered)) {
        installLook(side, {found, found ? reading.status : -1}, nullptr, !atStart);
        return true;
    }
    /* At start the link thread's look is quiet: a player already running is found, not
       opened, and the poller's own looks must not announce it first. */
    if (!atStart) playerStatus.lookUnanswered = true;
    if (reading.window != found || atStart)
        handToLink(side.link.get(),
                   {JOB_LOOK, atStart ? LOOK_QUIET : 0, playerStatus.epoch, nullptr, 0, 0, 0});
    return false;
}

bool queryPlayer(PlayerSide &side) {
    return installReading(side, false);
}

/* A player found but not read yet shows nothing until its look comes (a moment, or the
   end of a hang): the idle text would say that none runs, and a paused player's caption
   starts hidden. */
void firstLookAtPlayer(PlayerSide &side) {
    if (!installReading(side, true)) takeCaption(side, -1, L"", L"");
}

void askPlayerStatus(PlayerSide &side) {
    if (!handToLink(side.link.get(),
                    {JOB_LOOK, LOOK_ASKED, playerStatus.epoch, nullptr, 0, 0, 0}))
        installStatus(side, playerStatus.playState);
}

/* Winamp's statuses as the caption tells them apart: playing, paused, or stopped. */
static int shownStatus(int status) {
    return status == WINAMP_PLAYING || status == WINAMP_PAUSED ? status : 0;
}

bool readingIsNews(const PlayerReading &reading) {
    return playerStatus.statusShown && reading.answered && reading.window &&
           reading.window == playerStatus.window &&
           shownStatus(reading.status) != shownStatus(playerStatus.playState);
}

/* A look for an event; when the link thread cannot take it, the event is taken as
   one the player did not answer. */
static void lookForEvent(PlayerSide &side, int flags, HWND gone) {
    if (handToLink(side.link.get(),
                   {JOB_LOOK, LOOK_EVENT | flags, playerStatus.epoch, gone, 0, 0, 0}))
        return;
    playerStatus.lookUnanswered = true;
    if (flags & LOOK_RENAMED) sendBroadcast("@Warble_fromWinamp_TitleChange");
}

void playerAppeared(PlayerSide &side) {
    lookForEvent(side, 0, nullptr);
}

void playerRenamed(PlayerSide &side) {
    lookForEvent(side, LOOK_RENAMED, nullptr);
}

void playerGone(PlayerSide &side, HWND window, bool announceOpened) {
    lookForEvent(side, LOOK_GONE | (announceOpened ? 0 : LOOK_QUIET), window);
}

/* The findings travel packed: wParam the window, lParam the epoch (high word), the
   LOOK_ flags and the status (low byte: 1 playing, 3 paused, 0 stopped, 0xFF no
   player). */
void handPlayerLook(const PlayerReading &reading, int flags, LONG epoch, HWND plugin) {
    int status = reading.status;
    if (reading.window && status != WINAMP_PLAYING && status != WINAMP_PAUSED) status = 0;
    if (reading.answered) flags |= LOOK_ANSWERED;
    LPARAM packed = ((LPARAM)(epoch & 0xFFFF) << 16) | (flags & 0xFF00) | (status & 0xFF);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(plugin, MSG_PLAYER_LOOK, (WPARAM)reading.window, packed, SMTO_NORMAL,
                        BROADCAST_MS, &ignored);
}

void lookForJob(PlayerLink *link, const LinkJob &job, HWND plugin) {
    PlayerReading reading;
    readPlayer(link, playerStatus.window, job.gone, true, &reading);
    handPlayerLook(reading, job.flags, job.epoch, plugin);
}

/* A look that is out of date is dropped, unless it answers an event that brings news: a
   rename, the known player closing, a player while none is known. The known player
   is closing when the look says so and nothing was installed since it was asked for,
   or when its window no longer exists. Unanswered, only the close is installed. */
LRESULT OnPlayerLook(PlayerSide &side, WPARAM wParam, LPARAM lParam) {
    int flags = (int)(lParam & 0xFF00);
    bool current = ((lParam >> 16) & 0xFFFF) == (playerStatus.epoch & 0xFFFF);
    HWND window = (HWND)wParam, known = playerStatus.window;
    bool exists = !window || IsWindow(window);
    bool closing = known && (known == window ? !exists : !IsWindow(known));
    bool news = (flags & LOOK_RENAMED) || closing || (!known && window);
    /* An asked-for look is the newest reading there is: nothing drops it. */
    if (!current && !(flags & LOOK_ASKED) && !((flags & LOOK_EVENT) && news)) return 0;
    if (!exists) flags &= ~LOOK_ANSWERED;
    HWND gone = known && (((flags & LOOK_GONE) && current) || closing) ? known : nullptr;
    if (flags & LOOK_ANSWERED) {
        installLook(side, {window, (signed char)(lParam & 0xFF)}, gone, !(flags & LOOK_QUIET));
    } else {
        if (gone) installLook(side, {nullptr, -1}, gone, false);
        else if (flags & LOOK_ASKED)
            installStatus(side, playerStatus.playState);
        playerStatus.lookUnanswered = true;
    }
    if (flags & LOOK_RENAMED) sendBroadcast("@Warble_fromWinamp_TitleChange");
    return 0;
}
