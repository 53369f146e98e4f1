/* The options table, and reading and writing an option by its row. A new option is
   a field of Options and one row here; what it does lives where it is used. */
#include "settings/options.h"
#include "settings/option_values.h"
#include "core/owners.h"
#include "core/text.h"
#include "nightjar/nightjar.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char *const SCROLL_STYLE_WORDS[] = {"Stream", "EndToEnd", nullptr};
const char *const DOUBLE_CLICK_WORDS[] = {"PlayPause", "None", nullptr};
const char *const WHEEL_WORDS[] = {"Volume", "Track", "None", nullptr};
const char *const MIDDLE_CLICK_WORDS[] = {"None", "PlayPause", "Next", "Previous", "Stop", nullptr};
const char *const SCROLL_STYLE_CHOICES[] = {"Stream", "End to End", nullptr};
const char *const IDLE_CHOICES[] = {"Errors", "Time", "Message", nullptr};
const char *const SCROLL_WHEN_WORDS[] = {"Always", "Once", "Hover", nullptr};
const char *const SCROLL_WHEN_CHOICES[] = {"Scroll Always", "Scroll Once", "Scroll on Hover",
                                           nullptr};
const char *const PLAYER_WORDS[] = {"Auto", "Winamp", "CAD", nullptr};
const char *const PLAYER_CHOICES[] = {"Follow Any Player", "Winamp Only", "CAD Players Only",
                                      nullptr};

/* What an on/off option of the menu brings up to date. */
const unsigned TOGGLED = EFFECT_ANNOUNCE | EFFECT_WINDOW | EFFECT_MENU;

/* A row that is only read from the file: a flag, a number (any int, unless brought
   within a range), a text. */
constexpr OptionRow plain(const char *key, OptionKind kind, size_t offset,
                          const char *defaultText) {
    OptionRow row = {};
    row.key = key;
    row.kind = kind;
    row.offset = offset;
    row.defaultText = defaultText;
    row.min = INT_MIN;
    row.max = INT_MAX;
    return row;
}

constexpr OptionRow flag(const char *key, size_t offset, const char *defaultText) {
    return plain(key, OPTION_BOOL, offset, defaultText);
}

constexpr OptionRow number(const char *key, size_t offset, const char *defaultText) {
    return plain(key, OPTION_INT, offset, defaultText);
}

constexpr OptionRow text(const char *key, size_t offset, const char *defaultText) {
    return plain(key, OPTION_TEXT, offset, defaultText);
}

/* A number that reading and commands bring inside min to max. */
constexpr OptionRow within(OptionRow row, int min, int max) {
    row.min = min;
    row.max = max;
    return row;
}

/* One of a list of words, the first the default; any other word is the default too. */
constexpr OptionRow choice(const char *key, size_t offset, const char *const *words) {
    OptionRow row = plain(key, OPTION_CHOICE, offset, words[0]);
    row.words = words;
    return row;
}

/* A choice of two words of which only the exact first is the first. */
constexpr OptionRow exactChoice(const char *key, size_t offset, const char *const *words) {
    OptionRow row = choice(key, offset, words);
    row.flags = OPTION_EXACT;
    return row;
}

/* The row in the menu, in a group, changed by its command word as its kind is: a flag
   inverted (and announced, the window and the menu brought up to date), a number set by
   "WORD N", a choice by "WORD VALUE". */
constexpr OptionRow inMenu(OptionRow row, const char *word, const char *label, int group) {
    row.command = row.kind == OPTION_BOOL  ? COMMAND_TOGGLE
                  : row.kind == OPTION_INT ? COMMAND_NUMBER
                                           : COMMAND_CHOICE;
    row.effects = row.kind == OPTION_BOOL ? TOGGLED : 0;
    row.word = word;
    row.label = label;
    row.menuGroup = group;
    return row;
}

/* What a change of the row brings up to date, in place of its kind's own. */
constexpr OptionRow refreshing(OptionRow row, unsigned effects) {
    row.effects = effects;
    return row;
}

