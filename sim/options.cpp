/* Reading the command line and setting the player up from it. */
#include "options.h"
#include "cad/cad.h"
#include "remote.h"
#include "winamp/winamp.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define SEND_COMMANDS                                                                              \
    "  play | pause | stop | next | prev | title TEXT | seek MS | length SECONDS|-1\n"             \
    "  state playing|paused|stopped | quiet playing|paused|stopped | track N\n"                    \
    "  scroll on|off | empty | hang MS | quit\n"

static const char USAGE[] =
    "winamp-sim: a stand-in Winamp player (window class \"%s\"), or with --cad a player\n"
    "  that speaks the CD Art Display protocol (window class \"%s\")\n"
    "usage: winamp-sim [options]\n"
    "  --cad             speak the CD Art Display protocol instead of Winamp's\n"
    "  --playlist FILE   tracks as \"Artist - Title|seconds\" or \"...|seconds|Album\" lines\n"
    "  --log FILE        append one line per received message (default: stdout)\n"
    "  --paused          start paused\n"
    "  --stopped         start stopped (default: playing)\n"
    "  --scroll          scrolling window title\n"
    "  --track N         start at track N (from 1)\n"
    "  --position MS     start at this position\n"
    "  --empty           start with an empty playlist\n"
    "  --stream          the starting track is an internet stream (no length)\n"
    "  --help            this text\n"
    "       winamp-sim [--cad] --send CMD [ARGS]   drive the running player (with --cad,\n"
    "       the CAD one):\n" SEND_COMMANDS
    "  quiet: the play state changes without a window event: the title keeps its\n"
    "  state, a CAD player sends no notice.\n"
    "Exit codes: 0 the player ran and ended, or the running one took the command;\n"
    "  1 no player runs (--send); 2 a wrong command line: an unknown option or\n"
    "  command, a bad number, --paused with --stopped, a playlist file that cannot\n"
    "  be read, a track the playlist does not have.\n";

/* A mistyped option or command ends with one line that says what is wrong and exit code
   2: it neither starts a player set up otherwise than asked nor hands the running one a
   command it would ignore. */
static int usageError(const char *what, const char *arg, const char *more = "") {
    fprintf(stderr, "winamp-sim: %s%s (try --help)\n%s", what, arg, more);
    return 2;
}

static int sendChecked(bool cad, char **words, int count) {
    if (count == 0) return usageError("--send needs a command", "", SEND_COMMANDS);
    if (!strcmp(words[0], "--cad")) return usageError("--cad goes before --send", "");
    std::string text;
    for (int i = 0; i < count; i++)
        text += std::string(i ? " " : "") + words[i];
    if (parseRemote(text).kind == REMOTE_UNKNOWN)
        return usageError("unknown command or bad argument: --send ", text.c_str(), SEND_COMMANDS);
    int result = sendRemote(cad ? CAD_CLASS : WINAMP_CLASS, words, count);
    if (result == 1)
        fprintf(stderr, "winamp-sim: no %splayer runs (start one: winamp-sim%s)\n",
                cad ? "CAD " : "", cad ? " --cad" : "");
    return result;
}

/* A whole number within [low, high], or -1. */
static long long numberArg(const char *text, long long low, long long high) {
    char *end = nullptr;
    errno = 0;
    long long value = strtoll(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < low || value > high) return -1;
    return value;
}

/* The options that take no value; false for any other word. */
static bool flagOption(const char *word, Options &o) {
    bool *flag = !strcmp(word, "--cad")      ? &o.cad
                 : !strcmp(word, "--scroll") ? &o.scroll
                 : !strcmp(word, "--stream") ? &o.stream
                 : !strcmp(word, "--empty")  ? &o.empty
                                             : nullptr;
    if (flag) *flag = true;
    return flag != nullptr;
}

int readOptions(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        bool hasValue = i + 1 < argc;
        bool takesValue = !strcmp(a, "--playlist") || !strcmp(a, "--log") ||
                          !strcmp(a, "--track") || !strcmp(a, "--position");
        if (takesValue && !hasValue) return usageError("missing value after ", a);
        if (!strcmp(a, "--send"))
            return sendChecked(o.cad, argv + i + 1, argc - i - 1);
        else if (!strcmp(a, "--help")) {
            printf(USAGE, WINAMP_CLASS, CAD_CLASS);
            return 0;
        } else if (!strcmp(a, "--playlist") && hasValue)
            o.playlistPath = argv[++i];
        else if (!strcmp(a, "--log") && hasValue)
            o.logPath = argv[++i];
        else if (!strcmp(a, "--paused") || !strcmp(a, "--stopped")) {
            PlayState state = a[2] == 'p' ? STATE_PAUSED : STATE_STOPPED;
            if (o.state != STATE_PLAYING && o.state != state)
                return usageError("--paused and --stopped contradict each other", "");
            o.state = state;
        } else if (flagOption(a, o))
            continue;
        else if (!strcmp(a, "--track") && hasValue) {
            o.track = (int)numberArg(argv[++i], 1, PLAYLIST_TRACKS_MAX);
            if (o.track < 0)
                return usageError("--track takes a track number from 1, not ", argv[i]);
        } else if (!strcmp(a, "--position") && hasValue) {
            o.position = numberArg(argv[++i], 0, TRACK_SECONDS_MAX * 1000LL);
            if (o.position < 0)
                return usageError("--position takes milliseconds from 0, not ", argv[i]);
        } else
            return usageError("unknown option ", a);
    }
    return -1;
}

int startPlaylist(const Options &o, Playlist &list) {
    list.clear();
    if (o.empty) return -1;
    if (!o.playlistPath)
        list = builtinPlaylist();
    else if (!loadPlaylist(o.playlistPath, list))
        return usageError("cannot read the playlist file ", o.playlistPath);
    if (o.track > (int)list.size()) {
        char text[64];
        snprintf(text, sizeof text, "%d, the playlist has %u", o.track, (unsigned)list.size());
        return usageError("no such track: --track ", text);
    }
    return -1;
}

void startPlayer(Player &player, const Options &o) {
    if (o.track > 0) player.selectTrack(o.track);
    if (o.stream) player.setLength(STREAM_SECONDS);
    if (o.state != STATE_STOPPED) player.play();
    if (o.position >= 0) player.seek(o.position);
    if (o.state == STATE_PAUSED) player.pause();
}
