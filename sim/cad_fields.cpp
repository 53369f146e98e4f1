/* What the CD Art Display protocol says in numbers and texts: the volume in percent, the
   play state, the track's tab-separated fields and the announcement at start. */
#include "cad.h"
#include "cad/cad.h"
#include "utf8.h"

#include <string>

int cadVolume(int volume) {
    return (volume * CAD_VOLUME_MAX + WINAMP_VOLUME_MAX / 2) / WINAMP_VOLUME_MAX;
}

/* Rounded both ways, so that every percent the client sets reads back as itself. */
int volumeFromCad(int percent) {
    if (percent < 0) percent = 0;
    if (percent > CAD_VOLUME_MAX) percent = CAD_VOLUME_MAX;
    return (percent * WINAMP_VOLUME_MAX + CAD_VOLUME_MAX / 2) / CAD_VOLUME_MAX;
}

int cadState(PlayState state) {
    return state == STATE_PLAYING ? CAD_PLAYING : state == STATE_PAUSED ? CAD_PAUSED : CAD_STOPPED;
}

/* A field never holds the separator: a tab in a title (which "--send title" can set)
   becomes a blank, so the fields after it stay where the client looks for them. */
static std::wstring field(const std::string &text) {
    std::wstring wide = fromUtf8(text);
    for (wchar_t &c : wide)
        if (c == L'\t') c = L' ';
    return wide;
}

static std::wstring joinFields(const std::string (&fields)[CAD_FIELD_COUNT]) {
    std::wstring text;
    for (int i = 0; i < CAD_FIELD_COUNT; i++)
        text += (i ? L"\t" : L"") + field(fields[i]);
    return text;
}

std::wstring cadTrackText(const Player &player) {
    const Track *track = player.current();
    if (!track) return L"";
    std::string fields[CAD_FIELD_COUNT];
    /* "Artist - Title"; a text without the dash is all title. */
    size_t dash = track->text.find(" - ");
    fields[CAD_FIELD_TITLE] =
        dash == std::string::npos ? track->text : track->text.substr(dash + 3);
    if (dash != std::string::npos) fields[CAD_FIELD_ARTIST] = track->text.substr(0, dash);
    fields[CAD_FIELD_ALBUM] = track->album;
    fields[CAD_FIELD_TRACK_NUMBER] = std::to_string(player.index() + 1);
    fields[CAD_FIELD_LENGTH] = std::to_string(player.streaming() ? 0 : track->seconds);
    fields[CAD_FIELD_PATH] = "C:\\Music\\" + track->text + ".mp3";
    fields[CAD_FIELD_RATING] = "0";
    return joinFields(fields);
}

std::wstring cadAnnouncement(HWND player) {
    wchar_t title[512] = L"", path[MAX_PATH] = L"";
    GetWindowTextW(player, title, 512);
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    for (wchar_t *c = title; *c; c++)
        if (*c == L'\t') *c = L' ';
    return std::wstring(L"1\t") + CAD_CLASS_W + L"\t" + title + L"\t" + path;
}
