/* The shell's handles and the settings file: which of the four places it is found in,
   the reading of every option through the options table, and every change the plugin
   makes to its options. The user edits the same file, so for each key the newer change
   wins: the file's stamp and values at the plugin's last read or write tell which keys
   a save changed since, each of the plugin's own changes not written yet carries the
   time it was made, and every write is read back, so that one that did not land stays
   pending until it does. */
#include "settings/settings.h"
#include "core/text.h"
#include "nightjar/nightjar.h"
#include "settings/file_stamp.h"
#include "settings/option_values.h"
#include "settings/options.h"

#include <string.h>

ShellLink shellLink;

static const DWORD KEEP_MS = 2000;  /* a key or a file that vanished keeps its value this long */
static const DWORD LATE_LOOK_MS = 30; /* a look at the end of a wait comes this much after it */
static const DWORD RETRY_MS = 1000; /* a write that did not land is tried again after this, */
static const DWORD RETRY_MAX_MS = 32000; /* doubling up to this while it keeps failing */

static void tellListener(SettingsSync &sync) {
    if (sync.listener) sync.listener();
}

void shellHandedOver(HINSTANCE instance, HWND host) {
    shellLink.instance = instance;
    shellLink.host = host;
}

void slitHandedOver(HWND slit) {
    shellLink.slit = slit;
}

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

void findSettingsFile(char path[TEXT_SIZE]) {
    char places[SETTINGS_PLACES][TEXT_SIZE];
    settingsPlaces(places);
    int found = 0;
    while (found < SETTINGS_PLACES && !FileExists(places[found]))
        ++found;
    copyText(path, places[found < SETTINGS_PLACES ? found : 1], TEXT_SIZE);
}

/* The rows whose key the file at path holds. */
static unsigned long long keysIn(const char *path) {
    unsigned long long keys = 0;
    for (const OptionRow &row : optionRows())
        if (ReadString(path, row.key, nullptr)) keys |= rowBit(row);
    return keys;
}

static int rowIndex(const OptionRow &row) {
    return __builtin_ctzll(rowBit(row));
}

void readSettings(SettingsSync &sync) {
    findSettingsFile(sync.path);
    sync.known = stampFile(sync.path);
    Options fresh;
    readOptions(sync.path, fresh);
    optionValues() = sync.inFile = fresh;
    sync.keysInFile = keysIn(sync.path);
    sync.pending = 0;
    sync.held = false;
    sync.gone = false;
    sync.toggles = 0;
    sync.retryIn = RETRY_MS;
    settingsLookDue(sync);
    tellListener(sync);
}

/* How long until the file in use, with this stamp, may be read: 0 now. A file still
   being written waits; atOnce (the shell's reconfigure), only an empty one does. */
static DWORD readyIn(const SettingsSync &sync, const FileStamp &stamp, bool atOnce) {
    return atOnce ? emptySettlesIn(stamp) : fileSettlesIn(sync.path, stamp);
}

/* Lays what the file holds over memory, key by key: a key that the file changed (its
   value, or whether it is there at all) since the plugin last read it takes the file's
   value, unless the plugin's own change of it is newer than the save; the plugin's
   older change of it is dropped, and so is a toggle still waiting to be made that the
   save came after (the file is not the one it was when the toggle was made: a save a
   few milliseconds after a toggle is told by the file itself, not by clocks that the
   file system keeps coarser). */
static void mergeFile(SettingsSync &sync, const FileStamp &stamp, const Options &fresh,
                      unsigned long long keys) {
    Options &values = optionValues();
    ULONGLONG saved = timeWritten(stamp);
    for (const OptionRow &row : optionRows()) {
        unsigned long long bit = rowBit(row);
        bool fileChanged = !sameOption(row, fresh, sync.inFile) || ((keys ^ sync.keysInFile) & bit);
        if (fileChanged && (sync.toggles & bit) &&
            !sameStamp(stamp, sync.toggledOver[rowIndex(row)]))
            sync.toggles &= ~bit;
        if ((sync.pending & bit) && (!fileChanged || sync.changedAt[rowIndex(row)] > saved))
            continue;
        sync.pending &= ~bit;
        copyOption(row, fresh, values);
    }
    sync.inFile = fresh;
}

