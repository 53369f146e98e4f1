/* The command dispatcher: decides which command a broadcast text is and
   carries it out. Texts come from other plugins, from the plugin's own menu
   and, as echoes, from the plugin's own status broadcasts, which match nothing.
   It may be re-entered: queryPlayer's broadcasts come back before it returns. */
#include "commands/dispatcher.h"
#include "commands/menu.h"
#include "display/render.h"
#include "display/window.h"
#include "plugin/state.h"
#include "settings/settings.h"
#include "winamp/player.h"
#include "winamp/relay.h"

#include <string.h>

static char lower(char c) {
    return c >= 'A' && c <= 'Z' ? (char)(c + 32) : c;
}

bool matchEqual(const char *text, const char *pattern) {
    for (; *text && *pattern; ++text, ++pattern)
        if (lower(*text) != lower(*pattern)) return false;
    return *text == *pattern;
}

const char *matchContains(const char *text, const char *pattern) {
    const char *at = strstr(text, pattern);
    return at ? at + strlen(pattern) : nullptr;
}

bool matchPrefix(const char *text, const char *pattern, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (!text[i] || lower(text[i]) != lower(pattern[i])) return false;
    return true;
}

static void showPlugins(bool hidden) {
    if (warble.inSlit) return;
    warble.pluginsHidden = hidden;
    applyWindowState();
}

void handleBroadcast(const char *text) {
    const char *rest;
    if (matchEqual(text, "@Warble GetWinampInfo")) {
        queryPlayer();
    } else if ((rest = matchContains(text, "@Warble SetCaptionNow "))) {
        setCaption(rest);
    } else if ((rest = matchContains(text, "@Warble SetCaption ")) && !warble.hwndWinamp) {
        setCaption(rest);
    } else if (matchEqual(text, "@NJShowPlugins")) {
        showPlugins(false);
    } else if (matchEqual(text, "@NJHidePlugins")) {
        showPlugins(true);
    } else if (matchContains(text, "@Warble_toWinamp")) {
        if (warble.hwndWinamp) relayCommand(text);
    } else if (matchPrefix(text, "@WarbleInternal", 15)) {
        const char *word = text + 15;
        while (*word == ' ')
            ++word;
        runInternalCommand(word);
    }
}

const char NO_SLIT_NOTICE[] = "WarblePlugin -> SlitToggle: this shell has no Slit to dock in";

