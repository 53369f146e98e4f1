/* The command dispatcher: decides which command a broadcast text is and
   carries it out. Texts come from other plugins and from the plugin's own menu.
   The plugin's own broadcasts come back too (status, relay results and the
   companion's pushes, which carry the track's title, written by strangers):
   those, and every text whose first word is not one of its addresses, are never
   acted on.
   It may be re-entered: queryPlayer's broadcasts come back before it returns. */
#include "commands/dispatcher.h"
#include "players/kinds.h"
#include "commands/menu.h"
#include "display/render.h"
#include "display/window.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/outbox.h"
#include "winamp/player.h"
#include "winamp/relay.h"

#include <stdio.h>
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

/* The first words a text acts under: the plugin's own addresses and the shell's two
   broadcasts that it answers. "@WarbleInternal" is known by its start, as its commands
   are. A text under any other first word, one starting with "@" or not, is someone
   else's or a stranger's, whatever it carries further on: a title quoted in it, or a
   command written after a word of its own, never acts. */
enum Address { ADDRESS_NONE, ADDRESS_WARBLE, ADDRESS_RELAY, ADDRESS_INTERNAL, ADDRESS_SHELL };

/* Words are separated by any white space or control character: a tab before the
   address hides it from nobody. */
static bool separator(char c) {
    return (unsigned char)c <= ' ';
}

/* The two addresses a command's words follow; their lengths are where the words begin. */
static const char INTERNAL_ADDRESS[] = "@WarbleInternal";
static const char RELAY_ADDRESS[] = "@Warble_toWinamp";
static const size_t INTERNAL_LENGTH = sizeof INTERNAL_ADDRESS - 1;
static const size_t RELAY_LENGTH = sizeof RELAY_ADDRESS - 1;

/* Whom the text's first word, after the blanks and control characters before it,
   addresses. Only a whole address counts: "@W" is not the start of "@Warble". */
static Address addressOf(const char *text) {
    static const struct {
        const char *word;
        Address address;
    } WORDS[] = {{"@Warble", ADDRESS_WARBLE},
                 {RELAY_ADDRESS, ADDRESS_RELAY},
                 {"@NJShowPlugins", ADDRESS_SHELL},
                 {"@NJHidePlugins", ADDRESS_SHELL}};
    while (*text && separator(*text))
        ++text;
    size_t length = 0;
    while (text[length] && !separator(text[length]))
        ++length;
    if (length >= INTERNAL_LENGTH && matchPrefix(text, INTERNAL_ADDRESS, INTERNAL_LENGTH))
        return ADDRESS_INTERNAL;
    for (const auto &own : WORDS)
        if (strlen(own.word) == length && matchPrefix(text, own.word, length)) return own.address;
    return ADDRESS_NONE;
}

/* "@Warble ..." commands: true when one set the caption. */
static bool warbleCommand(const CommandTarget &to, const char *text) {
    const char *rest;
    if (matchEqual(text, "@Warble GetWinampInfo")) {
        askPlayerStatus(to.player);
    } else if ((rest = matchContains(text, "@Warble SetCaptionNow "))) {
        setCaption(to.display, rest);
        return true;
    } else if ((rest = matchContains(text, "@Warble SetCaption ")) && !playerStatus.window) {
        setCaption(to.display, rest);
        return true;
    }
    return false;
}

/* Only a text that begins with the relay's address, in its exact case, is a command;
   its tokens count from there. */
static void relayText(const CommandTarget &to, const char *text) {
    const char *address = text;
    while (separator(*address))
        ++address;
    /* The relay speaks Winamp's own numbers: it is Winamp's alone. */
    if (matchContains(text, RELAY_ADDRESS) == address + RELAY_LENGTH &&
        kindOf(playerStatus.window) == &WINAMP_KIND)
        relayCommand(address, to.display.placement.window);
}

