/* The settings file watch. Each tick stamps the four places (whether a file is there,
   its size and its last write), which costs no more than four look-ups of a file's
   attributes. A change is taken only once the places have stood still for a tick and
   no program holds the file open for writing, so that a file still being written is
   never read; an editor that saves over and over is read at most once a second. What
   the plugin writes itself is noticed too, and read back as nothing new. */
#include "settings/watch.h"
#include "core/owners.h"
#include "core/text.h"
#include "settings/settings.h"

#include <string.h>

enum { WATCH_PERIOD_MS = 250, QUIET_MS = 250, READ_GAP_MS = 1000 };

struct PlaceStamp {
    DWORD attributes, sizeHigh, sizeLow;
    FILETIME written;
};

struct PlaceStamps {
    PlaceStamp place[SETTINGS_PLACES];
    int first; /* the first place that holds a file, which is the one read; -1 for none */
};

/* Shell's thread only, like the timer. */
static PlaceStamps seen;
static bool pending;      /* a change not taken yet */
static DWORD changedAt;   /* when the places last changed */
static DWORD lastSettled; /* when a change was last taken */
static char places[SETTINGS_PLACES][TEXT_SIZE];

static PlaceStamps stampPlaces() {
    PlaceStamps stamps;
    memset(&stamps, 0, sizeof stamps);
    stamps.first = -1;
    for (int i = 0; i < SETTINGS_PLACES; ++i) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(places[i], GetFileExInfoStandard, &data)) continue;
        stamps.place[i] = {data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow,
                           data.ftLastWriteTime};
        if (stamps.first < 0) stamps.first = i;
    }
    return stamps;
}

/* No other program has the file open for writing. A file that is gone reads whole: no
   file is a state of its own. */
static bool readsWhole(const char *path) {
    Handle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_SHARING_VIOLATION;
    return true;
}

void startSettingsWatch(HWND window) {
    settingsPlaces(places);
    seen = stampPlaces();
    pending = false;
    lastSettled = GetTickCount() - READ_GAP_MS;
    SetTimer(window, SETTINGS_WATCH_TIMER, WATCH_PERIOD_MS, nullptr);
}

void stopSettingsWatch(HWND window) {
    KillTimer(window, SETTINGS_WATCH_TIMER);
}

bool settingsFileSettled() {
    DWORD now = GetTickCount();
    PlaceStamps stamps = stampPlaces();
    if (memcmp(&stamps, &seen, sizeof stamps) != 0) {
        seen = stamps;
        pending = true;
        changedAt = now;
        return false;
    }
    if (!pending || now - changedAt < QUIET_MS || now - lastSettled < READ_GAP_MS) return false;
    if (stamps.first >= 0 && !readsWhole(places[stamps.first])) return false;
    pending = false;
    lastSettled = now;
    return true;
}
