/* Building the playlist: the built-in tracks and playlist files. */
#include "playlist.h"
#include "utf8.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>

Playlist builtinPlaylist() {
    return {
        {"Daft Punk - One More Time", 320, "Discovery"},
        {"Simon & Garfunkel - The Boxer", 308, "Bridge over Troubled Water"},
        {"Sufjan Stevens - The Black Hawk War, or, How to Demolish an Entire Civilization and "
         "Still Feel Good About Yourself in the Morning",
         134, "Illinois"},
        {"Napalm Death - You Suffer", 2, "Scum"},
        {"Miles Davis - So What", 562, "Kind of Blue"},
        {"Ramones - Blitzkrieg Bop", 132, "Ramones"},
    };
}

std::string cutTrackText(const std::string &text) {
    return cutUtf8(text, TRACK_TEXT_MAX);
}

int parseSeconds(const char *text, int fallback) {
    while (*text == ' ' || *text == '\t')
        text++;
    if (*text < '0' || *text > '9') return fallback;
    errno = 0;
    char *end = nullptr;
    long value = strtol(text, &end, 10);
    while (*end == ' ' || *end == '\t')
        end++;
    if (errno != 0 || *end != '\0' || value < 1 || value > TRACK_SECONDS_MAX) return fallback;
    return (int)value;
}

enum { LINE_KEPT_MAX = 2 * TRACK_TEXT_MAX + 32 };

static void trimRight(std::string &s) {
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.pop_back();
}

/* Splits the fields off the end of a line. What follows the last bar is the length when it
   reads as one; else, with a bar before it, it is the album and the field between is the
   length. A bar inside a title thus stays text, as it always has. */
static void splitFields(std::string &line, Track &track) {
    track.seconds = TRACK_SECONDS_DEFAULT;
    size_t bar = line.rfind('|');
    if (bar == std::string::npos) return;
    int seconds = parseSeconds(line.c_str() + bar + 1, -1);
    size_t before = bar > 0 ? line.rfind('|', bar - 1) : std::string::npos;
    if (seconds < 0 && before != std::string::npos) {
        size_t from = line.find_first_not_of(" \t", bar + 1);
        if (from != std::string::npos) track.album = cutTrackText(line.substr(from));
        line.erase(bar);
        bar = before;
        seconds = parseSeconds(line.c_str() + bar + 1, -1);
    }
    track.seconds = seconds < 0 ? TRACK_SECONDS_DEFAULT : seconds;
    line.erase(bar);
    trimRight(line);
}

/* One line into a track; false for lines that hold none. */
static bool parseLine(std::string line, Track &track) {
    trimRight(line);
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') return false;
    line.erase(0, start);
    splitFields(line, track);
    if (line.empty()) return false;
    track.text = cutTrackText(line);
    return true;
}

bool loadPlaylist(const char *path, Playlist &list) {
    FILE *file = _wfopen(fromUtf8(path).c_str(), L"rb");
    if (!file) return false;
    Playlist loaded;
    std::string line;
    char chunk[512];
    bool cut = false;
    while (fgets(chunk, sizeof chunk, file)) {
        size_t n = strlen(chunk);
        bool complete = n > 0 && chunk[n - 1] == '\n';
        /* Keep at most a little more than a track text and an album; the rest is dropped. */
        if (!cut) line.append(chunk, n);
        if (line.size() > LINE_KEPT_MAX) {
            line.resize(LINE_KEPT_MAX);
            cut = true;
        }
        if (!complete && !feof(file)) continue;
        if (loaded.empty() && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        Track track;
        if (loaded.size() < PLAYLIST_TRACKS_MAX && parseLine(line, track)) loaded.push_back(track);
        line.clear();
        cut = false;
    }
    if (!line.empty()) {
        Track track;
        if (loaded.size() < PLAYLIST_TRACKS_MAX && parseLine(line, track)) loaded.push_back(track);
    }
    fclose(file);
    list.swap(loaded);
    return true;
}
