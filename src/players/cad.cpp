/* The CD Art Display protocol behind the seam. Warble's receiver is a hidden top-level
   window titled "CD Art Display 1.x Class", made and served by the link thread: a player
   that starts later announces itself to it (WM_COPYDATA 700), a registered player sends
   it its notices (WM_USER), and answers the question of its track with the track's text
   (WM_COPYDATA 701), which comes in while the link thread waits for the question's
   answer. Everything the receiver takes is text from another program: it is read within
   its stated size and cut to the caption's. */
#include "players/cad.h"
#include "cad/cad.h"
#include "core/text.h"
#include "players/kinds.h"
#include "winamp/winamp.h"

#include <limits.h>
#include <string.h>

static bool askCad(PlayerLink *link, bool forJob, HWND player, int code, WPARAM wParam,
                   LRESULT *answer) {
    return askFromLink(link, forJob, player, WM_USER, wParam, code, answer);
}

static bool askStatus(PlayerLink *link, bool forJob, HWND player, int *status) {
    LRESULT state = 0;
    if (!askCad(link, forJob, player, CAD_GET_STATE, 0, &state)) return false;
    *status = state == CAD_PLAYING ? WINAMP_PLAYING : state == CAD_PAUSED ? WINAMP_PAUSED : 0;
    return true;
}

static bool askPosition(PlayerLink *link, HWND player, int *ms) {
    LRESULT seconds = 0;
    if (!askCad(link, false, player, CAD_GET_POSITION, 0, &seconds)) return false;
    /* An answer past what milliseconds can count is the track's far end. */
    *ms = seconds > INT_MAX / 1000 ? INT_MAX : seconds < 0 ? -1 : (int)seconds * 1000;
    return true;
}

/* A stream has no length: the protocol says 0. */
static bool askLength(PlayerLink *link, bool forJob, HWND player, int *seconds) {
    LRESULT length = 0;
    if (!askCad(link, forJob, player, CAD_GET_LENGTH, 0, &length)) return false;
    *seconds = length > 0 ? (int)length : -1;
    return true;
}

static bool command(PlayerLink *link, HWND player, PlayerCommand command) {
    static const int CODES[] = {CAD_PLAY, CAD_PLAY_PAUSE, CAD_STOP, CAD_NEXT, CAD_PREV};
    LRESULT ignored = 0;
    return askCad(link, true, player, CODES[command], 0, &ignored);
}

/* The wheel's step is in Winamp's 256ths: here in hundredths, at least one. */
static bool stepVolume(PlayerLink *link, HWND player, int notches, int step, int *percent) {
    LRESULT volume = 0;
    if (!askCad(link, true, player, CAD_GET_VOLUME, 0, &volume)) return false;
    int hundredths = (step * CAD_VOLUME_MAX + WINAMP_VOLUME_MAX / 2) / WINAMP_VOLUME_MAX;
    int next = (int)volume + notches * (hundredths > 0 ? hundredths : 1);
    next = next < 0 ? 0 : next > CAD_VOLUME_MAX ? CAD_VOLUME_MAX : next;
    LRESULT ignored = 0;
    if (next != (int)volume && !askCad(link, true, player, CAD_SET_VOLUME, next, &ignored))
        return false;
    if (!askCad(link, true, player, CAD_GET_VOLUME, 0, &volume)) return false;
    *percent = volume < 0 ? 0 : volume > CAD_VOLUME_MAX ? CAD_VOLUME_MAX : (int)volume;
    return true;
}

static bool seek(PlayerLink *link, HWND player, int ms) {
    LRESULT ignored = 0;
    return askCad(link, true, player, CAD_SEEK, (WPARAM)(ms / 1000), &ignored);
}

const PlayerKind CAD_KIND = {KIND_CAD, CAD_CLASS, askStatus, askPosition,
                             askLength, command,  stepVolume, seek};

/* The fields of a tab-separated text of count units, at most CAD_FIELD_COUNT, each
   copied into its own TEXT_SIZE buffer (cut there). */
static void splitFields(const wchar_t *text, size_t count, wchar_t fields[][TEXT_SIZE],
                        int most) {
    int field = 0;
    size_t at = 0;
    for (size_t i = 0; i < count && text[i] && field < most; ++i) {
        if (text[i] == L'\t') {
            fields[field++][at < TEXT_SIZE ? at : TEXT_SIZE - 1] = L'\0';
            at = 0;
        } else if (at < TEXT_SIZE - 1) {
            fields[field][at++] = text[i];
        }
    }
    if (field < most) fields[field][at] = L'\0';
}

/* The track's text, as the caption takes a title: "N. Artist - Title". Only the fields
   up to the track's number are kept. */
