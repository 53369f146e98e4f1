/* The configuration menu, built anew from the state at every call through the
   shell's menu services; each item carries the broadcast command that the
   dispatcher carries out when it is chosen. */
#include "commands/menu.h"
#include "display/window.h"
#include "plugin/state.h"

#include <stdio.h>

static void item(Menu *menu, const char *label, const char *command, bool checked) {
    MakeMenuItem(menu, label, command, checked);
}

static void separator(Menu *menu) {
    MakeMenuNOP(menu, nullptr);
}

static Menu *scrollStyleMenu(bool popup) {
    Menu *menu = MakeNamedMenu("Scroll Style", "Warble_ScrollStyle", popup);
    item(menu, "Stream", "@WarbleInternal ScrollStyle Stream", !warble.scrollEndToEnd);
    item(menu, "End to End", "@WarbleInternal ScrollStyle EndToEnd", warble.scrollEndToEnd);
    return menu;
}

static Menu *idleMessageMenu(bool popup) {
    Menu *menu = MakeNamedMenu("Idle Message", "Warble_Idle Message", popup);
    item(menu, "Errors", "@WarbleInternal ToggleIdleState 0", warble.idleState == 0);
    item(menu, "Time", "@WarbleInternal ToggleIdleState 1", warble.idleState == 1);
    item(menu, "Message", "@WarbleInternal ToggleIdleState 2", warble.idleState == 2);
    return menu;
}

void showConfigMenu(bool popup) {
    Menu *main = MakeNamedMenu("Warble", "Warble_IDMain", popup);
    Menu *config = MakeNamedMenu("Configuration", "Warble_IDConfig", popup);
    item(config, "Always On Top", "@WarbleInternal AlwaysOnTop", warble.alwaysOnTop);
    item(config, "Docked to Slit", "@WarbleInternal SlitToggle", warble.inSlit);
    item(config, "Snap Window To Edge", "@WarbleInternal SnapWindowToEdge", warble.snapWindow);
    item(config, "Toggle With Plugins", "@WarbleInternal ToggleWithPlugins",
         warble.toggleWithPlugins);
    item(config, "Hide When Idle", "@WarbleInternal ToggleHideWhenIdle", warble.hideWhenIdle);
    separator(config);
    item(config, "DOVozizuvav Extensions", "@WarbleInternal ToggleDOVozizuvav",
         warble.interfaceExtensions);
    separator(config);
    item(config, "Transparency Enabled", "@WarbleInternal TransparencyEnabled",
         warble.transparencyEnabled);
    if (warble.layeredSupported)
        item(config, "Transparent Back Enabled", "@WarbleInternal TransbackEnabled",
             warble.transBackEnabled);
    MakeMenuItemInt(config, "Alpha Value", "@WarbleInternal TransparencyAlpha", warble.alpha, 0,
                    255);
    separator(config);
    MakeSubmenu(config, scrollStyleMenu(popup), "Scroll Style");
    item(config, "Scroll Song Title", "@WarbleInternal ToggleScrolling", warble.scrolling);
    MakeMenuItemInt(config, "Scroll Speed", "@WarbleInternal ScrollSpeed", warble.scrollSpeed,
                    SCROLL_SPEED_MIN, SCROLL_SPEED_MAX);
    separator(config);
    item(config, "Show Track Number", "@WarbleInternal ToggleTrackNumber", warble.showTrackNumber);
    item(config, "Show Border", "@WarbleInternal ToggleBorder", warble.showBorder);
    item(config, "Show Tooltip", "@WarbleInternal ToggleTooltip", warble.showTooltip);
    item(config, "Show Progress", "@WarbleInternal ToggleProgress", warble.showProgress);
    separator(config);
    MakeSubmenu(config, idleMessageMenu(popup), "Idle Message");
    MakeSubmenu(main, config, "Configuration");
    separator(main);
    item(main, "Edit Warble.rc", "@WarbleInternal Edit", false);
    item(main, "About Warble", "@WarbleInternal About", false);
    ShowMenu(main);
}

void announceSetting(bool *flag, const char *word, const char *key) {
    char notice[80];
    snprintf(notice, sizeof notice, "WarblePlugin -> %s %sabled!", word, *flag ? "en" : "dis");
    SendMessageA(warble.hwndHost, MSG_SET_LABEL, 0, (LPARAM)notice);
    WriteBool(warble.rcPath, key, *flag);
    applyWindowState();
    showConfigMenu(false);
}

void toggleSetting(bool *flag, const char *word, const char *key) {
    *flag = !*flag;
    announceSetting(flag, word, key);
}

void editSettingsFile() {
    char editor[TEXT_SIZE] = "";
    GetNightjarEditor(editor);
    editor[TEXT_SIZE - 1] = '\0';
    NJExecute(nullptr, nullptr, editor, warble.rcPath, nullptr, 1, false);
}

void showAboutBox() {
    char text[TEXT_SIZE];
    snprintf(text, sizeof text, "%s\n\nAuthor : %s\nWeb: %s\nEmail: %s", WARBLE_NAME_VERSION,
             WARBLE_AUTHOR, WARBLE_WEB, WARBLE_EMAIL);
    MessageBoxA(nullptr, text, "About this plugin...", MB_OK | MB_ICONINFORMATION);
}
