/* The player's list of tracks: "Artist - Title" texts with their lengths and albums. */
#pragma once

#include <string>
#include <vector>

struct Track {
    std::string text;  /* "Artist - Title" in UTF-8, at most TRACK_TEXT_MAX bytes */
    int seconds;       /* length, 1 .. TRACK_SECONDS_MAX, or STREAM_SECONDS */
    std::string album; /* UTF-8, at most TRACK_TEXT_MAX bytes; only a CAD player tells it */
};

enum {
    TRACK_TEXT_MAX = 259,
    TRACK_SECONDS_DEFAULT = 180,
    TRACK_SECONDS_MAX = 359999, /* 99:59:59 */
    STREAM_SECONDS = -1,        /* an internet stream: Winamp answers its length as -1 */
    PLAYLIST_TRACKS_MAX = 10000,
};

typedef std::vector<Track> Playlist;

/* A handful of tracks of varied lengths, one of them with a very long title. */
Playlist builtinPlaylist();

/* Reads "Artist - Title|seconds" or "Artist - Title|seconds|Album" lines of UTF-8 text (path
   in UTF-8). Blank lines and lines starting with '#' are skipped, a missing or bad length
   becomes TRACK_SECONDS_DEFAULT, over-long lines are cut. Returns false (list untouched) when
   the file cannot be opened. */
bool loadPlaylist(const char *path, Playlist &list);

/* Cuts text to TRACK_TEXT_MAX bytes, at a whole character. */
std::string cutTrackText(const std::string &text);
/* Reads a length in seconds; returns fallback when text is not a sensible number. */
int parseSeconds(const char *text, int fallback);