/* Takes what the file holds now; fromFile tells whether any option in memory changed.
   False when it is not taken yet: it lost keys that the plugin read from it before and
   has not stood so for 2 s (unless atOnce), as a save in two steps does. */
static bool takeFile(SettingsSync &sync, const FileStamp &stamp, bool atOnce, bool &fromFile) {
    Options fresh;
    bool holdsKeys = readOptions(sync.path, fresh);
    unsigned long long keys = keysIn(sync.path);
    ULONGLONG age = stampAge(stamp);
    if (!atOnce && stamp.exists && age < KEEP_MS && (sync.keysInFile & ~keys)) {
        /* Looked at a little after the 2 s: a timer that fires a moment early would find
           the file short of them, and the read it made would hold the next one back by
           the watch's gap between two reads, a whole second. */
        lookAtSettingsIn(sync, (DWORD)(KEEP_MS - age) + LATE_LOOK_MS);
        return false;
    }
    sync.known = stamp;
    bool empty = !stamp.exists || (stamp.sizeHigh == 0 && stamp.sizeLow == 0);
    if (!holdsKeys && !empty) return true;
    const Options before = options;
    mergeFile(sync, stamp, fresh, keys);
    sync.keysInFile = keys;
    if (!sameOptions(before, options)) {
        fromFile = true;
        tellListener(sync);
    }
    return true;
}

/* Brings memory up to what the file holds when it changed since the plugin last read
   or wrote it. False when it changed but cannot be taken yet: it is still being
   written, or it is gone (the watch decides what takes its place). */
static bool catchUp(SettingsSync &sync, bool &fromFile) {
    FileStamp stamp = stampFile(sync.path);
    if (sameStamp(stamp, sync.known)) return true;
    if ((!stamp.exists && sync.known.exists) || readyIn(sync, stamp, false) > 0) return false;
    return takeFile(sync, stamp, false, fromFile);
}

/* A key the shell wrote but that reads back otherwise (a shell that stores the value
   in its own way) would be written again at every change, forever: it is written no
   more, memory keeps the value in use, and the plugin's log says why. */
static void writtenOtherwise(SettingsSync &sync, const OptionRow &row) {
    char why[TEXT_SIZE + 128]; /* the path, the key and the words around them */
    wsprintfA(why, "Warble: %s in %s reads back otherwise than written; it is not written again\n",
              row.key, sync.path);
    OutputDebugStringA(why);
    Options read = sync.inFile;
    readOptions(sync.path, read);
    copyOption(row, read, sync.inFile);
}

/* Writes the plugin's own changes one key at a time, each on top of the file as it is
   then, and checks that each landed: a save that came between two writes is taken
   first, and a change that the file does not hold afterwards (the shell could not
   write it) stays pending. False when not all were written. */
static bool writeOwnChanges(SettingsSync &sync, bool &fromFile) {
    for (const OptionRow &row : optionRows()) {
        unsigned long long bit = rowBit(row);
        if (!(sync.pending & bit)) continue;
        if (!catchUp(sync, fromFile)) return false;
        if (!(sync.pending & bit)) continue; /* the file's newer value won */
        writeOption(sync.path, row, sync.commentNewKeys);
        FileStamp written = stampFile(sync.path);
        bool landed = !sameStamp(written, sync.known);
        sync.known = written;
        if (!fileHoldsOption(sync.path, row)) {
            if (!landed || !ReadString(sync.path, row.key, nullptr)) return false;
            writtenOtherwise(sync, row);
        } else {
            copyOption(row, options, sync.inFile);
        }
        sync.pending &= ~bit;
        sync.keysInFile |= bit;
    }
    return true;
}

/* The plugin's changes not written yet are tried again later: once the file has
   settled when it is the file that changed, else after a pause that grows while the
   shell keeps failing to write them. */
