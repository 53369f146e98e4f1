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

/* What the watch thread is handed: its start, and the notifications it waits on, which
   it closes. They are made on the shell's thread before the start returns, so that no
   save after the settings were read goes unseen. */
struct WatchStart {
    StartContext *start;
    HANDLE notices[WATCHED_FOLDERS];
    DWORD count;
};

/* Shell's thread only. */
static DWORD lastRead;

static DWORD WINAPI watchThread(LPVOID parameter) {
    WatchStart watch = *(WatchStart *)parameter;
    HeapFree(GetProcessHeap(), 0, parameter);
    ChangeNotification owned[WATCHED_FOLDERS];
    HANDLE waits[1 + WATCHED_FOLDERS] = {watch.start->stop};
    for (DWORD i = 0; i < watch.count; ++i) {
        owned[i].reset(watch.notices[i]);
        waits[1 + i] = watch.notices[i];
    }
    for (;;) {
        DWORD which =
            WaitForMultipleObjects(1 + watch.count, waits, FALSE, INFINITE) - WAIT_OBJECT_0;
        if (which == 0 || which > watch.count) break;
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
    char places[SETTINGS_PLACES][TEXT_SIZE], folders[WATCHED_FOLDERS][TEXT_SIZE];
    settingsPlaces(places);
    folderOf(places[0], folders[0]);
    folderOf(places[2], folders[1]);
    int wanted = lstrcmpiA(folders[0], folders[1]) == 0 ? 1 : 2;
    ChangeNotification notices[WATCHED_FOLDERS];
    DWORD count = 0;
    for (int i = 0; i < wanted; ++i) {
        HANDLE notice = FindFirstChangeNotificationA(folders[i], FALSE, CHANGES);
        if (notice != INVALID_HANDLE_VALUE) notices[count++].reset(notice);
    }
    WatchStart *watch = (WatchStart *)HeapAlloc(GetProcessHeap(), 0, sizeof(WatchStart));
    if (!count || !watch) {
        if (watch) HeapFree(GetProcessHeap(), 0, watch);
        return false;
    }
    watch->start = start;
    watch->count = count;
    for (DWORD i = 0; i < count; ++i)
        watch->notices[i] = notices[i];
    holdStartContext(start);
    if (!startPluginThread(watchThread, watch)) {
        releaseStartContext(start);
        HeapFree(GetProcessHeap(), 0, watch);
        return false;
    }
    for (DWORD i = 0; i < count; ++i)
        notices[i].release();
    /* A save between the reading of the settings and now is looked at once. */
    PostMessageA(start->window, MSG_SETTINGS_NOTICE, 0, 0);
    return true;
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
