/* The settings file: which of the four places it is found in, and the reading
   of every key with its default. Writes happen where a value changes. */
#include "settings/settings.h"
#include "plugin/state.h"

#include <string.h>

/* Replaces everything after the last backslash of path with name, keeping the
   whole within TEXT_SIZE, and reports whether that file exists. */
static bool tryName(char *path, const char *name) {
    const char *slash = strrchr(path, '\\');
    size_t at = slash ? (size_t)(slash - path) + 1 : 0;
    copyText(path + at, name, TEXT_SIZE - at);
    return FileExists(path);
}

static bool findInFolderOf(char *path) {
    return tryName(path, "Warblerc") || tryName(path, "Warble.rc");
}

static void findSettingsFile() {
    char *path = warble.rcPath;
    DWORD n = GetModuleFileNameA(warble.hInstance, path, TEXT_SIZE);
    path[n < TEXT_SIZE ? n : TEXT_SIZE - 1] = '\0';
    if (findInFolderOf(path)) return;

    char besidePlugin[TEXT_SIZE];
    copyText(besidePlugin, path, TEXT_SIZE);
    GetNightjarPath(path, TEXT_SIZE);
    path[TEXT_SIZE - 1] = '\0';
    if (findInFolderOf(path)) return;
    copyText(path, besidePlugin, TEXT_SIZE);
}

void readSettings() {
    findSettingsFile();
    Options fresh;
    readOptions(warble.rcPath, fresh);
    DisplayLock lock; /* the poller formats the idle text from the options */
    options = fresh;
}
