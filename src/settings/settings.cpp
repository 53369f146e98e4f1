/* The settings file: which of the four places it is found in, and the reading
   of every key with its default. Writes happen where a value changes. */
#include "settings/settings.h"
#include "plugin/state.h"

#include <limits.h>
#include <stddef.h>
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

/* Reads a text into a TEXT_SIZE buffer; true when it had to be cut to fit. */
static bool readText(const char *key, const char *fallback, char *into) {
    const char *text = ReadString(warble.rcPath, key, fallback);
    copyText(into, text, TEXT_SIZE);
    return text && strlen(text) >= TEXT_SIZE;
}

/* Absent, empty or not a number: each scroll style keeps its own rest. */
static int readEdgeRest(const char *rc) {
    int rest = ReadInt(rc, KEY_SCROLL_PAUSE, INT_MIN);
    return rest == INT_MIN ? STYLE_REST : clampInt(rest, 0, EDGE_REST_MAX);
}

/* The index of the key's word among words (any case); the first word, the default, for
   an absent or unknown one. */
static int readChoice(const char *key, const char *const *words, int count) {
    const char *word = ReadString(warble.rcPath, key, words[0]);
    for (int i = 0; word && i < count; ++i)
        if (lstrcmpiA(word, words[i]) == 0) return i;
    return 0;
}

static const char *const DOUBLE_CLICK_WORDS[] = {"PlayPause", "None"};
static const char *const WHEEL_WORDS[] = {"Volume", "Track", "None"};

void readSettings() {
    findSettingsFile();
    const char *rc = warble.rcPath;
    warble.xPos = ReadInt(rc, KEY_X, 10);
    warble.yPos = ReadInt(rc, KEY_Y, 10);
    warble.interfaceExtensions = ReadBool(rc, KEY_DOVOZIZUVAV, true);
    warble.inSlit = ReadBool(rc, KEY_IN_SLIT, false);
    warble.transparencyEnabled = ReadBool(rc, KEY_TRANSPARENCY, false);
    warble.transBackEnabled = ReadBool(rc, KEY_TRANSBACK, false);
    warble.alpha = ReadInt(rc, KEY_ALPHA, 60);
    warble.alwaysOnTop = ReadBool(rc, KEY_ALWAYS_ON_TOP, true);
    warble.snapWindow = ReadBool(rc, KEY_SNAP, true);
    warble.toggleWithPlugins = ReadBool(rc, KEY_TOGGLE_WITH_PLUGINS, true);
    readText(KEY_UPDATE_URL, "", warble.updateUrl);
    int width = ReadInt(rc, KEY_WIDTH, 100);
    int height = ReadInt(rc, KEY_HEIGHT, 17);
    warble.width = width < 5 ? 5 : width;
    warble.height = height < 5 ? 5 : height;
    warble.scrolling = ReadBool(rc, KEY_SCROLLING, false);
    warble.showTrackNumber = ReadBool(rc, KEY_TRACK_NUMBER, true);
    warble.showBorder = ReadBool(rc, KEY_BORDER, true);
    const char *style = ReadString(rc, KEY_SCROLL_STYLE, "Stream");
    warble.scrollEndToEnd = !style || strcmp(style, "Stream") != 0;
    warble.scrollSpeed =
        clampInt(ReadInt(rc, KEY_SCROLL_SPEED, 1), SCROLL_SPEED_MIN, SCROLL_SPEED_MAX);
    warble.edgeRest = readEdgeRest(rc);
    warble.hideWhenIdle = ReadBool(rc, KEY_HIDE_WHEN_IDLE, false);
    warble.doubleClickAction = readChoice(KEY_DOUBLE_CLICK, DOUBLE_CLICK_WORDS, 2);
    warble.wheelAction = readChoice(KEY_WHEEL, WHEEL_WORDS, 3);
    warble.showTooltip = ReadBool(rc, KEY_TOOLTIP, true);
    warble.showProgress = ReadBool(rc, KEY_PROGRESS, false);
    warble.useStyleFont = !ReadBool(rc, KEY_CUSTOM_FONT, false);
    readText(KEY_FONT, "snap", warble.fontFace);
    warble.fontHeight = ReadInt(rc, KEY_FONT_HEIGHT, 12);
    warble.fontWeight = ReadInt(rc, KEY_FONT_WEIGHT, 1);
    warble.idleState = ReadInt(rc, KEY_IDLE_STATE, 0);
    DisplayLock lock; /* the poller formats the idle text from these two */
    readText(KEY_IDLE_MESSAGE, "Warble", warble.idleMessage);
    warble.idleTimeFormatCut = readText(KEY_IDLE_TIME, DEFAULT_TIME_FORMAT, warble.idleTimeFormat);
}

/* Everything readSettings sets: the file's place, the update link and the placement
   and option fields, which stand together in the state from xPos to the style. */
static const size_t OPTIONS_BEGIN = offsetof(PluginState, xPos);
static const size_t OPTIONS_SIZE = offsetof(PluginState, styleItem) - OPTIONS_BEGIN;

struct SettingsRead {
    char rcPath[TEXT_SIZE], updateUrl[TEXT_SIZE];
    unsigned char options[OPTIONS_SIZE];
};

static void takeSettingsRead(SettingsRead *into) {
    memcpy(into->rcPath, warble.rcPath, TEXT_SIZE);
    memcpy(into->updateUrl, warble.updateUrl, TEXT_SIZE);
    memcpy(into->options, (const char *)&warble + OPTIONS_BEGIN, OPTIONS_SIZE);
}

bool rereadSettings() {
    SettingsRead before, after;
    takeSettingsRead(&before);
    readSettings();
    takeSettingsRead(&after);
    return memcmp(&before, &after, sizeof before) != 0;
}