/* A command word other than its kind's (docking, a number anywhere in the word). */
constexpr OptionRow commandedBy(OptionRow row, OptionCommand command) {
    row.command = command;
    return row;
}

constexpr OptionRow withFlags(OptionRow row, unsigned flags) {
    row.flags |= flags;
    return row;
}

/* The row's values as the items of a submenu (a row in no group joins another's). */
constexpr OptionRow withSubmenu(OptionRow row, const char *menuId, const char *const *choices) {
    row.menuId = menuId;
    row.choices = choices;
    return row;
}

/* What the comment before the key says it takes, in place of its kind's words. */
constexpr OptionRow describedAs(OptionRow row, const char *values) {
    row.values = values;
    return row;
}

#define AT(field) offsetof(Options, field)

} // namespace

/* In the menu's order; rows outside the menu follow. */
static const OptionRow OPTION_ROWS[] = {
    inMenu(flag("Warble.plugin.alwaysontop:", AT(alwaysOnTop), "true"), "AlwaysOnTop",
           "Always On Top", 1),
    commandedBy(inMenu(flag("Warble.plugin.inSlit:", AT(inSlit), "false"), "SlitToggle",
                       "Docked to Slit", 1),
                COMMAND_DOCK),
    inMenu(flag("Warble.plugin.snapwindow:", AT(snapWindow), "true"), "SnapWindowToEdge",
           "Snap Window To Edge", 1),
    inMenu(flag("Warble.plugin.togglewithplugins:", AT(toggleWithPlugins), "true"),
           "ToggleWithPlugins", "Toggle With Plugins", 1),
    inMenu(flag("Warble.plugin.hideWhenIdle:", AT(hideWhenIdle), "false"), "ToggleHideWhenIdle",
           "Hide When Idle", 1),
    inMenu(flag("Warble.plugin.doVozizuvavExtensions:", AT(interfaceExtensions), "true"),
           "ToggleDOVozizuvav", "DOVozizuvav Extensions", 2),
    inMenu(flag("Warble.plugin.transparency.enabled:", AT(transparencyEnabled), "false"),
           "TransparencyEnabled", "Transparency Enabled", 3),
    withFlags(inMenu(flag("Warble.plugin.transback.enabled:", AT(transBackEnabled), "false"),
                     "TransbackEnabled", "Transparent Back Enabled", 3),
              OPTION_LAYERED),
    withFlags(refreshing(inMenu(within(number("Warble.plugin.transparency.alpha:", AT(alpha), "60"),
                                       0, 255),
                                "TransparencyAlpha", "Alpha Value", 3),
                         EFFECT_WINDOW),
              OPTION_LOW_BYTE),
    withSubmenu(refreshing(inMenu(exactChoice("Warble.plugin.scroll_style:", AT(scrollStyle),
                                              SCROLL_STYLE_WORDS),
                                  "ScrollStyle", "Scroll Style", 4),
                           EFFECT_CAPTION),
                "Warble_ScrollStyle", SCROLL_STYLE_CHOICES),
    inMenu(flag("Warble.plugin.scrolling:", AT(scrolling), "false"), "ToggleScrolling",
           "Scroll Song Title", 4),
    withFlags(inMenu(within(number("Warble.plugin.scroll.speed:", AT(scrollSpeed), "1"), 1, 10),
                     "ScrollSpeed", "Scroll Speed", 4),
              OPTION_WHOLE_NUMBER),
    refreshing(inMenu(flag("Warble.plugin.showTrackNumber:", AT(showTrackNumber), "true"),
                      "ToggleTrackNumber", "Show Track Number", 5),
               TOGGLED | EFFECT_CAPTION),
    inMenu(flag("Warble.plugin.showBorder:", AT(showBorder), "true"), "ToggleBorder", "Show Border",
           5),
    inMenu(flag("Warble.plugin.tooltip:", AT(showTooltip), "true"), "ToggleTooltip", "Show Tooltip",
           5),
    inMenu(flag("Warble.plugin.progress:", AT(showProgress), "false"), "ToggleProgress",
           "Show Progress", 5),
    describedAs(
        withSubmenu(
            commandedBy(refreshing(inMenu(number("Warble.plugin.idle.state:", AT(idleState), "0"),
                                          "ToggleIdleState", "Idle Message", 6),
                                   EFFECT_CAPTION | EFFECT_TIME_FORMAT),
                        COMMAND_NUMBER_ANYWHERE),
            "Warble_Idle Message", IDLE_CHOICES),
        "what shows while nothing plays: 0 the errors, 1 the time, 2 the idle message, any "
        "other number the word Warble"),

    number("Warble.plugin.x:", AT(xPos), "10"),
    number("Warble.plugin.y:", AT(yPos), "10"),
    within(number("Warble.plugin.width:", AT(width), "100"), 5, INT_MAX),
    within(number("Warble.plugin.height:", AT(height), "17"), 5, INT_MAX),
    text("Warble.plugin.update.url:", AT(updateUrl), ""),
    flag("Warble.plugin.useCustomFont:", AT(useCustomFont), "false"),
    describedAs(text("Warble.plugin.font:", AT(fontFace), "snap"), "a font's name"),
    number("Warble.plugin.font.height:", AT(fontHeight), "12"),
    number("Warble.plugin.font.weight:", AT(fontWeight), "1"),
    text("Warble.plugin.idle.message:", AT(idleMessage), "Warble"),
    describedAs(text("Warble.plugin.idle.TimeStr:", AT(idleTimeFormat), DEFAULT_TIME_FORMAT),
                "a C strftime format, such as " DEFAULT_TIME_FORMAT),
    within(number("Warble.plugin.scroll.pause:", AT(edgeRest), ""), 0, 200),
    choice("Warble.plugin.mouse.doubleClick:", AT(doubleClickAction), DOUBLE_CLICK_WORDS),
    choice("Warble.plugin.mouse.wheel:", AT(wheelAction), WHEEL_WORDS),
    describedAs(text("Warble.plugin.format:", AT(format), "%title%"),
                "text with the fields %title%, %artist%, %song%, %track%, %elapsed%, "
                "%remaining%, %length%, %state% and %% for a percent sign; text in [ ] shows "
                "only when every field inside has a value; %[ and %] are brackets shown"),
    within(number("Warble.plugin.mouse.wheelStep:", AT(wheelStep), "8"), 1, 64),
    choice("Warble.plugin.mouse.middleClick:", AT(middleClickAction), MIDDLE_CLICK_WORDS),
    withSubmenu(
        refreshing(inMenu(choice("Warble.plugin.scroll.when:", AT(scrollWhen), SCROLL_WHEN_WORDS),
                          "ScrollWhen", "Scroll Style", 0),
                   EFFECT_MENU),
        "Warble_ScrollStyle", SCROLL_WHEN_CHOICES),
    flag("Warble.plugin.ellipsis:", AT(ellipsis), "false"),
    withSubmenu(refreshing(inMenu(choice("Warble.plugin.player:", AT(playerKind), PLAYER_WORDS),
                                  "Player", "Player", 7),
                           EFFECT_CAPTION | EFFECT_MENU),
                "Warble_Player", PLAYER_CHOICES),
};

