/* Both ends of the remote control: sending a command text and reading it back. */
#include "remote.h"
#include "player.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int sendRemote(const char *playerClass, char **words, int count) {
    std::string text;
    for (int i = 0; i < count; i++) {
        if (i > 0) text += ' ';
        text += words[i];
    }
    if (text.size() > REMOTE_TEXT_MAX) text.resize(REMOTE_TEXT_MAX);

    HWND player = FindWindowA(playerClass, nullptr);
    if (!player) return 1;
    COPYDATASTRUCT data;
    data.dwData = REMOTE_COPYDATA_CODE;
    data.cbData = (DWORD)text.size() + 1;
    data.lpData = (void *)text.c_str();
    /* A hung player must not hang whoever drives it: the answer is waited for a while. */
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(player, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG,
                             REMOTE_ANSWER_MS, &answer)) {
        fprintf(stderr, "winamp-sim: the player did not answer within %d ms\n", REMOTE_ANSWER_MS);
        return 3;
    }
    if (answer == REMOTE_REFUSED) {
        fprintf(stderr, "winamp-sim: the player cannot carry out \"%s\" (no such track)\n",
                text.c_str());
        return 2;
    }
    return 0;
}

bool receiveRemote(const COPYDATASTRUCT *data, std::string &text) {
    if (!data || data->dwData != REMOTE_COPYDATA_CODE || !data->lpData) return false;
    size_t n = data->cbData;
    if (n > REMOTE_TEXT_MAX) n = REMOTE_TEXT_MAX;
    const char *bytes = (const char *)data->lpData;
    text.assign(bytes, strnlen(bytes, n));
    return true;
}

/* A whole decimal number within [low, high], else false. */
static bool readNumber(const std::string &text, long long low, long long high, long long &out) {
    const char *s = text.c_str();
    if (!*s) return false;
    char *end = nullptr;
    errno = 0;
    long long value = strtoll(s, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

/* "playing", "paused" or "stopped" as a PlayState, else false. */
static bool readState(const std::string &text, long long &out) {
    static const struct {
        const char *word;
        PlayState state;
    } states[] = {{"playing", STATE_PLAYING}, {"paused", STATE_PAUSED}, {"stopped", STATE_STOPPED}};
    for (const auto &s : states)
        if (text == s.word) {
            out = s.state;
            return true;
        }
    return false;
}

/* A command with an argument: its kind with the argument read, else REMOTE_UNKNOWN.
   trimmed is the argument without its trailing blanks. */
static RemoteCommand argumentCommand(const std::string &word, const std::string &arg,
                                     const std::string &trimmed) {
    RemoteCommand cmd;
    RemoteKind kind = REMOTE_UNKNOWN;
    bool ok = false;
    if (word == "title") {
        kind = REMOTE_TITLE;
        cmd.text = arg;
        ok = !trimmed.empty();
    } else if (word == "seek") {
        kind = REMOTE_SEEK;
        ok = readNumber(trimmed, 0, 0x7fffffffLL, cmd.number);
    } else if (word == "length") {
        kind = REMOTE_LENGTH;
        ok = readNumber(trimmed, STREAM_SECONDS, TRACK_SECONDS_MAX, cmd.number) && cmd.number != 0;
    } else if (word == "track") {
        kind = REMOTE_TRACK;
        ok = readNumber(trimmed, 1, PLAYLIST_TRACKS_MAX, cmd.number);
    } else if (word == "hang") {
        kind = REMOTE_HANG;
        ok = readNumber(trimmed, 0, 600000, cmd.number);
    } else if (word == "state" || word == "quiet") {
        kind = word == "state" ? REMOTE_STATE : REMOTE_QUIET;
        ok = readState(trimmed, cmd.number);
    } else if (word == "scroll") {
        kind = REMOTE_SCROLL;
        ok = trimmed == "on" || trimmed == "off";
        cmd.number = trimmed == "on";
    }
    cmd.kind = ok ? kind : REMOTE_UNKNOWN;
    return cmd;
}

RemoteCommand parseRemote(const std::string &text) {
    RemoteCommand cmd;
    size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) return cmd;
    size_t end = text.find(' ', start);
    std::string word =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string arg;
    if (end != std::string::npos) {
        size_t argStart = text.find_first_not_of(' ', end);
        if (argStart != std::string::npos) arg = text.substr(argStart);
    }
    /* Numbers and words take no trailing blanks; a title keeps its text as given. */
    std::string trimmed = arg;
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.pop_back();

    static const struct {
        const char *word;
        RemoteKind kind;
    } plain[] = {{"play", REMOTE_PLAY}, {"pause", REMOTE_PAUSE}, {"stop", REMOTE_STOP},
                 {"next", REMOTE_NEXT}, {"prev", REMOTE_PREV},   {"empty", REMOTE_EMPTY},
                 {"quit", REMOTE_QUIT}};
    for (const auto &p : plain)
        if (word == p.word) {
            cmd.kind = p.kind;
            return cmd;
        }
    return argumentCommand(word, arg, trimmed);
}