static void retryLater(SettingsSync &sync) {
    if (!sync.pending) {
        sync.retryIn = RETRY_MS;
        return;
    }
    FileStamp stamp = stampFile(sync.path);
    DWORD wait = sync.retryIn;
    if (!sameStamp(stamp, sync.known))
        wait = readyIn(sync, stamp, false);
    else if (sync.retryIn < RETRY_MAX_MS)
        sync.retryIn *= 2;
    lookAtSettingsIn(sync, wait ? wait : RETRY_MS);
}

/* Brings the memory and the file together: a changed file that has settled is taken,
   then the plugin's own changes are written. What was taken from the file applies
   once the current message has returned (it may be a move of the window's own). */
static void synchronise(SettingsSync &sync) {
    if (sync.held) return;
    bool fromFile = false;
    if (catchUp(sync, fromFile)) writeOwnChanges(sync, fromFile);
    retryLater(sync);
    if (fromFile && sync.window) PostMessageA(sync.window, MSG_SETTINGS_APPLY, 0, 0);
}

bool rereadSettings(SettingsSync &sync, bool atOnce) {
    char before[TEXT_SIZE];
    copyText(before, sync.path, TEXT_SIZE);
    findSettingsFile(sync.path);
    bool moved = strcmp(before, sync.path) != 0;
    /* Another file takes over: none of its keys can have been lost. */
    if (moved) sync.keysInFile = 0;
    FileStamp stamp = stampFile(sync.path);
    sync.gone = false;
    bool fromFile = false;
    DWORD wait = readyIn(sync, stamp, atOnce);
    if (wait) {
        lookAtSettingsIn(sync, wait);
    } else if (takeFile(sync, stamp, atOnce, fromFile) && !sync.held) {
        writeOwnChanges(sync, fromFile);
        retryLater(sync);
    }
    return fromFile || moved;
}

DWORD settingsReadyIn(SettingsSync &sync) {
    if (sync.held) return SETTINGS_NO_NEWS;
    FileStamp stamp = stampFile(sync.path);
    if (!stamp.exists && sync.known.exists) {
        if (!sync.gone) {
            sync.gone = true;
            sync.goneSince = GetTickCount();
        }
        DWORD gone = GetTickCount() - sync.goneSince;
        if (gone < KEEP_MS) return KEEP_MS - gone;
    } else {
        sync.gone = false;
    }
    char first[TEXT_SIZE];
    findSettingsFile(first);
    if (strcmp(first, sync.path) != 0) return fileSettlesIn(first, stampFile(first));
    if (sameStamp(stamp, sync.known)) return sync.pending ? 0 : (DWORD)SETTINGS_NO_NEWS;
    return readyIn(sync, stamp, false);
}

void setSettingsWindow(SettingsSync &sync, HWND window) {
    sync.window = window;
}

void setOptionsListener(SettingsSync &sync, void (*listener)()) {
    sync.listener = listener;
}

void lookAtSettingsIn(SettingsSync &sync, DWORD ms) {
    DWORD now = GetTickCount();
    if (!sync.window) return;
    if (sync.nextLook && (int)(sync.lookDue - now) <= (int)ms) return;
    if (sync.nextLook.set(sync.window, SETTINGS_WATCH_TIMER, ms)) sync.lookDue = now + ms;
}

void settingsLookDue(SettingsSync &sync) {
    sync.nextLook.reset();
}

static void ownChange(SettingsSync &sync, const OptionRow &row) {
    sync.pending |= rowBit(row);
    sync.changedAt[rowIndex(row)] = timeNow();
}

void stageOption(SettingsSync &sync, const OptionRow &row, int value) {
    switch (row.kind) {
    case OPTION_BOOL: flagIn(optionValues(), row) = value != 0; break;
    case OPTION_INT: numberIn(optionValues(), row) = fitOption(row, value); break;
    case OPTION_CHOICE: numberIn(optionValues(), row) = value; break;
    case OPTION_TEXT: return;
    }
    ownChange(sync, row);
    tellListener(sync);
}