static_assert(sizeof OPTION_ROWS / sizeof *OPTION_ROWS <= 64, "Options::cutTexts has a bit a row");

OptionRows optionRows() {
    return {OPTION_ROWS, OPTION_ROWS + sizeof OPTION_ROWS / sizeof *OPTION_ROWS};
}

static void *fieldOf(Options &values, const OptionRow &row) {
    return (char *)&values + row.offset;
}

static const void *fieldOf(const Options &values, const OptionRow &row) {
    return (const char *)&values + row.offset;
}

bool &flagIn(Options &values, const OptionRow &row) {
    return *(bool *)fieldOf(values, row);
}

int &numberIn(Options &values, const OptionRow &row) {
    return *(int *)fieldOf(values, row);
}

bool flagOption(const OptionRow &row) {
    return *(const bool *)fieldOf(options, row);
}

int numberOption(const OptionRow &row) {
    return *(const int *)fieldOf(options, row);
}

const char *textOption(const OptionRow &row) {
    return (const char *)fieldOf(options, row);
}

const OptionRow &optionRow(size_t offset) {
    const OptionRow *row = OPTION_ROWS;
    while (row->offset != offset)
        ++row;
    return *row;
}

int fitOption(const OptionRow &row, int value) {
    if (row.flags & OPTION_LOW_BYTE) return value;
    return value < row.min ? row.min : value > row.max ? row.max : value;
}

