/* The shell's handles and the settings file: which of the four places it is found in,
   and the reading of every option through the options table. Writes happen where a
   value changes. */
#include "settings/settings.h"
#include "core/text.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"

#include <string.h>

/* Replaces everything after the last backslash of path with name, keeping the
   whole within TEXT_SIZE, and reports whether that file exists. */
ShellLink shellLink;

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
    char *path = shellLink.rcPath;
    DWORD n = GetModuleFileNameA(shellLink.instance, path, TEXT_SIZE);
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
    readOptions(shellLink.rcPath, fresh);
    OptionsLock lock; /* the poller formats the idle text from the options */
    options = fresh;
}
