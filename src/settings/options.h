/* The options: every key of the settings file as one row of a table (its key, kind,
   default, range, command word, menu place and what a change must refresh), and
   the one struct that holds their values. Reading the file, the menu and the
   commands that change an option are loops over the table; a key is written only in
   its row, and code that needs a row finds it by its field (OPTION_ROW). */
#pragma once

#include "core/owners.h"
#include "core/text.h"

#include <stddef.h>

#define DEFAULT_TIME_FORMAT "%a %d %b - %I:%M %p"

/* What an integer option holds while its key is absent or empty and its default is
   empty: no value of its own (for the rest at the ends: each style keeps its own). */
enum { OPTION_UNSET = -1 };

/* What a double-click and the wheel over the window do to the player. */
enum DoubleClickAction { DOUBLE_CLICK_PLAY_PAUSE, DOUBLE_CLICK_NONE };
enum WheelAction { WHEEL_VOLUME, WHEEL_TRACK, WHEEL_NONE };
enum MiddleClickAction {
    MIDDLE_NONE,
    MIDDLE_PLAY_PAUSE,
    MIDDLE_NEXT,
    MIDDLE_PREVIOUS,
    MIDDLE_STOP
};
/* How a title wider than the window moves: a stream that wraps, or end to end. */
enum ScrollStyle { SCROLL_STREAM, SCROLL_END_TO_END };
/* When a title wider than the window moves: always, one round after each new title,
   or while the mouse is over the window. */
enum ScrollWhen { SCROLL_ALWAYS, SCROLL_ONCE, SCROLL_HOVER };
/* Which players are followed: any (the one that started playing last), or one kind. */
enum PlayerChoice { PLAYER_AUTO, PLAYER_WINAMP, PLAYER_CAD };

/* The values of every option: assigned only by the settings' owner (settings.cpp), on
   the shell's thread, the only thread that reads them: the workers are handed copies
   of what they need whenever they change. */
struct Options {
    int xPos, yPos, width, height;
    bool interfaceExtensions, inSlit, transparencyEnabled, transBackEnabled;
    int alpha;
    bool alwaysOnTop, snapWindow, toggleWithPlugins;
    char updateUrl[TEXT_SIZE];
    bool scrolling, showTrackNumber, showBorder;
    int scrollStyle; /* ScrollStyle */
    bool useCustomFont;
    char fontFace[TEXT_SIZE];
    int fontHeight, fontWeight;
    int idleState;
    char idleMessage[TEXT_SIZE];
    char idleTimeFormat[TEXT_SIZE];
    int scrollSpeed; /* pixels per scroll step */
    int edgeRest;    /* scroll steps of rest at the ends, or OPTION_UNSET */
    bool hideWhenIdle;
    int doubleClickAction;       /* DoubleClickAction */
    int wheelAction;             /* WheelAction */
    bool showTooltip;            /* hovering shows the whole caption */
    bool showProgress;           /* a line along the text area's bottom shows the part played */
    int scrollWhen;              /* ScrollWhen */
    char format[TEXT_SIZE];      /* what the caption shows of the track playing */
    int wheelStep;               /* the volume's change per notch of the wheel */
    int middleClickAction;       /* MiddleClickAction */
    bool ellipsis;               /* a wide caption at rest ends in an ellipsis */
    int playerKind;              /* PlayerChoice: which kinds of player are followed */
    unsigned long long cutTexts; /* a bit for each text row whose value did not fit */
};

/* What every unit reads; only the settings' owner writes them (option_values.h). */
extern const Options &options;

enum OptionKind {
    OPTION_BOOL,   /* true or false */
    OPTION_INT,    /* a decimal number */
    OPTION_TEXT,   /* up to TEXT_SIZE - 1 characters */
    OPTION_CHOICE, /* one of a list of words, held as its index; any other word is the
                      default */
};

/* How a command word changes its option. */
enum OptionCommand {
    COMMAND_NONE,
    COMMAND_TOGGLE,          /* "WORD", any case: the flag is inverted */
    COMMAND_NUMBER,          /* "WORD N", any case */
    COMMAND_NUMBER_ANYWHERE, /* "...WORD... N", the word in its case anywhere, N after the
                                first blank */
    COMMAND_DOCK,            /* "WORD", any case: docks in or leaves the Slit */
    COMMAND_CHOICE,          /* "WORD VALUE", any case, VALUE one of the row's words: sets
                                it; "Toggle" + WORD inverts a flag */
};

