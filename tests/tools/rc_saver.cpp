/* rc-saver.exe: another program saving Warble.rc while the plugin writes it, as an
   editor does, for the tests' races.
     rc-saver saves PATH BODY GO DONE COUNT STEP
       COUNT times: waits for the event GO, waits (i % 7) * STEP ms, saves the whole
       file (BODY's text and a last line "Warble.plugin.idle.message: save i"), then
       sets the event DONE.
     rc-saver loop PATH STOP
       Until the event STOP is set: opens the file so that nobody else writes it, checks
       that it still holds the line of its last save, sets that line to the next save's
       and writes the file back whole; pauses 0-6 ms between saves. Prints how many saves
       it made and how many it found lost, and exits 1 when one was lost.
   Exit code 2 for a command line it does not know, 3 when a wait runs out. */
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

/* One save of the loop: the number of the save found in the file, or -1. */
static int saveOnce(const char *path, int next) {
    HANDLE file = openHeld(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return -1;
    std::string text;
    int found = -1;
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

static int loop(const char *path, HANDLE stop) {
    int made = 0, lost = 0;
    for (; WaitForSingleObject(stop, 0) == WAIT_TIMEOUT; ++made) {
        if (saveOnce(path, made) != made - 1 && made > 0) ++lost;
        Sleep((DWORD)(rand() % 7));
    }
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
    if (argc == 4 && strcmp(argv[1], "loop") == 0) {
        HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
        return stop ? loop(argv[2], stop) : 2;
    }
    fprintf(stderr, "usage: rc-saver saves PATH BODY GO DONE COUNT STEP | loop PATH STOP\n");
    return 2;
}