unsigned long long rowBit(const OptionRow &row) {
    return 1ull << (&row - OPTION_ROWS);
}

/* The index of text among a choice's words, in any case, or -1. */
static int choiceIndex(const OptionRow &row, const char *text) {
    if (row.flags & OPTION_EXACT) return text && strcmp(text, row.words[0]) == 0 ? 0 : 1;
    for (int i = 0; text && row.words[i]; ++i)
        if (lstrcmpiA(text, row.words[i]) == 0) return i;
    return -1;
}

/* What an integer option holds without a value in the file. */
static int defaultNumber(const OptionRow &row) {
    return row.defaultText[0] ? atoi(row.defaultText) : OPTION_UNSET;
}

static void setDefault(const OptionRow &row, Options &into) {
    void *field = fieldOf(into, row);
    switch (row.kind) {
    case OPTION_BOOL: *(bool *)field = strcmp(row.defaultText, "true") == 0; break;
    case OPTION_INT: *(int *)field = defaultNumber(row); break;
    case OPTION_TEXT: copyText((char *)field, row.defaultText, TEXT_SIZE); break;
    case OPTION_CHOICE: *(int *)field = choiceIndex(row, row.defaultText); break;
    }
}

/* The file holds the key with nothing after it, but blanks. */
static bool emptyValue(const char *path, const OptionRow &row) {
    const char *value = ReadString(path, row.key, nullptr);
    if (!value) return false;
    while (*value == ' ' || *value == '\t')
        ++value;
    return !*value;
}

static void readOption(const char *path, const OptionRow &row, Options &into) {
    void *field = fieldOf(into, row);
    switch (row.kind) {
    case OPTION_BOOL: *(bool *)field = ReadBool(path, row.key, *(bool *)field); break;
    case OPTION_INT: {
        /* An empty value is read as an absent one, whether the shell would give it as 0
           or as the default. The shell answers the default for an absent or unreadable
           value (INT_MIN for a number without one, which stays unset); a default is in
           its range already. */
        if (emptyValue(path, row)) break;
        int fallback = row.defaultText[0] ? defaultNumber(row) : INT_MIN;
        int value = ReadInt(path, row.key, fallback);
        *(int *)field = value == fallback ? defaultNumber(row) : fitOption(row, value);
        break;
    }
    case OPTION_TEXT: {
        const char *text = ReadString(path, row.key, row.defaultText);
        copyText((char *)field, text, TEXT_SIZE);
        if (text && strlen(text) >= TEXT_SIZE) into.cutTexts |= rowBit(row);
        break;
    }
    case OPTION_CHOICE: {
        int index = choiceIndex(row, ReadString(path, row.key, row.defaultText));
        if (index >= 0) *(int *)field = index;
        break;
    }
    }
}

bool readOptions(const char *path, Options &into) {
    into.cutTexts = 0;
    bool anyKey = false;
    for (const OptionRow &row : OPTION_ROWS) {
        setDefault(row, into);
        readOption(path, row, into);
        /* Asked only until one is found: a real file holds its first key. */
        anyKey = anyKey || ReadString(path, row.key, nullptr) != nullptr;
    }
    return anyKey;
}

static size_t valueSize(const OptionRow &row) {
    switch (row.kind) {
    case OPTION_TEXT: return TEXT_SIZE;
    case OPTION_INT:
    case OPTION_CHOICE: return sizeof(int);
    default: return sizeof(bool);
    }
}

/* Whether the option holds the same value in a and b. */
bool sameOption(const OptionRow &row, const Options &a, const Options &b) {
    if (row.kind == OPTION_TEXT)
        return strcmp((const char *)fieldOf(a, row), (const char *)fieldOf(b, row)) == 0 &&
               (a.cutTexts & rowBit(row)) == (b.cutTexts & rowBit(row));
    return memcmp(fieldOf(a, row), fieldOf(b, row), valueSize(row)) == 0;
}

