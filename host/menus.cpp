/* Plugin menus: built item by item through the menu services, kept by the shell under
   their id texts, popped up as real popup menus on the shell's thread, and refreshed in
   place when a plugin rebuilds a menu that is open. Choosing an item broadcasts its
   command. A menu is freed when a menu of the same id replaces it and nothing else
   (a parent, a waiting popup) holds it any more. */
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include "shell_internal.h"

struct MenuItem {
    enum Kind { COMMAND, NUMBER, NOP, SUBMENU } kind;
    std::string label;
    std::string command;
    bool checked = false;
    int value = 0, minimum = 0, maximum = 0;
    std::shared_ptr<Menu> child;
};

struct Menu : std::enable_shared_from_this<Menu> {
    std::string title;
    std::string id;
    bool popup = false;
    std::vector<std::unique_ptr<MenuItem>> items;
    Menu();
    ~Menu();
};

namespace {

const int MAX_DEPTH = 16;
const int BODY_START = 2; /* a popup starts with its title and a separator */
const int MAX_NUMBER_CHOICES = 11;
const UINT MAX_COMMAND_ID = 0x7FFF;

ShellLock &menusLock() {
    static ShellLock lock;
    return lock;
}

std::set<const Menu *> &liveMenus() {
    static std::set<const Menu *> live;
    return live;
}
std::map<std::string, std::shared_ptr<Menu>> menusById;
std::shared_ptr<Menu> pendingPopup;

/* The menu on screen (shell's thread only): its handle, id and the command of each
   item id, item id n at index n - 1. */
HMENU openMenu;
std::string openId;
std::string openShape;
std::vector<std::string> openCommands;

const char *text(const char *s) {
    return s ? s : "";
}

std::shared_ptr<Menu> alive(Menu *menu) {
    if (!menu || !liveMenus().count(menu)) return nullptr;
    return menu->shared_from_this();
}

const char *idOf(Menu *menu) {
    return alive(menu) ? menu->id.c_str() : "";
}

bool reaches(const Menu *from, const Menu *to, int depth) {
    if (from == to) return true;
    if (depth > MAX_DEPTH) return true;
    for (const auto &item : from->items)
        if (item->child && reaches(item->child.get(), to, depth + 1)) return true;
    return false;
}

MenuItem *addItem(Menu *menu, MenuItem::Kind kind, const char *label, const char *command) {
    auto owner = alive(menu);
    if (!owner) return nullptr;
    owner->items.push_back(std::make_unique<MenuItem>());
    MenuItem *item = owner->items.back().get();
    item->kind = kind;
    item->label = text(label);
    item->command = text(command);
    return item;
}

/* The values a number item offers: its range in round steps, both ends included. The
   count depends on the range only, so a menu keeps its layout when the value changes. */
std::vector<int> numberChoices(const MenuItem &item) {
    long long low = std::min(item.minimum, item.maximum);
    long long high = std::max(item.minimum, item.maximum);
    long long step = 1;
    for (long long scale = 1; (high - low) / step > MAX_NUMBER_CHOICES - 1; scale *= 10) {
        for (long long factor : {1, 2, 5}) {
            step = factor * scale;
            if ((high - low) / step <= MAX_NUMBER_CHOICES - 1) break;
        }
    }
    std::vector<int> choices;
    for (long long value = low; value < high; value += step)
        choices.push_back((int)value);
    choices.push_back((int)high);
    return choices;
}

/* A text that changes exactly when the menu's item layout changes. */
std::string shapeOf(const Menu &menu, int depth) {
    std::string shape;
    for (const auto &item : menu.items) {
        shape += "CNPS"[item->kind];
        if (item->kind == MenuItem::NOP && !item->label.empty()) shape += 'L';
        if (item->kind == MenuItem::NUMBER) shape += std::to_string(numberChoices(*item).size());
        if (item->kind == MenuItem::SUBMENU && item->child && depth < MAX_DEPTH)
            shape += "(" + shapeOf(*item->child, depth + 1) + ")";
    }
    return shape;
}

UINT addCommand(std::vector<std::string> &commands, const std::string &command) {
    if (commands.size() >= MAX_COMMAND_ID) return 0;
    commands.push_back(command);
    return (UINT)commands.size();
}

/* Puts one entry at position in menu: appended, or, with inPlace, written over the
   entry of the same kind there (a submenu entry keeps its submenu). */
void putEntry(HMENU menu, int position, bool inPlace, UINT flags, UINT_PTR id, const char *label) {
    if (!inPlace) {
        AppendMenuA(menu, flags, id, label);
        return;
    }
    if (flags & MF_SEPARATOR) return;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = (char *)label;
    if (!(flags & MF_POPUP)) {
        info.fMask |= MIIM_STATE | MIIM_ID;
        info.fState =
            ((flags & MF_CHECKED) ? MFS_CHECKED : 0) | ((flags & MF_GRAYED) ? MFS_GRAYED : 0);
        info.wID = (UINT)id;
    }
    SetMenuItemInfoA(menu, position, TRUE, &info);
}

void fill(HMENU menu, int first, const Menu &from, bool inPlace, std::vector<std::string> &commands,
          int depth);

HMENU submenuAt(HMENU menu, int position, bool inPlace) {
    return inPlace ? GetSubMenu(menu, position) : CreatePopupMenu();
}

/* A number item's submenu: the choices of its range, the current value checked (the
   item itself shows the value, which may lie between two choices). */
void fillNumber(HMENU menu, const MenuItem &item, bool inPlace,
                std::vector<std::string> &commands) {
    int position = 0;
    for (int choice : numberChoices(item)) {
        std::string label = std::to_string(choice);
        UINT id = addCommand(commands, item.command + " " + label);
        UINT flags = MF_STRING | (choice == item.value ? MF_CHECKED : MF_UNCHECKED);
        putEntry(menu, position++, inPlace, flags, id, label.c_str());
    }
}

/* Writes the items of from into menu from position first on. */
void fill(HMENU menu, int first, const Menu &from, bool inPlace, std::vector<std::string> &commands,
          int depth) {
    int position = first;
    for (const auto &item : from.items) {
        switch (item->kind) {
        case MenuItem::COMMAND: {
            UINT id = addCommand(commands, item->command);
            UINT flags = MF_STRING | (item->checked ? MF_CHECKED : MF_UNCHECKED);
            putEntry(menu, position, inPlace, flags, id, item->label.c_str());
            break;
        }
        case MenuItem::NOP:
            if (item->label.empty())
                putEntry(menu, position, inPlace, MF_SEPARATOR, 0, nullptr);
            else
                putEntry(menu, position, inPlace, MF_STRING | MF_GRAYED, 0, item->label.c_str());
            break;
        case MenuItem::NUMBER: {
            HMENU sub = submenuAt(menu, position, inPlace);
            fillNumber(sub, *item, inPlace, commands);
            std::string label = item->label + ": " + std::to_string(item->value);
            putEntry(menu, position, inPlace, MF_POPUP, (UINT_PTR)sub, label.c_str());
            break;
        }
        case MenuItem::SUBMENU: {
            HMENU sub = submenuAt(menu, position, inPlace);
            if (item->child && depth < MAX_DEPTH)
                fill(sub, 0, *item->child, inPlace, commands, depth + 1);
            putEntry(menu, position, inPlace, MF_POPUP, (UINT_PTR)sub, item->label.c_str());
            break;
        }
        }
        ++position;
    }
}

} // namespace

