/* The settings file: which of the four places it is found in, and the reading
   of every key with its default. Writes happen where a value changes. */
#include "settings/settings.h"
#include "plugin/state.h"

#include <string.h>

/* Replaces everything after the last backslash of path with name, keeping the
   whole within TEXT_SIZE. */
static void renameIn(char *path, const char *name) {
    const char *slash = strrchr(path, '\\');
    size_t at = slash ? (size_t)(slash - path) + 1 : 0;
    copyText(path + at, name, TEXT_SIZE - at);
}

void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]) {
    DWORD n = GetModuleFileNameA(warble.hInstance, places[0], TEXT_SIZE);
    places[0][n < TEXT_SIZE ? n : TEXT_SIZE - 1] = '\0';
    GetNightjarPath(places[2], TEXT_SIZE);
    places[2][TEXT_SIZE - 1] = '\0';
    for (int i = 0; i < SETTINGS_PLACES; i += 2) {
        copyText(places[i + 1], places[i], TEXT_SIZE);
        renameIn(places[i], "Warblerc");
        renameIn(places[i + 1], "Warble.rc");
    }
}

/* The first place that holds a file; Warble.rc beside the plugin when none does. */
static void findSettingsFile() {
    char places[SETTINGS_PLACES][TEXT_SIZE];
    settingsPlaces(places);
    int found = 0;
    while (found < SETTINGS_PLACES && !FileExists(places[found]))
        ++found;
    copyText(warble.rcPath, places[found < SETTINGS_PLACES ? found : 1], TEXT_SIZE);
}

void readSettings() {
    findSettingsFile();
    Options fresh;
    readOptions(warble.rcPath, fresh);
    DisplayLock lock; /* the poller formats the idle text from the options */
    options = fresh;
}

bool rereadSettings() {
    char before[TEXT_SIZE];
    copyText(before, warble.rcPath, TEXT_SIZE);
    findSettingsFile();
    Options fresh;
    readOptions(warble.rcPath, fresh);
    if (strcmp(before, warble.rcPath) == 0 && sameOptions(fresh, options)) return false;
    DisplayLock lock;
    options = fresh;
    return true;
}
