/* The configuration menu, built anew from the options table at every call through the
   shell's menu services; each item carries the broadcast command that the
   dispatcher carries out when it is chosen. */
#include "commands/menu.h"
#include "core/text.h"
#include "core/version.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

static void item(Menu *menu, const char *label, const char *command, bool checked) {
    MakeMenuItem(menu, label, command, checked);
}

static void separator(Menu *menu) {
    MakeMenuNOP(menu, nullptr);
}

/* One item for each value of the option, the one it holds checked. A number option's
   items set their value, a flag's or a choice's its word. */
static void choiceItems(Menu *menu, const OptionRow &row) {
    int value = row.kind == OPTION_BOOL ? flagOption(row) : numberOption(row);
    char text[TEXT_SIZE];
    for (int i = 0; row.choices[i]; ++i) {
        if (row.kind == OPTION_INT)
            snprintf(text, sizeof text, "@WarbleInternal %s %d", row.word, i);
        else
            snprintf(text, sizeof text, "@WarbleInternal %s %s", row.word, row.words[i]);
        item(menu, row.choices[i], text, value == i);
    }
}

/* The option's submenu, with the items of the rows outside the groups that join it. */
static Menu *choicesMenu(const OptionRow &row, bool popup) {
    Menu *menu = MakeNamedMenu(row.label, row.menuId, popup);
    choiceItems(menu, row);
    for (const OptionRow &joining : optionRows())
        if (!joining.menuGroup && joining.menuId && strcmp(joining.menuId, row.menuId) == 0) {
            separator(menu);
            choiceItems(menu, joining);
        }
    return menu;
}

static void optionItem(Menu *config, const OptionRow &row, bool popup) {
    char command[TEXT_SIZE];
    snprintf(command, sizeof command, "@WarbleInternal %s", row.word);
    if (row.choices)
        MakeSubmenu(config, choicesMenu(row, popup), row.label);
    else if (row.kind == OPTION_INT)
        MakeMenuItemInt(config, row.label, command, numberOption(row), row.min, row.max);
    else
        item(config, row.label, command, flagOption(row));
}

void showConfigMenu(const Display &display, bool popup) {
    Menu *main = MakeNamedMenu("Warble", "Warble_IDMain", popup);
    Menu *config = MakeNamedMenu("Configuration", "Warble_IDConfig", popup);
    int group = 0;
    for (const OptionRow &row : optionRows()) {
        if (!row.menuGroup) continue;
        if ((row.flags & OPTION_LAYERED) && !display.placement.layeredSupported) continue;
        if (group && row.menuGroup != group) separator(config);
        group = row.menuGroup;
        optionItem(config, row, popup);
    }
    MakeSubmenu(main, config, "Configuration");
    separator(main);
    item(main, "Copy Title", "@WarbleInternal CopyTitle", false);
    item(main, "Edit Warble.rc", "@WarbleInternal Edit", false);
    item(main, "About Warble", "@WarbleInternal About", false);
    ShowMenu(main);
}

/* The file opened lists every key: those it lacks are written first with the values in
   use. */
const char FILE_TOO_LARGE_NOTICE[] =
    "WarblePlugin -> Edit: the settings file is over 256 KB; the keys it lacks are not added";

void editSettingsFile(SettingsSync &sync) {
    if (!completeSettingsFile(sync))
        SendMessageA(shellLink.host, MSG_SET_LABEL, 0, (LPARAM)FILE_TOO_LARGE_NOTICE);
    char editor[TEXT_SIZE] = "";
    GetNightjarEditor(editor);
    editor[TEXT_SIZE - 1] = '\0';
    NJExecute(nullptr, nullptr, editor, sync.path, nullptr, 1, false);
}

const char NOTHING_TO_COPY_NOTICE[] = "WarblePlugin -> CopyTitle: nothing is playing";

void copyTitleToClipboard(HWND owner, const PlayerSide &side) {
    int state = playerStatus.playState;
    if (!playerStatus.window || (state != WINAMP_PLAYING && state != WINAMP_PAUSED)) {
        SendMessageA(shellLink.host, MSG_SET_LABEL, 0, (LPARAM)NOTHING_TO_COPY_NOTICE);
        return;
    }
    wchar_t title[TEXT_SIZE];
    readWinampTitle(side, title);
    size_t bytes = (wcslen(title) + 1) * sizeof(wchar_t);
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    /* Once handed over, the clipboard owns the memory. */
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (void *text = memory ? GlobalLock(memory) : nullptr) {
        memcpy(text, title, bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else if (memory) {
        GlobalFree(memory);
    }
    CloseClipboard();
}

void showAboutBox() {
    char text[TEXT_SIZE];
    snprintf(text, sizeof text, "%s\n\nAuthor : %s\nWeb: %s\nEmail: %s", WARBLE_NAME_VERSION,
             WARBLE_AUTHOR, WARBLE_WEB, WARBLE_EMAIL);
    MessageBoxA(nullptr, text, "About this plugin...", MB_OK | MB_ICONINFORMATION);
}
