/* The stand-in Nightjar shell's own controls: used by its main program
   (main.cpp) and by test runners, which link the shell's services in and are
   themselves named nightjar.exe so that Warble.dll binds to them. */
#pragma once

#include <string>
#include <vector>
#include <windows.h>

struct HostOptions {
    const char *shellDir = nullptr; /* what GetNightjarPath reports; null: the exe's folder */
    const char *stylePath =
        nullptr; /* style file; null: stylePath from the shell's settings, else built-in */
    const char *logPath = nullptr; /* event log file, appended to; null: no file */
    bool showSlit = true;          /* create the Slit window */
    bool popupMenus = true;        /* ShowMenu really pops menus up; false: build and log only */
    bool keepEvents = true;        /* keep the event record in memory for hostEvents; false: the
                                      log file only, so that a long-running shell does not grow */
};

/* Creates the shell's main window (class "NightjarShell"), its label window and
   the Slit, loads the style. Runs on the calling thread, which must pump messages. */
bool hostStart(const HostOptions &options);
/* Ends every loaded plugin (endPlugin, FreeLibrary) and destroys the shell's windows. */
void hostStop();

HWND hostSlitWindow();
/* Loads a plugin and starts it through beginPluginEx (then beginSlitPlugin, then
   beginPlugin), handing over the Slit when withSlit. Returns the start result, or -1
   when the library or its start function cannot be found; on failure, problem (when
   given) says why in words: not found, not a 32-bit DLL, a missing import, ... */
int hostLoadPlugin(const char *path, bool withSlit, std::string *problem = nullptr);
/* Ends and frees every loaded plugin, in reverse order of loading. */
void hostUnloadPlugins();
/* Re-reads the style file and sends MSG_RECONFIGURE to every registered window. */
void hostReconfigure();
/* Sends text as MSG_BROADCAST to the shell's window (as --send does). */
void hostBroadcast(const char *text);

/* The event record: one line per broadcast, label notice, settings write, menu call and
   registration, in the order they happen. Formats ('|' separates fields):
     broadcast|TEXT          label|TEXT
     write|PATH|KEY|VALUE    (booleans as true/false)
     store|PATH|WHAT         (a file left as it is and why, a stale temporary removed)
     register|HWND           unregister|HWND      (HWND as 8 hex digits)
     sticky+|HWND            sticky-|HWND
     slit+|HWND              slit-|HWND
     transparency|HWND|ALPHA
     execute|PROGRAM|ARGUMENTS
     menu|new|TITLE|ID|POPUP            (POPUP 0 or 1)
     menu|item|MENUID|LABEL|COMMAND|CHECKED
     menu|int|MENUID|LABEL|COMMAND|VALUE|MIN|MAX
     menu|nop|MENUID|LABEL              (empty LABEL: a separator)
     menu|sub|PARENTID|CHILDID|TITLE
     menu|show|MENUID|POPUP
   Each line also goes to the log file when one is set, and is kept for hostEvents
   unless the shell was started without keepEvents. Safe from any thread. */
void hostLog(const char *format, ...);
std::vector<std::string> hostEvents();
void hostClearEvents();
