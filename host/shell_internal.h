/* What the shell's own pieces share with each other and with nobody else: the options
   it was started with, the style it paints with and the hand-offs between its windows. */
#pragma once

#include <string>
#include <windows.h>
#include "host.h"
#include "nightjar/nightjar.h"

/* Private messages of the shell's main window. */
enum : UINT {
    WM_SHELL_SHOWMENU = WM_APP + 1,    /* pop up the menu waiting in menus.cpp */
    WM_SHELL_RECONFIGURE = WM_APP + 2, /* re-read the style, tell the registered windows */
    WM_SHELL_REFRESHMENU = WM_APP + 3, /* lParam: Menu *, refresh the open menu from it */
};

/* The codes a second nightjar.exe sends in WM_COPYDATA's dwData. */
enum : ULONG_PTR {
    REMOTE_BROADCAST = 1, /* lpData: the command text */
    REMOTE_RECONFIGURE = 2,
    REMOTE_QUIT = 3,
};

extern const char SHELL_CLASS[];

/* A lock of the shell's own, ready from its construction; held with Locked. */
struct ShellLock {
    CRITICAL_SECTION cs;
    ShellLock() { InitializeCriticalSection(&cs); }
    ShellLock(const ShellLock &) = delete;
    ShellLock &operator=(const ShellLock &) = delete;
};

struct Locked {
    CRITICAL_SECTION *cs;
    explicit Locked(ShellLock &lock) : cs(&lock.cs) { EnterCriticalSection(cs); }
    ~Locked() { LeaveCriticalSection(cs); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;
};

/* The options of hostStart, copied so that the caller's texts may go away. */
struct ShellOptions {
    std::string shellDir; /* ends in a backslash */
    std::string stylePath;
    std::string logPath;
    bool showSlit = true;
    bool popupMenus = true;
    bool keepEvents = true;
};
const ShellOptions &shellOptions();
void setShellOptions(const HostOptions &options);
/* The shell's own settings file, nightjar.rc in the shell's folder. */
std::string shellSettingsPath();

/* A settings value for the shell's own use; unlike ReadString it leaves the calling
   thread's ReadString buffer alone. */
std::string shellReadString(const char *path, const char *key, const char *fallback);

/* Event record. */
void eventLogOpenFile(const char *path, bool keepLines);
void eventLogCloseFile();

/* Style: loaded at start and on reconfiguration. */
void shellLoadStyle();
const StyleItem &shellStyle();

/* Main window and label. */
HWND shellWindow();
void shellSetLabel(const char *text);

/* Slit. */
bool slitCreate(HINSTANCE instance);
void slitDestroy();
void slitRestyle();

/* Menus: the pending popup and the open-menu refresh run on the shell's thread. */
void menusShowPending();
void menusRefreshOpen(Menu *menu);
void menusFreeAll();

/* Window helpers shared by the shell's own windows. */
void shellPaintText(HWND window, const char *text);
/* Bounded copy that always terminates (size > 0). */
void shellCopyText(char *buffer, size_t size, const char *text);
