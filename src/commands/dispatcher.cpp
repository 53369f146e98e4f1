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
    {
        DisplayLock lock;
        copyText(format, warble.idleTimeFormat, sizeof format);
    }
    WriteString(warble.rcPath, KEY_IDLE_TIME, format);
    InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
}

static void setAlpha(const char *word) {
    warble.alpha = readNumber(word + 18);
    applyWindowState();
    WriteInt(warble.rcPath, KEY_ALPHA, warble.alpha);
}

static void switchScrollStyle() {
    warble.scrollEndToEnd = !warble.scrollEndToEnd;
    WriteString(warble.rcPath, KEY_SCROLL_STYLE, warble.scrollEndToEnd ? "EndToEnd" : "Stream");
    queryPlayer();
}

/* The plain on/off commands: word, flag and key. */
struct Toggle {
    const char *word;
    bool *flag;
    const char *key;
};

void runInternalCommand(const char *word) {
    if (matchEqual(word, "SlitToggle")) return toggleSlit(word);
    if (matchEqual(word, "ToggleDOVozizuvav"))
        return toggleSetting(&warble.interfaceExtensions, word, KEY_DOVOZIZUVAV);
    if (matchContains(word, "ToggleIdleState")) return setIdleState(word);

    static const Toggle toggles[] = {
        {"ToggleBorder", &warble.showBorder, KEY_BORDER},
        {"ToggleScrolling", &warble.scrolling, KEY_SCROLLING},
        {"AlwaysOnTop", &warble.alwaysOnTop, KEY_ALWAYS_ON_TOP},
        {"SnapWindowToEdge", &warble.snapWindow, KEY_SNAP},
        {"TransparencyEnabled", &warble.transparencyEnabled, KEY_TRANSPARENCY},
        {"TransbackEnabled", &warble.transBackEnabled, KEY_TRANSBACK},
    };
    for (const Toggle &t : toggles)
        if (matchEqual(word, t.word)) return toggleSetting(t.flag, word, t.key);

    if (matchPrefix(word, "TransparencyAlpha ", 18)) return setAlpha(word);
    if (matchEqual(word, "ToggleWithPlugins"))
        return toggleSetting(&warble.toggleWithPlugins, word, KEY_TOGGLE_WITH_PLUGINS);
    if (matchEqual(word, "ToggleTrackNumber")) {
        toggleSetting(&warble.showTrackNumber, word, KEY_TRACK_NUMBER);
        return queryPlayer();
    }
    if (matchEqual(word, "ToggleScrollStyle")) return switchScrollStyle();
    if (matchEqual(word, "Edit")) return editSettingsFile();
    if (matchEqual(word, "About")) return showAboutBox();
}