Menu::Menu() {
    liveMenus().insert(this);
}
Menu::~Menu() {
    liveMenus().erase(this);
}

NJ_API Menu *MakeNamedMenu(const char *title, const char *id, bool popup) {
    Locked hold(menusLock());
    hostLog("menu|new|%s|%s|%d", text(title), text(id), popup ? 1 : 0);
    auto menu = std::make_shared<Menu>();
    menu->title = text(title);
    menu->id = text(id);
    menu->popup = popup;
    menusById[menu->id] = menu; /* frees the menu it replaces, unless it is still held */
    return menu.get();
}

NJ_API MenuItem *MakeMenuItem(Menu *menu, const char *label, const char *command, bool checked) {
    Locked hold(menusLock());
    hostLog("menu|item|%s|%s|%s|%d", idOf(menu), text(label), text(command), checked ? 1 : 0);
    MenuItem *item = addItem(menu, MenuItem::COMMAND, label, command);
    if (item) item->checked = checked;
    return item;
}

NJ_API MenuItem *MakeMenuItemInt(Menu *menu, const char *label, const char *command, int value,
                                 int minimum, int maximum) {
    Locked hold(menusLock());
    hostLog("menu|int|%s|%s|%s|%d|%d|%d", idOf(menu), text(label), text(command), value, minimum,
            maximum);
    MenuItem *item = addItem(menu, MenuItem::NUMBER, label, command);
    if (item) {
        item->value = value;
        item->minimum = minimum;
        item->maximum = maximum;
    }
    return item;
}

