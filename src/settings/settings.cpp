/* The shell's handles and the settings file: which of the four places it is found in,
   the reading of every option through the options table, and every change the plugin
   makes to its options. The user edits the same file, so a write never goes over an
   edit the plugin has not read: the file's stamp at the last read or write tells
   whether it changed since, and a changed file is read first, the plugin's own
   changes kept on top. */
#include "settings/settings.h"
#include "core/text.h"
#include "nightjar/nightjar.h"
#include "settings/file_stamp.h"
#include "settings/option_values.h"
#include "settings/options.h"

#include <string.h>

ShellLink shellLink;

/* Shell's thread only, like every change of the options. */
static FileStamp known;              /* rcPath as last read or written */
static unsigned long long ownValues; /* rows whose value in memory is the plugin's own
                                        change, not written yet */
static unsigned long long unwritten; /* rows to write */
static bool held;                    /* the user drags or sizes the window */
static void (*applier)();
static void (*listener)();

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

void readSettings() {
    findSettingsFile(shellLink.rcPath);
    known = stampFile(shellLink.rcPath);
    Options fresh;
    readOptions(shellLink.rcPath, fresh);
    optionValues() = fresh;
    ownValues = unwritten = 0;
    held = false;
    optionsChanged();
}

/* Reads the file with the stamp it had before the read, keeping the plugin's own
   changes on top; true when any option changed. */
static bool takeFile(const FileStamp &stamp) {
    known = stamp;
    Options fresh;
    bool holdsKeys = readOptions(shellLink.rcPath, fresh);
    bool empty = !stamp.exists || (stamp.sizeHigh == 0 && stamp.sizeLow == 0);
    if (!holdsKeys && !empty) return false;
    Options &values = optionValues();
    for (const OptionRow &row : optionRows())
        if (ownValues & rowBit(row)) copyOption(row, values, fresh);
    bool changed = !sameOptions(fresh, values);
    values = fresh;
    if (changed) optionsChanged();
    return changed;
}

static void writeOwnChanges() {
    unsigned long long rows = unwritten;
    unwritten = ownValues = 0;
    for (const OptionRow &row : optionRows())
        if (rows & rowBit(row)) writeOption(shellLink.rcPath, row);
    known = stampFile(shellLink.rcPath);
}

/* Brings the memory and the file together: a changed file that has settled is read,
   then the plugin's own changes are written. A file still being written is left to
   the watch, which rereads it once it has settled. */
static void synchronise() {
    if (held) return;
    FileStamp stamp = stampFile(shellLink.rcPath);
    bool fromFile = false;
    if (!sameStamp(stamp, known)) {
        if (fileSettlesIn(shellLink.rcPath, stamp) > 0) return;
        fromFile = takeFile(stamp);
    }
    if (unwritten) writeOwnChanges();
    if (fromFile && applier) applier();
}

bool rereadSettings() {
    char before[TEXT_SIZE];
    copyText(before, shellLink.rcPath, TEXT_SIZE);
    findSettingsFile(shellLink.rcPath);
    bool changed = takeFile(stampFile(shellLink.rcPath));
    if (unwritten && !held) writeOwnChanges();
    return changed || strcmp(before, shellLink.rcPath) != 0;
}

void setSettingsApplier(void (*apply)()) {
    applier = apply;
}

void setOptionsListener(void (*changed)()) {
    listener = changed;
}

static void ownChange(const OptionRow &row) {
    ownValues |= rowBit(row);
    unwritten |= rowBit(row);
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
        ownValues |= rowBit(row);
        changed = true;
    }
    if (changed) {
        for (int i = 0; i < count; ++i)
            unwritten |= rowBit(optionRow(fields[i]));
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
    if (held || settingsFileChanged()) return;
    for (const OptionRow &row : optionRows())
        if (!ReadString(shellLink.rcPath, row.key, nullptr)) ownChange(row);
    synchronise();
}

void catchUpWithSettingsFile() {
    synchronise();
}

void holdSettingsFile(bool hold) {
    held = hold;
    if (!held) synchronise();
}

bool settingsFileHeld() {
    return held;
}

bool settingsFileChanged() {
    return !sameStamp(stampFile(shellLink.rcPath), known);
}