static void takeTrack(PlayerLink *link, const COPYDATASTRUCT *data) {
    wchar_t fields[CAD_FIELD_TRACK_NUMBER + 1][TEXT_SIZE];
    memset(fields, 0, sizeof fields);
    splitFields((const wchar_t *)data->lpData, data->cbData / sizeof(wchar_t), fields,
                CAD_FIELD_TRACK_NUMBER + 1);
    wchar_t raw[TEXT_SIZE] = L"";
    const wchar_t *number = fields[CAD_FIELD_TRACK_NUMBER], *artist = fields[CAD_FIELD_ARTIST];
    if (*number) _snwprintf(raw, TEXT_SIZE - 1, L"%ls. ", number);
    size_t n = wcslen(raw);
    if (*artist) _snwprintf(raw + n, TEXT_SIZE - 1 - n, L"%ls - ", artist);
    n = wcslen(raw);
    copyText(raw + n, fields[CAD_FIELD_TITLE], TEXT_SIZE - n);
    SectionHold hold(link->lock);
    if (wcscmp(raw, link->track) != 0 || wcscmp(fields[CAD_FIELD_ALBUM], link->album) != 0)
        link->notices |= CAD_NEWS_TRACK;
    copyText(link->track, raw, TEXT_SIZE);
    copyText(link->album, fields[CAD_FIELD_ALBUM], TEXT_SIZE);
}

/* A player that starts announces "1", its class, its title and its path. */
static void takeAnnouncement(PlayerLink *link, const COPYDATASTRUCT *data) {
    wchar_t fields[3][TEXT_SIZE];
    memset(fields, 0, sizeof fields); /* a text of fewer fields leaves the rest empty */
    splitFields((const wchar_t *)data->lpData, data->cbData / sizeof(wchar_t), fields, 3);
    HWND player = FindWindowW(fields[1], fields[2]);
    if (!player) player = FindWindowW(fields[1], nullptr);
    if (kindOf(player) == &CAD_KIND) link->notices |= CAD_NEWS_ANNOUNCED;
}

static LRESULT CALLBACK receiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PlayerLink *link = (PlayerLink *)GetWindowLongPtrW(window, GWLP_USERDATA);
    if (link && message == WM_COPYDATA) {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        if (!data || !data->lpData) return FALSE;
        if (data->dwData == CAD_TRACK_COPYDATA && link->trackOf)
            takeTrack(link, data);
        else if (data->dwData == CAD_ANNOUNCE_COPYDATA)
            takeAnnouncement(link, data);
        return TRUE;
    }
    if (link && message == WM_USER) {
        if (lParam == CAD_TRACK_CHANGED) link->notices |= CAD_NEWS_TRACK;
        if (lParam == CAD_STATE_CHANGED) link->notices |= CAD_NEWS_STATE;
        if (lParam == CAD_PLAYER_GONE) link->notices |= CAD_NEWS_GONE;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

/* The receiver is a window of the system's static class, its procedure Warble's: no
   class of the plugin's outlives it. */
void openCadReceiver(PlayerLink *link) {
    if (link->receiver) return;
    link->receiver = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", CAD_RECEIVER_TITLE_W, WS_POPUP,
                                     0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!link->receiver) return;
    SetWindowLongPtrW(link->receiver, GWLP_USERDATA, (LONG_PTR)link);
    SetWindowLongPtrW(link->receiver, GWLP_WNDPROC, (LONG_PTR)receiverProc);
}

void closeCadReceiver(PlayerLink *link) {
    if (!link->receiver) return;
    DWORD_PTR ignored = 0;
    if (link->registered && IsWindow(link->registered))
        SendMessageTimeoutW(link->registered, WM_USER, 0, CAD_CLIENT_GONE,
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, PLAYER_QUERY_MS, &ignored);
    DestroyWindow(link->receiver);
    link->receiver = link->registered = nullptr;
}

void readCadTrack(PlayerLink *link, HWND player) {
    LRESULT ignored = 0;
    if (!link->receiver) return;
    if (link->registered != player &&
        askCad(link, false, player, CAD_REGISTER, (WPARAM)link->receiver, &ignored))
        link->registered = player;
    bool first;
    {
        SectionHold hold(link->lock);
        first = link->trackOf != player;
        link->trackOf = player;
    }
    askCad(link, false, player, CAD_GET_TRACK, 0, &ignored);
    if (first) link->notices &= ~CAD_NEWS_TRACK;
}

unsigned takeCadNews(PlayerLink *link) {
    unsigned news = link->notices;
    link->notices = 0;
    return news;
}

bool cadTrack(PlayerLink *link, HWND player, wchar_t *raw, wchar_t *album) {
    SectionHold hold(link->lock);
    if (link->trackOf != player) return false;
    copyText(raw, link->track, TEXT_SIZE);
    copyText(album, link->album, TEXT_SIZE);
    return true;
}
