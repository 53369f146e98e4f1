/* The settings file watch. A thread of the start waits on the system's change
   notifications for the folders of the four places and posts a notice to the window;
   nothing is polled, so an idle plugin costs nothing here. On a notice the shell's
   thread asks the settings whether the file in use changed since the plugin last read
   or wrote it (its own writes are no news) and reads a change only once it has
   settled, so that a file still being written is never applied; an editor that saves
   over and over is read at most once a second. The same timer brings back a write of
   the plugin's that did not land. */
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

/* What the watch thread is handed: a hold on its start, and the notifications it waits
   on. They are made on the shell's thread before the start returns, so that no save
   after the settings were read goes unseen. */
struct WatchStart {
    SharedStart start;
    ChangeNotification notices[WATCHED_FOLDERS];
    DWORD count;
};

/* How long after the stop the notifications are closed: under Wine, closing them holds
   the system's server for some milliseconds, and every call of the shell's thread waits
   meanwhile; closed a moment later, that falls after endPlugin rather than within it. */
enum { LATE_CLOSE_MS = 150 };

static DWORD WINAPI watchThread(LPVOID parameter) {
    HeapBlock<WatchStart> watch((WatchStart *)parameter);
    const StartContext *start = watch->start;
    HANDLE waits[1 + WATCHED_FOLDERS] = {start->stop};
    for (DWORD i = 0; i < watch->count; ++i)
        waits[1 + i] = watch->notices[i];
    for (;;) {
        DWORD which =
            WaitForMultipleObjects(1 + watch->count, waits, FALSE, INFINITE) - WAIT_OBJECT_0;
        if (which == 0 || which > watch->count) break;
        FindNextChangeNotification(waits[which]);
        if (WaitForSingleObject(start->stop, GATHER_MS) == WAIT_OBJECT_0) break;
        PostMessageA(start->window, MSG_SETTINGS_NOTICE, 0, 0);
    }
    Sleep(LATE_CLOSE_MS);
    return 0;
}

/* The folder of path, with its last backslash. */
static void folderOf(const char *path, char *folder) {
    copyText(folder, path, TEXT_SIZE);
    char *slash = strrchr(folder, '\\');
    if (slash) slash[1] = '\0';
}

bool startSettingsWatch(const SharedStart &start, SettingsSync &sync) {
    sync.lastRead = GetTickCount() - READ_GAP_MS;
    char places[SETTINGS_PLACES][TEXT_SIZE], folders[WATCHED_FOLDERS][TEXT_SIZE];
    settingsPlaces(places);
    folderOf(places[0], folders[0]);
    folderOf(places[2], folders[1]);
    int wanted = lstrcmpiA(folders[0], folders[1]) == 0 ? 1 : 2;
    HeapBlock<WatchStart> watch;
    if (!watch.create()) return false;
    for (int i = 0; i < wanted; ++i) {
        HANDLE notice = FindFirstChangeNotificationA(folders[i], FALSE, CHANGES);
        if (notice != INVALID_HANDLE_VALUE) watch->notices[watch->count++].reset(notice);
    }
    /* No folder to watch: an edit applies with the shell's reconfigure, as without the
       watch. */
    if (!watch->count) return true;
    watch->start = start.share();
    if (!startPluginThread(watchThread, watch.get())) return false;
    watch.release(); /* the thread's now */
    /* A save between the reading of the settings and now is looked at once. */
    PostMessageA(start->window, MSG_SETTINGS_NOTICE, 0, 0);
    return true;
}

void cancelSettingsLook(SettingsSync &sync) {
    settingsLookDue(sync);
    setSettingsWindow(sync, nullptr);
}

bool settingsEditSettled(SettingsSync &sync) {
    settingsLookDue(sync);
    DWORD wait = settingsReadyIn(sync);
    if (wait == SETTINGS_NO_NEWS) return false;
    DWORD sinceRead = GetTickCount() - sync.lastRead;
    if (wait == 0 && sinceRead < READ_GAP_MS) wait = READ_GAP_MS - sinceRead;
    if (wait > 0) {
        lookAtSettingsIn(sync, wait);
        return false;
    }
    sync.lastRead = GetTickCount();
    return true;
}