bool handleBroadcast(const CommandTarget &to, const char *text) {
    if (isOwnBroadcast(text)) return false;
    switch (addressOf(text)) {
    case ADDRESS_NONE: return false;
    case ADDRESS_WARBLE: return warbleCommand(to, text);
    case ADDRESS_RELAY: relayText(to, text); return false;
    case ADDRESS_SHELL:
        if (matchEqual(text, "@NJShowPlugins")) showWithPlugins(to.display, false);
        if (matchEqual(text, "@NJHidePlugins")) showWithPlugins(to.display, true);
        return false;
    case ADDRESS_INTERNAL: {
        if (!matchPrefix(text, INTERNAL_ADDRESS, INTERNAL_LENGTH)) return false;
        const char *word = text + INTERNAL_LENGTH;
        while (*word == ' ')
            ++word;
        runInternalCommand(to, word);
        return false;
    }
    }
    return false;
}

const char NO_SLIT_NOTICE[] = "WarblePlugin -> SlitToggle: this shell has no Slit to dock in";

static void announce(const char *word, bool enabled) {
    char notice[80];
    snprintf(notice, sizeof notice, "WarblePlugin -> %s %sabled!", word, enabled ? "en" : "dis");
    SendMessageA(shellLink.host, MSG_SET_LABEL, 0, (LPARAM)notice);
}

/* Sets the option to value with everything its change must bring up to date, in the
   order of OptionEffect. */
static void changeOption(const CommandTarget &to, const OptionRow &row, const char *word,
                         int value) {
    if (row.effects & EFFECT_ANNOUNCE) announce(word, value);
    setOption(to.settings, row, value);
    if (row.effects & EFFECT_WINDOW) applyWindowState(to.display);
    if (row.effects & EFFECT_MENU) showConfigMenu(to.display, false);
    if (row.effects & EFFECT_CAPTION) queryPlayer(to.player);
    if (row.effects & EFFECT_TIME_FORMAT) rewriteOption(to.settings, OPTION_ROW(idleTimeFormat));
}

