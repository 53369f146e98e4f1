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
static const DWORD RETRY_MS = 1000; /* a write that did not land is tried again after this, */
static const DWORD RETRY_MAX_MS = 32000; /* doubling up to this while it keeps failing */

/* Shell's thread only, like every change of the options. Process-wide, as the options
   are: the file is read before a start has its window, and its state outlives the
   window's reconfigures. */
static FileStamp known;               /* rcPath as last read or written */
static Options inFile;                /* what rcPath held then */
static unsigned long long keysInFile; /* rows whose key rcPath held then */
static unsigned long long pending;    /* rows whose value in memory is the plugin's own
                                         change, not in the file yet */
static ULONGLONG changedAt[64];       /* when the plugin made each pending change, by
                                         row (rowBit: at most 64 rows) */
static bool held;                     /* the user drags or sizes the window */
static DWORD goneSince;               /* when rcPath was first found gone; 0 while there */
static DWORD retryIn = RETRY_MS;
static void (*applier)();
static void (*listener)();
static void (*lookLater)(DWORD ms);

static void optionsChanged() {
    if (listener) listener();
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

void readSettings() {
    findSettingsFile(shellLink.rcPath);
    known = stampFile(shellLink.rcPath);
    Options fresh;
    readOptions(shellLink.rcPath, fresh);
    optionValues() = inFile = fresh;
    keysInFile = keysIn(shellLink.rcPath);
    pending = 0;
    held = false;
    goneSince = 0;
    optionsChanged();
}

/* How long until the file in use, with this stamp, may be read: 0 now. A file still
   being written waits; atOnce (the shell's reconfigure), only an empty one does. */
static DWORD readyIn(const FileStamp &stamp, bool atOnce) {
    return atOnce ? emptySettlesIn(stamp) : fileSettlesIn(shellLink.rcPath, stamp);
}

/* Lays what the file holds over memory, key by key: a key that the file changed since
   the plugin last read it takes the file's value, unless the plugin's own change of it
   is newer than the save, and the plugin's older change of it is dropped. */
static void mergeFile(const FileStamp &stamp, const Options &fresh) {
    Options &values = optionValues();
    ULONGLONG saved = timeWritten(stamp);
    for (const OptionRow &row : optionRows()) {
        unsigned long long bit = rowBit(row);
        bool fileChanged = !sameOption(row, fresh, inFile);
        if ((pending & bit) && (!fileChanged || changedAt[rowIndex(row)] > saved)) continue;
        pending &= ~bit;
        copyOption(row, fresh, values);
    }
    inFile = fresh;
}

/* Takes what the file holds now; changed tells whether any option in memory changed.
   False when it is not taken yet: it lost keys that the plugin read from it before and
   has not stood so for 2 s (unless atOnce), as a save in two steps does. */
static bool takeFile(const FileStamp &stamp, bool atOnce, bool &changed) {
    Options fresh;
    bool holdsKeys = readOptions(shellLink.rcPath, fresh);
    unsigned long long keys = keysIn(shellLink.rcPath);
    ULONGLONG age = stampAge(stamp);
    if (!atOnce && stamp.exists && age < KEEP_MS && (keysInFile & ~keys)) {
        if (lookLater) lookLater((DWORD)(KEEP_MS - age));
        return false;
    }
    known = stamp;
    bool empty = !stamp.exists || (stamp.sizeHigh == 0 && stamp.sizeLow == 0);
    if (!holdsKeys && !empty) return true;
    const Options before = options;
    mergeFile(stamp, fresh);
    keysInFile = keys;
    if (!sameOptions(before, options)) {
        changed = true;
        optionsChanged();
    }
    return true;
}

/* Brings memory up to what the file holds when it changed since the plugin last read
   or wrote it. False when it changed but cannot be taken yet: it is still being
   written, or it is gone (the watch decides what takes its place). */
static bool catchUp(bool &fromFile) {
    FileStamp stamp = stampFile(shellLink.rcPath);
    if (sameStamp(stamp, known)) return true;
    if ((!stamp.exists && known.exists) || readyIn(stamp, false) > 0) return false;
    return takeFile(stamp, false, fromFile);
}

/* Writes the plugin's own changes one key at a time, each on top of the file as it is
   then, and checks that each landed: a save that came between two writes is taken
   first, and a change that the file does not hold afterwards (the shell could not
   write it) stays pending. False when not all were written. */
static bool writeOwnChanges(bool &fromFile) {
    for (const OptionRow &row : optionRows()) {
        unsigned long long bit = rowBit(row);
        if (!(pending & bit)) continue;
        if (!catchUp(fromFile)) return false;
        if (!(pending & bit)) continue; /* the file's newer value won */
        writeOption(shellLink.rcPath, row);
        known = stampFile(shellLink.rcPath);
        if (!fileHoldsOption(shellLink.rcPath, row)) return false;
        pending &= ~bit;
        copyOption(row, options, inFile);
        keysInFile |= bit;
    }
    return true;
}

/* The plugin's changes not written yet are tried again later: once the file has
   settled when it is the file that changed, else after a pause that grows while the
   shell keeps failing to write them. */
static void retryLater() {
    if (!pending) {
        retryIn = RETRY_MS;
        return;
    }
    FileStamp stamp = stampFile(shellLink.rcPath);
    DWORD wait = retryIn;
    if (!sameStamp(stamp, known))
        wait = readyIn(stamp, false);
    else if (retryIn < RETRY_MAX_MS)
        retryIn *= 2;
    if (lookLater) lookLater(wait ? wait : RETRY_MS);
}

/* Brings the memory and the file together: a changed file that has settled is taken,
   then the plugin's own changes are written. What was taken from the file applies
   once the current message has returned (it may be a move of the window's own). */
static void synchronise() {
    if (held) return;
    bool fromFile = false;
    if (catchUp(fromFile)) writeOwnChanges(fromFile);
    retryLater();
    if (fromFile && applier) applier();
}

bool rereadSettings(bool atOnce) {
    char before[TEXT_SIZE];
    copyText(before, shellLink.rcPath, TEXT_SIZE);
    findSettingsFile(shellLink.rcPath);
    bool moved = strcmp(before, shellLink.rcPath) != 0;
    /* Another file takes over: none of its keys can have been lost. */
    if (moved) keysInFile = 0;
    FileStamp stamp = stampFile(shellLink.rcPath);
    goneSince = 0;
    bool changed = false;
    DWORD wait = readyIn(stamp, atOnce);
    if (wait) {
        if (lookLater) lookLater(wait);
    } else if (takeFile(stamp, atOnce, changed) && !held) {
        writeOwnChanges(changed);
        retryLater();
    }
    return changed || moved;
}

DWORD settingsReadyIn() {
    if (held) return SETTINGS_NO_NEWS;
    FileStamp stamp = stampFile(shellLink.rcPath);
    if (!stamp.exists && known.exists) {
        if (!goneSince) goneSince = GetTickCount() | 1;
        DWORD gone = GetTickCount() - goneSince;
        if (gone < KEEP_MS) return KEEP_MS - gone;
    } else {
        goneSince = 0;
    }
    char first[TEXT_SIZE];
    findSettingsFile(first);
    if (strcmp(first, shellLink.rcPath) != 0) return fileSettlesIn(first, stampFile(first));
    if (sameStamp(stamp, known)) return pending ? 0 : (DWORD)SETTINGS_NO_NEWS;
    return readyIn(stamp, false);
}

void setSettingsApplier(void (*apply)()) {
    applier = apply;
}

void setOptionsListener(void (*changed)()) {
    listener = changed;
}

void setSettingsLook(void (*look)(DWORD ms)) {
    lookLater = look;
}

static void ownChange(const OptionRow &row) {
    pending |= rowBit(row);
    changedAt[rowIndex(row)] = timeNow();
}

void stageOption(const OptionRow &row, int value) {
    switch (row.kind) {
    case OPTION_BOOL: flagIn(optionValues(), row) = value != 0; break;
    case OPTION_INT: numberIn(optionValues(), row) = fitOption(row, value); break;
    case OPTION_CHOICE: numberIn(optionValues(), row) = value; break;
    case OPTION_TEXT: return;
    }
    ownChange(row);
    optionsChanged();
}

void setOption(const OptionRow &row, int value) {
    stageOption(row, value);
    synchronise();
}

void rewriteOption(const OptionRow &row) {
    ownChange(row);
    synchronise();
}

static const size_t PLACE_FIELDS[] = {offsetof(Options, xPos), offsetof(Options, yPos),
                                      offsetof(Options, width), offsetof(Options, height)};

/* Records count values, one for each of the fields, brought into their range when fit is
   set: true when any of them changed, and then all of them are to be written, as the
   shell and other tools read them together. */
static bool recordPlace(const size_t *fields, const int *placed, int count, bool fit = true) {
    bool changed = false;
    for (int i = 0; i < count; ++i) {
        const OptionRow &row = optionRow(fields[i]);
        int value = fit ? fitOption(row, placed[i]) : placed[i];
        if (numberOption(row) == value) continue;
        numberIn(optionValues(), row) = value;
        changed = true;
    }
    if (changed) {
        for (int i = 0; i < count; ++i)
            ownChange(optionRow(fields[i]));
        optionsChanged();
    }
    return changed;
}

void windowPlaced(int x, int y, int width, int height) {
    const int placed[] = {x, y, width, height};
    if (recordPlace(PLACE_FIELDS, placed, 4)) synchronise();
}

void windowSized(int width, int height) {
    const int sized[] = {width, height};
    if (recordPlace(PLACE_FIELDS + 2, sized, 2)) synchronise();
}

void windowBeingSized(int width, int height) {
    /* A proposed size outside the system's sizing loop sizes nothing. */
    if (!held) return;
    const int sized[] = {width, height};
    recordPlace(PLACE_FIELDS + 2, sized, 2, false);
}

void leaveSlitAtEnd() {
    optionValues().inSlit = false;
    optionsChanged();
}

void completeSettingsFile() {
    synchronise();
    /* A file still being written is not completed: what it lacks now it may hold in a
       moment, and a key written later would go over the user's. */
    if (held || !sameStamp(stampFile(shellLink.rcPath), known)) return;
    for (const OptionRow &row : optionRows())
        if (!ReadString(shellLink.rcPath, row.key, nullptr)) ownChange(row);
    CommentedKeys commented;
    synchronise();
}

bool catchUpWithSettingsFile() {
    if (held) return true;
    bool fromFile = false;
    bool current = catchUp(fromFile);
    if (!current) retryLater();
    if (fromFile && applier) applier();
    return current;
}

void holdSettingsFile(bool hold) {
    held = hold;
    if (!held) synchronise();
}

bool settingsFileHeld() {
    return held;
}
