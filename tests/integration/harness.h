/* The integration runner's harness: message pumping on the test thread (which owns the
   shell's and the plugin's windows), fresh folders, a copy of the real Warble.dll loaded
   per test, the shell's event record, thread counts and a closer for message boxes. */
#pragma once

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

#include "gtest/gtest.h"

/* Takes the test thread's messages for about ms milliseconds. The plugin's threads send
   to the shell's window and the window-event hook calls back on this thread, so every
   wait in a test goes through here. */
void pump(DWORD ms);
/* Pumps until done() holds or timeoutMs passes; returns done()'s last answer. */
bool pumpUntil(const std::function<bool()> &done, DWORD timeoutMs);

/* Folder of Warble.dll and winamp-sim.exe ($WARBLE_BIN, a Unix path made a Wine one). */
std::string binDir();
/* The folder hostStart was given as the shell's own (ends in a backslash). */
std::string shellDir();
void setShellDir(const std::string &folder);

/* A new empty folder under the temporary folder, ending in a backslash. */
std::string makeTempFolder(const char *stem);
void removeFolder(const std::string &folder);
void writeFile(const std::string &path, const std::string &content);
std::string readFile(const std::string &path);
std::vector<std::string> readLines(const std::string &path);
bool fileExists(const std::string &path);

/* The shell's event record. */
std::vector<std::string> events();
/* Index of the first line equal to line at or after from, or -1. */
int findEvent(const std::vector<std::string> &list, const std::string &line, int from = 0);
/* Lines that begin with prefix, in order. */
std::vector<std::string> eventsStartingWith(const std::string &prefix);
bool waitForEvent(const std::string &line, DWORD timeoutMs);
/* The window handle as the record writes it. */
std::string hexWindow(HWND window);

/* Threads of this process right now. */
int threadCount();

/* The plugin's window, found by its class. */
HWND pluginWindow();
RECT windowRect(HWND window);

/* Watches for a message box with the given caption on another thread, remembers its
   text and closes it. */
class MessageBoxCloser {
  public:
    explicit MessageBoxCloser(const char *caption);
    ~MessageBoxCloser();
    /* Waits for the watcher to end; the text of the box it closed, or empty. */
    std::string closedText(DWORD timeoutMs = 5000);

  private:
    static DWORD WINAPI watch(LPVOID self);
    std::string caption_;
    std::string text_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
};

typedef int (*BeginPluginFn)(HINSTANCE);
typedef int (*BeginSlitPluginFn)(HINSTANCE, HWND);
typedef void (*EndPluginFn)(HINSTANCE);
typedef const char *(*PluginInfoFn)(int);

/* Base of every suite: a fresh folder holding a copy of Warble.dll (so the settings
   file "beside the plugin" is under the test's control), started through the shell or
   loaded by hand, and everything ended and removed at teardown. */
class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    /* Writes a settings file beside the plugin (name Warble.rc or Warblerc). */
    void writeSettings(const std::string &content, const char *name = "Warble.rc");
    std::string settingsPath(const char *name = "Warble.rc") const { return folder_ + name; }
    /* Starts the plugin the way the shell does; the start result. */
    int startThroughShell(bool withSlit = false);
    /* Loads the library without starting it, for exact control over the exports. */
    HMODULE loadLibraryOnly();
    /* Started by hand through the export of that name (call after loadLibraryOnly). */
    int beginPlugin();
    int beginSlitPlugin(HWND slit);
    void endPlugin();
    const char *pluginInfo(int index);

    /* Waits until the poller has pushed this caption to the companion's label. */
    bool waitForLabel(const std::string &caption, DWORD timeoutMs = 3000);
    /* The companion label command the poller sends for a caption without double quotes. */
    static std::string labelCommand(const std::string &caption);

    std::string folder_;
    std::string dllPath_;
    HMODULE module_ = nullptr;
    bool startedByHand_ = false;
    bool loadedByShell_ = false;
};