void setOption(SettingsSync &sync, const OptionRow &row, int value) {
    stageOption(sync, row, value);
    synchronise(sync);
}

void rewriteOption(SettingsSync &sync, const OptionRow &row) {
    ownChange(sync, row);
    synchronise(sync);
}

static const size_t PLACE_FIELDS[] = {offsetof(Options, xPos), offsetof(Options, yPos),
                                      offsetof(Options, width), offsetof(Options, height)};

/* Records count values, one for each of the fields, brought into their range when fit is
   set: true when any of them changed, and then all of them are to be written, as the
   shell and other tools read them together. */
static bool recordPlace(SettingsSync &sync, const size_t *fields, const int *placed, int count,
                        bool fit = true) {
    bool moved = false;
    for (int i = 0; i < count; ++i) {
        const OptionRow &row = optionRow(fields[i]);
        int value = fit ? fitOption(row, placed[i]) : placed[i];
        if (numberOption(row) == value) continue;
        numberIn(optionValues(), row) = value;
        moved = true;
    }
    if (moved) {
        for (int i = 0; i < count; ++i)
            ownChange(sync, optionRow(fields[i]));
        tellListener(sync);
    }
    return moved;
}

void windowPlaced(SettingsSync &sync, int x, int y, int width, int height) {
    const int placed[] = {x, y, width, height};
    if (recordPlace(sync, PLACE_FIELDS, placed, 4)) synchronise(sync);
}

void windowSized(SettingsSync &sync, int width, int height) {
    const int sized[] = {width, height};
    if (recordPlace(sync, PLACE_FIELDS + 2, sized, 2)) synchronise(sync);
}

void windowBeingSized(SettingsSync &sync, int width, int height) {
    /* A proposed size outside the system's sizing loop sizes nothing. */
    if (!sync.held) return;
    const int sized[] = {width, height};
    recordPlace(sync, PLACE_FIELDS + 2, sized, 2, false);
}

void leaveSlitAtEnd(SettingsSync &sync) {
    optionValues().inSlit = false;
    tellListener(sync);
}

bool completeSettingsFile(SettingsSync &sync) {
    synchronise(sync);
    /* Each key is one rewrite of the whole file: a file far larger than any list of
       options is opened as it is, rather than holding the shell for a rewrite a key. */
    FileStamp stamp = stampFile(sync.path);
    if (stamp.sizeHigh || stamp.sizeLow > COMPLETED_FILE_MAX) return false;
    /* A file still being written is not completed: what it lacks now it may hold in a
       moment, and a key written later would go over the user's. */
    if (sync.held || !sameStamp(stamp, sync.known)) return true;
    for (const OptionRow &row : optionRows())
        if (!ReadString(sync.path, row.key, nullptr) && !unsetNumber(row)) ownChange(sync, row);
    sync.commentNewKeys = true;
    synchronise(sync);
    sync.commentNewKeys = false;
    return true;
}

bool catchUpWithSettingsFile(SettingsSync &sync) {
    if (sync.held) return true;
    bool fromFile = false;
    bool current = catchUp(sync, fromFile);
    if (!current) retryLater(sync);
    if (fromFile && sync.window) PostMessageA(sync.window, MSG_SETTINGS_APPLY, 0, 0);
    return current;
}

void toggleWhenSettled(SettingsSync &sync, const OptionRow &row) {
    if (!(sync.toggles & rowBit(row))) sync.toggledOver[rowIndex(row)] = stampFile(sync.path);
    sync.toggles ^= rowBit(row);
}

unsigned long long settledToggles(SettingsSync &sync) {
    unsigned long long toggles = sync.toggles;
    if (!toggles || !catchUpWithSettingsFile(sync)) return 0;
    sync.toggles = 0;
    return toggles;
}

void holdSettingsFile(SettingsSync &sync, bool hold) {
    sync.held = hold;
    if (!sync.held) synchronise(sync);
}

bool settingsFileHeld(const SettingsSync &sync) {
    return sync.held;
}