bool sameOptions(const Options &a, const Options &b) {
    for (const OptionRow &row : OPTION_ROWS)
        if (!sameOption(row, a, b)) return false;
    return true;
}

void copyOption(const OptionRow &row, const Options &from, Options &to) {
    memcpy(fieldOf(to, row), fieldOf(from, row), valueSize(row));
    to.cutTexts = (to.cutTexts & ~rowBit(row)) | (from.cutTexts & rowBit(row));
}

static void appendText(char *out, const char *text, size_t size) {
    size_t n = strlen(out);
    copyText(out + n, text, size - n);
}

/* What the row's key takes, as a comment names it: the row's own words, or else "true
   or false", a number and its range, the words of a choice, or text. */
static void describeValues(const OptionRow &row, char *out, size_t size) {
    out[0] = '\0';
    if (row.values) return copyText(out, row.values, size);
    if (row.kind == OPTION_BOOL) copyText(out, "true or false", size);
    if (row.kind == OPTION_TEXT) copyText(out, "text", size);
    if (row.kind == OPTION_INT && row.max != INT_MAX)
        wsprintfA(out, "a whole number from %d to %d", row.min, row.max);
    else if (row.kind == OPTION_INT)
        wsprintfA(out, row.min == INT_MIN ? "a whole number" : "a whole number from %d", row.min);
    if (row.kind == OPTION_INT && !row.defaultText[0]) appendText(out, ", or empty", size);
    for (int i = 0; row.kind == OPTION_CHOICE && row.words[i]; ++i) {
        if (i) appendText(out, row.words[i + 1] ? ", " : " or ", size);
        appendText(out, row.words[i], size);
    }
}

/* A key new to the file comes after a comment line that names the values it takes, as
   the sample file has them: "# Warble.plugin.ellipsis takes: true or false". */
static void writeComment(const char *path, const OptionRow &row) {
    char key[TEXT_SIZE] = "# ", values[TEXT_SIZE];
    appendText(key, row.key, sizeof key);
    size_t n = strlen(key);
    if (key[n - 1] == ':') key[n - 1] = '\0';
    appendText(key, " takes:", sizeof key);
    describeValues(row, values, sizeof values);
    WriteString(path, key, values);
}

void writeOption(const char *path, const OptionRow &row, bool commented) {
    if (commented && !ReadString(path, row.key, nullptr)) writeComment(path, row);
    switch (row.kind) {
    case OPTION_BOOL: WriteBool(path, row.key, flagOption(row)); break;
    case OPTION_INT:
        /* An unset number is said by the key's absence: a shell may read an empty value
           as 0, which is a value. */
        if (!unsetNumber(row)) WriteInt(path, row.key, numberOption(row));
        break;
    case OPTION_CHOICE: WriteString(path, row.key, row.words[numberOption(row)]); break;
    case OPTION_TEXT:
        /* A text cut on reading stays in the file as it is, whole. */
        if (!(options.cutTexts & rowBit(row))) WriteString(path, row.key, textOption(row));
        break;
    }
}

bool unsetNumber(const OptionRow &row) {
    return row.kind == OPTION_INT && !row.defaultText[0] && numberOption(row) == OPTION_UNSET;
}

bool fileHoldsOption(const char *path, const OptionRow &row) {
    if (!ReadString(path, row.key, nullptr)) return unsetNumber(row);
    Options read = options;
    setDefault(row, read);
    readOption(path, row, read);
    return sameOption(row, read, options);
}

/* The defaults, as reading a file without any of the keys gives them. Process-wide: the
   shell asks pluginInfo, whose answers include the update address, with no start
   running. The shell's thread alone reads and writes them. */
static Options values = [] {
    Options defaults = {};
    for (const OptionRow &row : OPTION_ROWS)
        setDefault(row, defaults);
    return defaults;
}();

const Options &options = values;

Options &optionValues() {
    return values;
}
