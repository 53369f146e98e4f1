/* The shell's handles and the settings file: which of the four places it is found in,
   and the reading of every option through the options table. Writes happen where a
   value changes. */
#include "settings/settings.h"
#include "core/text.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"

#include <string.h>

ShellLink shellLink;

/* Replaces everything after the last backslash of path with name, keeping the
   whole within TEXT_SIZE. */
static void renameIn(char *path, const char *name) {
    const char *slash = strrchr(path, '\\');
    size_t at = slash ? (size_t)(slash - path) + 1 : 0;
    copyText(path + at, name, TEXT_SIZE - at);
}

void settingsPlaces(char places[SETTINGS_PLACES][TEXT_SIZE]) {
    DWORD n = GetModuleFileNameA(shellLink.instance, places[0], TEXT_SIZE);
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
    copyText(shellLink.rcPath, places[found < SETTINGS_PLACES ? found : 1], TEXT_SIZE);
}

void readSettings() {
    findSettingsFile();
    Options fresh;
    readOptions(shellLink.rcPath, fresh);
    options = fresh;
}

bool rereadSettings() {
    char before[TEXT_SIZE];
    copyText(before, shellLink.rcPath, TEXT_SIZE);
    findSettingsFile();
    Options fresh;
    readOptions(shellLink.rcPath, fresh);
    if (strcmp(before, shellLink.rcPath) == 0 && sameOptions(fresh, options)) return false;
    options = fresh;
    return true;
}