/* What a change of the option must bring up to date, in this order, beyond what
   follows every change of the options (the workers' copies, the repaint). */
enum OptionEffect {
    EFFECT_ANNOUNCE = 1,     /* the label names the new state (before the write) */
    EFFECT_WINDOW = 2,       /* visibility, opacity, z-order and place */
    EFFECT_MENU = 4,         /* the menu is shown again with the new state */
    EFFECT_CAPTION = 8,      /* the player is read again: caption and status */
    EFFECT_TIME_FORMAT = 16, /* the idle time format in use is written back */
};

enum OptionFlag {
    OPTION_LOW_BYTE = 1, /* taken as it is, never brought inside its range: only its low
                            byte counts; the range is the menu's */
    OPTION_LAYERED = 2,  /* in the menu only where windows can be layered */
    OPTION_EXACT = 4,    /* a choice of two words of which only the first, exactly as
                            written, is the first; any other text is the second (the rule
                            stored files rely on for the scroll style) */
    OPTION_WHOLE_NUMBER = 8, /* its command takes a whole number only, and refuses any
                                other text with a label (the older number commands take a
                                letter as 0, which scripts may rely on) */
};

struct OptionRow {
    const char *key;
    OptionKind kind;
    size_t offset;            /* of the value in Options */
    const char *defaultText;  /* as the file writes it; "" for an unset number */
    int min, max;             /* numbers: what reading and commands bring them inside */
    const char *const *words; /* OPTION_CHOICE: the words as written, ended by a null */
    OptionCommand command;
    const char *word;           /* the command word after "@WarbleInternal " */
    const char *label;          /* the menu item, or the submenu's title with choices */
    int menuGroup;              /* groups are parted by separators; 0: not in the menu */
    const char *const *choices; /* a submenu: one item per value, from 0 */
    const char *menuId;         /* the submenu's id; a row outside the menu's groups with the
                                   id of another's submenu adds its items to it */
    unsigned effects;           /* OptionEffect bits */
    unsigned flags;             /* OptionFlag bits */
    const char *values;         /* what the comment "Edit" writes says the key takes, where
                                   its kind's words would say too little; null: those */
};

/* Every row, in the menu's order. */
struct OptionRows {
    const OptionRow *first, *last;
    const OptionRow *begin() const { return first; }
    const OptionRow *end() const { return last; }
};
OptionRows optionRows();

/* The option's value, by kind: a flag (OPTION_BOOL), a number
   (OPTION_INT, OPTION_CHOICE) or a text. */
bool flagOption(const OptionRow &row);
int numberOption(const OptionRow &row);
const char *textOption(const OptionRow &row);
/* The same as a field of values, for the settings' owner. */
bool &flagIn(Options &values, const OptionRow &row);
int &numberIn(Options &values, const OptionRow &row);

/* The row of a field of Options (OPTION_ROW(xPos)); each field has one. */
const OptionRow &optionRow(size_t offset);
#define OPTION_ROW(field) optionRow(offsetof(Options, field))

/* Every option from the file at path; absent, empty or unreadable values take their
   default, numbers outside their range are brought inside. False when the file holds
   none of the keys. */
bool readOptions(const char *path, Options &into);
/* Whether every option holds the same value in a and b. */
bool sameOptions(const Options &a, const Options &b);
/* Whether the option holds the same value in a and b (the settings compare what the
   file holds now with what it held, key by key). */
bool sameOption(const OptionRow &row, const Options &a, const Options &b);
/* Copies the option's value from one set of values to another. */
void copyOption(const OptionRow &row, const Options &from, Options &to);
/* Writes the option's value in options to the file at path; with commented, a key the
   file lacks comes after a comment line naming the values it takes, as in the sample
   file (for the keys "Edit" adds). */
void writeOption(const char *path, const OptionRow &row, bool commented = false);
/* Whether the file at path holds the option's value in options, as writeOption wrote it
   (a text kept whole in the file, too long for memory, counts as held). */
bool fileHoldsOption(const char *path, const OptionRow &row);
/* A number without a default that is unset: the file says so by not holding the key. */
bool unsetNumber(const OptionRow &row);
/* The bit of a row in a mask of rows (there are at most 64). */
unsigned long long rowBit(const OptionRow &row);
/* Brings value inside the row's range (unless it is taken as it is). */
int fitOption(const OptionRow &row, int value);