NJ_API MenuItem *MakeMenuNOP(Menu *menu, const char *label) {
    Locked hold(menusLock());
    hostLog("menu|nop|%s|%s", idOf(menu), text(label));
    return addItem(menu, MenuItem::NOP, label, nullptr);
}

NJ_API MenuItem *MakeSubmenu(Menu *parent, Menu *child, const char *title) {
    Locked hold(menusLock());
    hostLog("menu|sub|%s|%s|%s", idOf(parent), idOf(child), text(title));
    auto owned = alive(child);
    if (!owned || !alive(parent) || reaches(owned.get(), parent, 0)) return nullptr;
    MenuItem *item = addItem(parent, MenuItem::SUBMENU, title, nullptr);
    item->child = owned;
    return item;
}

NJ_API void ShowMenu(Menu *menu) {
    HWND shell = shellWindow();
    bool refresh;
    {
        Locked hold(menusLock());
        std::shared_ptr<Menu> shown = alive(menu);
        hostLog("menu|show|%s|%d", shown ? shown->id.c_str() : "", shown && shown->popup ? 1 : 0);
        if (!shown || !shell || !shellOptions().popupMenus) return;
        refresh = !shown->popup;
        if (!refresh) {
            pendingPopup = shown;
            PostMessageA(shell, WM_SHELL_SHOWMENU, 0, 0);
        }
    } /* menus are freed only under the lock: shown goes before hold */
    if (!refresh) return;
    if (GetWindowThreadProcessId(shell, nullptr) == GetCurrentThreadId())
        menusRefreshOpen(menu);
    else
        SendMessageA(shell, WM_SHELL_REFRESHMENU, 0, (LPARAM)menu);
}

void menusShowPending() {
    HWND shell = shellWindow();
    HMENU popup;
    {
        Locked hold(menusLock());
        std::shared_ptr<Menu> menu;
        menu.swap(pendingPopup);
        if (!menu || openMenu) return;
        popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING | MF_GRAYED, 0, menu->title.c_str());
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        openCommands.clear();
        fill(popup, BODY_START, *menu, false, openCommands, 0);
        openShape = shapeOf(*menu, 0);
        openMenu = popup;
        openId = menu->id;
    }

    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(shell);
    UINT chosen = (UINT)TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
                                       at.y, 0, shell, nullptr);
    PostMessageA(shell, WM_NULL, 0, 0); /* lets the menu close properly when clicked away */

    std::string command;
    {
        Locked hold(menusLock());
        if (chosen >= 1 && chosen <= openCommands.size()) command = openCommands[chosen - 1];
        openMenu = nullptr;
        openId.clear();
        openCommands.clear();
    }
    DestroyMenu(popup);
    if (!command.empty()) hostBroadcast(command.c_str());
}

void menusRefreshOpen(Menu *menu) {
    Locked hold(menusLock());
    auto fresh = alive(menu);
    if (!fresh || !openMenu || fresh->id != openId) return;
    std::vector<std::string> commands;
    std::string shape = shapeOf(*fresh, 0);
    putEntry(openMenu, 0, true, MF_STRING | MF_GRAYED, 0, fresh->title.c_str());
    if (shape == openShape) {
        /* Same layout: labels and check marks change in the menu on screen. */
        fill(openMenu, BODY_START, *fresh, true, commands, 0);
    } else {
        while (GetMenuItemCount(openMenu) > BODY_START)
            DeleteMenu(openMenu, BODY_START, MF_BYPOSITION);
        fill(openMenu, BODY_START, *fresh, false, commands, 0);
        openShape = shape;
    }
    openCommands = commands;
}

void menusFreeAll() {
    Locked hold(menusLock());
    pendingPopup.reset();
    menusById.clear();
}