static void toggleSlit(const CommandTarget &to, const OptionRow &row, const char *word) {
    if (docked()) {
        HWND window = to.display.placement.window;
        SendMessageA(shellLink.slit, MSG_SLIT_REMOVE, 0, (LPARAM)window);
        SetWindowPos(window, nullptr, options.xPos, options.yPos, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        changeOption(to, row, word, false);
    } else if (shellLink.slit) {
        /* The Slit takes a window that already says it is docked. */
        stageOption(to.settings, row, true);
        applyWindowState(to.display);
        SendMessageA(shellLink.slit, MSG_SLIT_ADD, 0, (LPARAM)to.display.placement.window);
        changeOption(to, row, word, true);
    } else {
        /* Started without a Slit: nothing to toggle, and the label says why; the setting
           is kept for a start with a Slit. */
        SendMessageA(shellLink.host, MSG_SET_LABEL, 0, (LPARAM)NO_SLIT_NOTICE);
        rewriteOption(to.settings, row);
    }
}

/* Where the number of "WORD N" begins, past its blanks, or null when the text is not
   that command. */
static const char *numberText(const OptionRow &row, const char *word) {
    const char *at;
    if (row.command == COMMAND_NUMBER_ANYWHERE) {
        /* without a number nothing changes */
        at = matchContains(word, row.word) ? strchr(word, ' ') : nullptr;
    } else {
        size_t n = strlen(row.word);
        at = matchPrefix(word, row.word, n) && word[n] == ' ' ? word + n : nullptr;
    }
    while (at && *at && separator(*at))
        ++at;
    return at;
}

/* The number of "WORD N", or false when the text is not that command. */
static bool commandNumber(const OptionRow &row, const char *word, int *number) {
    const char *text = numberText(row, word);
    if (text) *number = readNumber(text);
    return text != nullptr;
}

/* A decimal number, signed or not, and nothing after it but blanks. */
static bool wholeNumber(const char *text) {
    if (*text == '+' || *text == '-') ++text;
    if (*text < '0' || *text > '9') return false;
    while (*text >= '0' && *text <= '9')
        ++text;
    while (*text && separator(*text))
        ++text;
    return !*text;
}

/* "WORD N" whose N is no number changes nothing, and the label says why. */
static bool refusedNumber(const OptionRow &row, const char *word) {
    if (!(row.flags & OPTION_WHOLE_NUMBER)) return false;
    const char *text = numberText(row, word);
    if (!text || wholeNumber(text)) return false;
    char notice[96];
    snprintf(notice, sizeof notice, "WarblePlugin -> %s: \"%.32s\" is not a number", row.word,
             text);
    SendMessageA(shellLink.host, MSG_SET_LABEL, 0, (LPARAM)notice);
    return true;
}

/* "WORD VALUE" chooses the value named (one of the row's words, any case); for a choice
   of two, "Toggle" + WORD the other one. False when word is neither, or names no value. */
static bool chooseWord(const OptionRow &row, const char *word, int *value) {
    bool pair = row.words[0] && row.words[1] && !row.words[2];
    if (pair && matchPrefix(word, "Toggle", 6) && matchEqual(word + 6, row.word)) {
        *value = 1 - numberOption(row);
        return true;
    }
    size_t n = strlen(row.word);
    if (!matchPrefix(word, row.word, n) || word[n] != ' ') return false;
    for (int i = 0; row.words[i] != nullptr; ++i)
        if (matchEqual(word + n + 1, row.words[i])) {
            *value = i;
            return true;
        }
    return false;
}

/* Whether word is the option's command, and the value it asks for. */
static bool commandValue(const OptionRow &row, const char *word, int *value) {
    switch (row.command) {
    case COMMAND_NONE: return false;
    case COMMAND_DOCK:
    case COMMAND_TOGGLE:
        if (!matchEqual(word, row.word)) return false;
        *value = !flagOption(row);
        return true;
    case COMMAND_CHOICE: return chooseWord(row, word, value);
    case COMMAND_NUMBER:
    case COMMAND_NUMBER_ANYWHERE: return commandNumber(row, word, value);
    }
    return false;
}

static bool isToggle(const OptionRow &row, const char *word) {
    return row.command == COMMAND_TOGGLE || row.command == COMMAND_DOCK ||
           (row.command == COMMAND_CHOICE && matchPrefix(word, "Toggle", 6));
}

/* Carries out word when it is the option's command; false when it is not. A toggle
   inverts the newest value: an edit saved a moment ago is taken first, and while the
   file is still being written the toggle waits for it. */
static bool runOptionCommand(const CommandTarget &to, const OptionRow &row, const char *word) {
    int value = 0;
    if (row.command == COMMAND_NONE || !commandValue(row, word, &value)) return false;
    if (refusedNumber(row, word)) return true;
    if (!catchUpWithSettingsFile(to.settings) && isToggle(row, word)) {
        /* Said at once, made once the file has settled. */
        if (row.effects & EFFECT_ANNOUNCE) announce(word, value);
        toggleWhenSettled(to.settings, row);
        return true;
    }
    commandValue(row, word, &value);
    if (row.command == COMMAND_DOCK)
        toggleSlit(to, row, word);
    else
        changeOption(to, row, word, value);
    return true;
}

void runWaitingToggles(const CommandTarget &to) {
    unsigned long long toggles = settledToggles(to.settings);
    for (const OptionRow &row : optionRows()) {
        if (!(toggles & rowBit(row))) continue;
        char word[64];
        snprintf(word, sizeof word, "%s%s", row.command == COMMAND_CHOICE ? "Toggle" : "",
                 row.word);
        runOptionCommand(to, row, word);
    }
}

/* The command words match disjoint sets of texts, so the order of the tests
   below decides nothing. */
void runInternalCommand(const CommandTarget &to, const char *word) {
    for (const OptionRow &row : optionRows())
        if (runOptionCommand(to, row, word)) return;
    if (matchEqual(word, "Edit")) return editSettingsFile(to.settings);
    if (matchEqual(word, "CopyTitle"))
        return copyTitleToClipboard(to.display.placement.window, to.player);
    if (matchEqual(word, "About")) return showAboutBox();
}
