/* rc-saver.exe: another program saving Warble.rc while the plugin writes it, as an
   editor does, for the tests' races.
     rc-saver saves PATH BODY GO DONE COUNT STEP
       COUNT times: waits for the event GO, waits (i % 7) * STEP ms, saves the whole
       file (BODY's text and a last line "Warble.plugin.idle.message: save i"), then
       sets the event DONE.
     rc-saver loop PATH STOP [HOW COUNT]
       Until the event STOP is set, or COUNT saves are made: reads the file, checks that
       it still holds the line of its last save, sets that line to the next save's and
       saves the file whole, HOW: "inplace" (the default: read and written through one
       handle that lets nobody else write meanwhile), "movefile" (a temporary file moved
       over it with MoveFileEx), "replacefile" (ReplaceFileA) or "deleterename" (the file
       deleted, then a temporary file renamed to its name). A save refused (the file held
       by another program) is tried again, as a user would. Pauses 0-6 ms between saves
       (0-12 with a COUNT), and checks the last save once more at the end. Prints how
       many saves it made and how many it found lost, and exits 1 when one was lost.
   Exit code 2 for a command line it does not know, 3 when a wait runs out. */
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <windows.h>

static const char MARKER[] = "Warble.plugin.idle.message: save ";
static const DWORD WAIT_MS = 60000;

static bool readAll(HANDLE file, std::string &text) {
    DWORD size = GetFileSize(file, nullptr), got = 0;
    text.assign(size, '\0');
    return size == INVALID_FILE_SIZE ||
           (size == 0 || (ReadFile(file, &text[0], size, &got, nullptr) && got == size));
}

static bool writeAll(HANDLE file, const std::string &text) {
    DWORD put = 0;
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
           WriteFile(file, text.data(), (DWORD)text.size(), &put, nullptr) && put == text.size() &&
           SetEndOfFile(file);
}

/* Opens the file as a saver does, waiting while another program holds it or, for a
   file it opens as it is, has it renamed aside for the moment of a replace. */
static HANDLE openHeld(const char *path, DWORD access, DWORD disposition) {
    for (DWORD waited = 0; waited < WAIT_MS; ++waited) {
        HANDLE file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
        DWORD error = GetLastError();
        bool moment = error == ERROR_SHARING_VIOLATION ||
                      (disposition == OPEN_EXISTING && error == ERROR_FILE_NOT_FOUND);
        if (file != INVALID_HANDLE_VALUE || !moment) return file;
        Sleep(1);
    }
    return INVALID_HANDLE_VALUE;
}

static std::string markerLine(int save) {
    return MARKER + std::to_string(save) + "\r\n";
}

static int saves(const char *path, const char *bodyPath, HANDLE go, HANDLE done, int count,
                 int step) {
    std::string body;
    HANDLE source =
        CreateFileA(bodyPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (source == INVALID_HANDLE_VALUE || !readAll(source, body)) return 2;
    CloseHandle(source);
    for (int i = 0; i < count; ++i) {
        if (WaitForSingleObject(go, WAIT_MS) != WAIT_OBJECT_0) return 3;
        Sleep((DWORD)((i % 7) * step));
        HANDLE file = openHeld(path, GENERIC_WRITE, CREATE_ALWAYS);
        if (file == INVALID_HANDLE_VALUE) return 3;
        writeAll(file, body + markerLine(i));
        CloseHandle(file);
        SetEvent(done);
    }
    return 0;
}

/* Does step until it succeeds, as a user saving again after a refusal would. */
template <class Step> static bool untilDone(Step step) {
    for (DWORD waited = 0; waited < WAIT_MS; ++waited) {
        if (step()) return true;
        Sleep(1);
    }
    return false;
}

/* Reads the file and finds the number of the last save in it (-1 when none); the text
   is left without that line. */
static bool readSaved(const char *path, std::string &text, int &found) {
    HANDLE file = openHeld(path, GENERIC_READ, OPEN_EXISTING);
    bool read = file != INVALID_HANDLE_VALUE && readAll(file, text);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    found = -1;
    size_t at = text.find(MARKER);
    if (read && at != std::string::npos) {
        found = atoi(text.c_str() + at + sizeof MARKER - 1);
        text.erase(at, text.find('\n', at) + 1 - at);
    }
    return read;
}

static bool writeNew(const std::string &path, const std::string &text) {
    HANDLE file = openHeld(path.c_str(), GENERIC_WRITE, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool written = writeAll(file, text);
    return CloseHandle(file) && written;
}

/* Saves text over the file through a temporary file, HOW. */
static bool saveByName(const char *path, const char *how, const std::string &text) {
    std::string temporary = std::string(path) + ".saver";
    if (!writeNew(temporary, text)) return false;
    if (strcmp(how, "movefile") == 0)
        return untilDone(
            [&] { return MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0; });
    if (strcmp(how, "replacefile") == 0)
        return untilDone([&] {
            return ReplaceFileA(path, temporary.c_str(), nullptr, 0, nullptr, nullptr) != 0;
        });
    return untilDone([&] {
        return (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) &&
               MoveFileA(temporary.c_str(), path);
    });
}

/* One save of the loop: the number of the save found in the file, or -1. */
static int saveOnce(const char *path, const char *how, int next) {
    std::string text;
    int found = -1;
    if (strcmp(how, "inplace") != 0) {
        if (readSaved(path, text, found)) saveByName(path, how, text + markerLine(next));
        return found;
    }
    HANDLE file = openHeld(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return -1;
    if (readAll(file, text)) {
        size_t at = text.find(MARKER);
        if (at != std::string::npos) {
            found = atoi(text.c_str() + at + sizeof MARKER - 1);
            text.erase(at, text.find('\n', at) + 1 - at);
        }
        writeAll(file, text + markerLine(next));
    }
    CloseHandle(file);
    return found;
}

static int loop(const char *path, HANDLE stop, const char *how, int count) {
    int made = 0, lost = 0;
    for (; made < count && WaitForSingleObject(stop, 0) == WAIT_TIMEOUT; ++made) {
        int found = saveOnce(path, how, made);
        if (found != made - 1 && made > 0 && ++lost)
            printf("save %d lost: found %d\n", made - 1, found);
        Sleep(count < INT_MAX ? (DWORD)(made * 5 % 13) : (DWORD)(rand() % 7));
    }
    std::string text;
    int last = -1;
    if (made > 0 && (!readSaved(path, text, last) || last != made - 1)) ++lost;
    printf("saves %d lost %d\n", made, lost);
    return lost ? 1 : 0;
}

int main(int argc, char **argv) {
    if (argc == 8 && strcmp(argv[1], "saves") == 0) {
        HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, argv[4]);
        HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[5]);
        if (!go || !done) return 2;
        return saves(argv[2], argv[3], go, done, atoi(argv[6]), atoi(argv[7]));
    }
    if ((argc == 4 || argc == 6) && strcmp(argv[1], "loop") == 0) {
        HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
        const char *how = argc == 6 ? argv[4] : "inplace";
        int count = argc == 6 ? atoi(argv[5]) : INT_MAX;
        const char *hows[] = {"inplace", "movefile", "replacefile", "deleterename"};
        bool known = false;
        for (const char *h : hows)
            known = known || strcmp(how, h) == 0;
        return stop && known ? loop(argv[2], stop, how, count) : 2;
    }
    fprintf(stderr, "usage: rc-saver saves PATH BODY GO DONE COUNT STEP | "
                    "loop PATH STOP [HOW COUNT]\n");
    return 2;
}
