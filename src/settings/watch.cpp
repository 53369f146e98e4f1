/* The settings file watch. A thread of the start waits on the system's change
   notifications for the folders of the four places and posts a notice to the window;
   nothing is polled, so an idle plugin costs nothing here. On a notice the shell's
   thread compares the file in use with its stamp at the last read or write (the
   plugin's own writes are no news), and reads a change only once it has settled, so
   that a file still being written is never applied; an editor that saves over and
   over is read at most once a second. */
#include "settings/watch.h"
#include "core/owners.h"
#include "core/text.h"
#include "settings/file_stamp.h"
#include "settings/settings.h"

#include <string.h>

enum {
    READ_GAP_MS = 1000,
    GATHER_MS = 50, /* a save comes as several changes: they make one notice */
    WATCHED_FOLDERS = 2
};

const DWORD CHANGES =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

/* What the watch thread is handed: its own copy of the folders and its start. */
struct WatchStart {
    StartContext *start;
    char folders[WATCHED_FOLDERS][TEXT_SIZE];
    int count;
};

/* Shell's thread only. */
static DWORD lastRead;

static DWORD WINAPI watchThread(LPVOID parameter) {
    WatchStart watch = *(WatchStart *)parameter;
    HeapFree(GetProcessHeap(), 0, parameter);
    ChangeNotification notices[WATCHED_FOLDERS];
    HANDLE waits[1 + WATCHED_FOLDERS] = {watch.start->stop};
    DWORD count = 1;
    for (int i = 0; i < watch.count; ++i) {
        notices[i].reset(FindFirstChangeNotificationA(watch.folders[i], FALSE, CHANGES));
        if (notices[i] && notices[i] != INVALID_HANDLE_VALUE) waits[count++] = notices[i];
    }
    while (count > 1) {
        DWORD which = WaitForMultipleObjects(count, waits, FALSE, INFINITE) - WAIT_OBJECT_0;
        if (which == 0 || which >= count) break;
        FindNextChangeNotification(waits[which]);
        if (WaitForSingleObject(watch.start->stop, GATHER_MS) == WAIT_OBJECT_0) break;
        PostMessageA(watch.start->window, MSG_SETTINGS_NOTICE, 0, 0);
    }
    releaseStartContext(watch.start);
    return 0;
}

/* The folder of path, with its last backslash. */
static void folderOf(const char *path, char *folder) {
    copyText(folder, path, TEXT_SIZE);
    char *slash = strrchr(folder, '\\');
    if (slash) slash[1] = '\0';
}

bool startSettingsWatch(StartContext *start) {
    lastRead = GetTickCount() - READ_GAP_MS;
    WatchStart *watch = (WatchStart *)HeapAlloc(GetProcessHeap(), 0, sizeof(WatchStart));
    if (!watch) return false;
    char places[SETTINGS_PLACES][TEXT_SIZE];
    settingsPlaces(places);
    watch->start = start;
    folderOf(places[0], watch->folders[0]);
    folderOf(places[2], watch->folders[1]);
    watch->count = lstrcmpiA(watch->folders[0], watch->folders[1]) == 0 ? 1 : 2;
    holdStartContext(start);
    if (startPluginThread(watchThread, watch)) return true;
    releaseStartContext(start);
    HeapFree(GetProcessHeap(), 0, watch);
    return false;
}

bool settingsEditSettled(HWND window) {
    KillTimer(window, SETTINGS_WATCH_TIMER);
    /* A drag or a sizing in progress: its end looks again. */
    if (settingsFileHeld()) return false;
    char first[TEXT_SIZE];
    findSettingsFile(first);
    if (strcmp(first, shellLink.rcPath) == 0 && !settingsFileChanged()) return false;
    DWORD wait = fileSettlesIn(first, stampFile(first));
    DWORD sinceRead = GetTickCount() - lastRead;
    if (wait == 0 && sinceRead < READ_GAP_MS) wait = READ_GAP_MS - sinceRead;
    if (wait > 0) {
        SetTimer(window, SETTINGS_WATCH_TIMER, wait, nullptr);
        return false;
    }
    lastRead = GetTickCount();
    return true;
}
