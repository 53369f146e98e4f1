/* Reading the command line and setting the player up from it. */
#include "options.h"
#include "remote.h"
#include "winamp/winamp.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const char USAGE[] =
    "winamp-sim: a stand-in Winamp player (window class \"%s\")\n"
    "usage: winamp-sim [options]\n"
    "  --playlist FILE   tracks as \"Artist - Title|seconds\" lines\n"
    "  --log FILE        append one line per received message (default: stdout)\n"
    "  --paused          start paused\n"
    "  --stopped         start stopped (default: playing)\n"
    "  --scroll          scrolling window title\n"
    "  --track N         start at track N (from 1)\n"
    "  --position MS     start at this position\n"
    "  --empty           start with an empty playlist\n"
    "  --help            this text\n"
    "       winamp-sim --send CMD [ARGS]   drive the running player:\n"
    "  play | pause | stop | next | prev | title TEXT | seek MS | length SECONDS\n"
    "  state playing|paused|stopped | track N | scroll on|off | empty | hang MS | quit\n"
    "  (exit code 1 when no player runs, 2 for an unknown option or command)\n";

/* A mistyped option or command ends with what is accepted and exit code 2: it neither
   starts a second player nor hands the running one a command it would ignore. */
static int usageError(const char *what, const char *arg) {
    fprintf(stderr, "winamp-sim: %s%s\n\n", what, arg);
    fprintf(stderr, USAGE, WINAMP_CLASS);
    return 2;
}

static int sendChecked(char **words, int count) {
    if (count == 0) return usageError("--send needs a command", "");
    std::string text;
    for (int i = 0; i < count; i++)
        text += std::string(i ? " " : "") + words[i];
    if (parseRemote(text).kind == REMOTE_UNKNOWN)
        return usageError("unknown command or bad argument: --send ", text.c_str());
    int result = sendRemote(words, count);
    if (result == 1) fprintf(stderr, "winamp-sim: no player runs (start one: winamp-sim)\n");
    return result;
}

/* A whole number within [0, high]; anything else gives fallback. */
static long long numberArg(const char *text, long long high, long long fallback) {
    char *end = nullptr;
    errno = 0;
    long long value = strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < 0 || value > high) return fallback;
    return value;
}

int readOptions(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        bool hasValue = i + 1 < argc;
        bool takesValue = !strcmp(a, "--playlist") || !strcmp(a, "--log") ||
                          !strcmp(a, "--track") || !strcmp(a, "--position");
        if (takesValue && !hasValue) return usageError("missing value after ", a);
        if (!strcmp(a, "--send"))
            return sendChecked(argv + i + 1, argc - i - 1);
        else if (!strcmp(a, "--help")) {
            printf(USAGE, WINAMP_CLASS);
            return 0;
        } else if (!strcmp(a, "--playlist") && hasValue)
            o.playlistPath = argv[++i];
        else if (!strcmp(a, "--log") && hasValue)
            o.logPath = argv[++i];
        else if (!strcmp(a, "--paused"))
            o.state = STATE_PAUSED;
        else if (!strcmp(a, "--stopped"))
            o.state = STATE_STOPPED;
        else if (!strcmp(a, "--scroll"))
            o.scroll = true;
        else if (!strcmp(a, "--empty"))
            o.empty = true;
        else if (!strcmp(a, "--track") && hasValue)
            o.track = (int)numberArg(argv[++i], PLAYLIST_TRACKS_MAX, 0);
        else if (!strcmp(a, "--position") && hasValue)
            o.position = numberArg(argv[++i], TRACK_SECONDS_MAX * 1000LL, -1);
        else
            return usageError("unknown option ", a);
    }
    return -1;
}

Playlist startPlaylist(const Options &o) {
    Playlist list;
    if (o.empty) return list;
    if (o.playlistPath && loadPlaylist(o.playlistPath, list)) return list;
    if (o.playlistPath)
        fprintf(stderr, "winamp-sim: cannot read %s, using the built-in playlist\n",
                o.playlistPath);
    return builtinPlaylist();
}

void startPlayer(Player &player, const Options &o) {
    if (o.track > 0) player.selectTrack(o.track);
    if (o.state != STATE_STOPPED) player.play();
    if (o.position >= 0) player.seek(o.position);
    if (o.state == STATE_PAUSED) player.pause();
}