static void toggleSlit(const char *word) {
    if (warble.inSlit && warble.hwndSlit) {
        SendMessageA(warble.hwndSlit, MSG_SLIT_REMOVE, 0, (LPARAM)warble.hwndPlugin);
        SetWindowPos(warble.hwndPlugin, nullptr, warble.xPos, warble.yPos, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        warble.inSlit = false;
        applyWindowState();
    } else if (warble.hwndSlit) {
        warble.inSlit = true;
        applyWindowState();
        SendMessageA(warble.hwndSlit, MSG_SLIT_ADD, 0, (LPARAM)warble.hwndPlugin);
    } else {
        /* Started without a Slit: nothing to toggle, and the label says why; the setting
           is kept for a start with a Slit. */
        SendMessageA(warble.hwndHost, MSG_SET_LABEL, 0, (LPARAM)NO_SLIT_NOTICE);
        WriteBool(warble.rcPath, KEY_IN_SLIT, warble.inSlit);
        return;
    }
    announceSetting(&warble.inSlit, word, KEY_IN_SLIT);
}

static void setIdleState(const char *word) {
    const char *blank = strchr(word, ' ');
    if (!blank) return; /* the menu always sends a number; without one nothing changes */
    warble.idleState = readNumber(blank);
    WriteInt(warble.rcPath, KEY_IDLE_STATE, warble.idleState);
    queryPlayer();
    char format[TEXT_SIZE];
    bool cut;
    {
        DisplayLock lock;
        copyText(format, warble.idleTimeFormat, sizeof format);
        cut = warble.idleTimeFormatCut;
    }
    /* A format that was cut on reading stays in the file as it is, whole. */
    if (!cut) WriteString(warble.rcPath, KEY_IDLE_TIME, format);
    InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
}

static void setAlpha(const char *word) {
    warble.alpha = readNumber(word + 18);
    applyWindowState();
    WriteInt(warble.rcPath, KEY_ALPHA, warble.alpha);
}

static void setScrollSpeed(const char *word) {
    warble.scrollSpeed = clampInt(readNumber(word + 12), SCROLL_SPEED_MIN, SCROLL_SPEED_MAX);
    WriteInt(warble.rcPath, KEY_SCROLL_SPEED, warble.scrollSpeed);
}

static void setScrollStyle(bool endToEnd) {
    warble.scrollEndToEnd = endToEnd;
    WriteString(warble.rcPath, KEY_SCROLL_STYLE, warble.scrollEndToEnd ? "EndToEnd" : "Stream");
    queryPlayer();
}

/* "ScrollStyle Stream" or "ScrollStyle EndToEnd" (any case); another word changes nothing. */
static void chooseScrollStyle(const char *word) {
    const char *style = word + 12;
    if (matchEqual(style, "Stream") || matchEqual(style, "EndToEnd"))
        setScrollStyle(matchEqual(style, "EndToEnd"));
}

/* The plain on/off commands: word, flag, key, and whether the caption depends on it. */
struct Toggle {
    const char *word;
    bool *flag;
    const char *key;
    bool requery;
};

static const Toggle toggles[] = {
    {"ToggleDOVozizuvav", &warble.interfaceExtensions, KEY_DOVOZIZUVAV, false},
    {"ToggleBorder", &warble.showBorder, KEY_BORDER, false},
    {"ToggleScrolling", &warble.scrolling, KEY_SCROLLING, false},
    {"AlwaysOnTop", &warble.alwaysOnTop, KEY_ALWAYS_ON_TOP, false},
    {"SnapWindowToEdge", &warble.snapWindow, KEY_SNAP, false},
    {"TransparencyEnabled", &warble.transparencyEnabled, KEY_TRANSPARENCY, false},
    {"TransbackEnabled", &warble.transBackEnabled, KEY_TRANSBACK, false},
    {"ToggleWithPlugins", &warble.toggleWithPlugins, KEY_TOGGLE_WITH_PLUGINS, false},
    {"ToggleTrackNumber", &warble.showTrackNumber, KEY_TRACK_NUMBER, true},
    {"ToggleHideWhenIdle", &warble.hideWhenIdle, KEY_HIDE_WHEN_IDLE, false},
    {"ToggleTooltip", &warble.showTooltip, KEY_TOOLTIP, false},
    {"ToggleProgress", &warble.showProgress, KEY_PROGRESS, false},
};

/* The command words match disjoint sets of texts, so the order of the tests
   below decides nothing. */
void runInternalCommand(const char *word) {
    if (matchEqual(word, "SlitToggle")) return toggleSlit(word);
    if (matchContains(word, "ToggleIdleState")) return setIdleState(word);
    if (matchPrefix(word, "TransparencyAlpha ", 18)) return setAlpha(word);
    if (matchPrefix(word, "ScrollSpeed ", 12)) return setScrollSpeed(word);
    if (matchPrefix(word, "ScrollStyle ", 12)) return chooseScrollStyle(word);
    for (const Toggle &t : toggles) {
        if (!matchEqual(word, t.word)) continue;
        toggleSetting(t.flag, word, t.key);
        if (t.requery) queryPlayer();
        return;
    }
    if (matchEqual(word, "ToggleScrollStyle")) return setScrollStyle(!warble.scrollEndToEnd);
    if (matchEqual(word, "Edit")) return editSettingsFile();
    if (matchEqual(word, "About")) return showAboutBox();
}
