/* What the unit tests share: the shell's folder and the plugin's folder, small
   file helpers, a message pump that waits for a condition, the shell's event
   record, and fixtures that keep the plugin's state apart between tests. */
#pragma once

#include "host.h"
#include "display/caption.h"
#include "display/display.h"
#include "nightjar/nightjar.h"
#include "plugin/instance.h"
#include "plugin/lifecycle.h"
#include "settings/option_values.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"
#include "winamp/player.h"
#include "winamp/relay.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>

namespace unit {

inline std::string &shellFolderStorage() {
    static std::string folder;
    return folder;
}

/* The shell's folder for this run, ending in a backslash. */
inline const std::string &shellFolder() {
    return shellFolderStorage();
}

/* The folder of the running program, which stands in for the plugin's library
   here, ending in a backslash. */
inline std::string pluginFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char *slash = strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    return path;
}

inline bool writeFile(const std::string &path, const std::string &content) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = fwrite(content.data(), 1, content.size(), file) == content.size();
    return fclose(file) == 0 && ok;
}

inline std::string readFile(const std::string &path) {
    std::string content;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return content;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, got);
    fclose(file);
    return content;
}

inline bool fileExists(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* Names of the plain files in a folder (ending in a backslash). */
inline std::vector<std::string> filesIn(const std::string &folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

/* The shell's settings file, which names an editor that does not exist, so that
   the plugin's "Edit" command starts nothing. */
inline std::string shellSettingsText() {
    return "nightjar.editor: C:\\warble-unit-no-such-folder\\editor.exe\r\n";
}

inline bool createShellFolder() {
    char temp[MAX_PATH] = "";
    if (!GetTempPathA(sizeof temp, temp)) return false;
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%swarble-unit-%lu-%lu\\", temp, GetCurrentProcessId(),
             GetTickCount());
    if (!CreateDirectoryA(name, nullptr)) return false;
    shellFolderStorage() = name;
    return writeFile(shellFolderStorage() + "nightjar.rc", shellSettingsText());
}

inline void removeShellFolder() {
    const std::string &folder = shellFolder();
    if (folder.empty()) return;
    for (const std::string &name : filesIn(folder))
        DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

/* Removes every settings file the plugin could find: both names, beside the
   program and in the shell's folder. */
inline void removeSettingsFiles() {
    const std::string folders[] = {pluginFolder(), shellFolder()};
    for (const std::string &folder : folders) {
        if (folder.empty()) continue;
        DeleteFileA((folder + "Warblerc").c_str());
        DeleteFileA((folder + "Warble.rc").c_str());
    }
}

/* Handles everything waiting for this thread: sent messages from the plugin's
   threads as well as posted ones. */
inline void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

/* Pumps messages until the condition holds or the time is up; the condition's
   last answer. */
template <class Condition> bool pumpUntil(Condition condition, DWORD milliseconds = 3000) {
    DWORD start = GetTickCount();
    for (;;) {
        pumpMessages();
        if (condition()) return true;
        if (GetTickCount() - start >= milliseconds) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

/* Pumps messages for a while, for checks that something does not happen. */
inline void pumpFor(DWORD milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

/* Event record lines that begin with prefix. */
inline std::vector<std::string> eventsStartingWith(const std::string &prefix) {
    std::vector<std::string> lines;
    for (const std::string &line : hostEvents())
        if (line.compare(0, prefix.size(), prefix) == 0) lines.push_back(line);
    return lines;
}

/* Position of the first record line equal to line, or -1. */
inline int eventIndex(const std::string &line) {
    std::vector<std::string> all = hostEvents();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == line) return (int)i;
    return -1;
}

inline bool hasEvent(const std::string &line) {
    return eventIndex(line) >= 0;
}

/* The running start's display (there must be a running start). */
inline Display &display() {
    return runningInstance()->display;
}

/* The running start's caption model. */
inline CaptionModel &caption() {
    return *display().caption;
}

inline HWND pluginWindow() {
    return display().placement.window;
}

/* The record line of a settings write to the plugin's settings file. */
inline std::string writeEvent(const std::string &key, const std::string &value) {
    return "write|" + std::string(runningInstance()->settings.path) + "|" + key + "|" + value;
}

inline std::string hex(HWND window) {
    char text[16];
    snprintf(text, sizeof text, "%08lX", (unsigned long)(UINT_PTR)window);
    return text;
}

/* Sets the options named in lines ("inSlit: true\nscroll.speed: 3", keys without their
   "Warble.plugin." prefix) as a settings file holding them reads, and installs them at
   once through the change path, telling the running start's listener as a change the
   file brings does; the others keep their values. The fixtures put every option back. */
inline void setOptions(const std::string &lines) {
    std::string text = "\n" + lines, path = shellFolder() + "unit-options.rc";
    size_t named = 0, found = 0;
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 15, ++named)
        text.insert(at + 1, "Warble.plugin.");
    ASSERT_TRUE(writeFile(path, text));
    Options read, values = options;
    readOptions(path.c_str(), read);
    DeleteFileA(path.c_str());
    for (const OptionRow &row : optionRows())
        if (text.find("\n" + std::string(row.key)) != std::string::npos)
            copyOption(row, read, values), ++found;
    EXPECT_EQ(named, found) << "every line names an option: " << lines;
    optionValues() = values;
    Instance *running = runningInstance();
    if (running && running->settings.listener) running->settings.listener();
}

/* For tests of the plugin's operations without its window: every state group is
   kept aside and put back afterwards, so that each test starts from what it sets
   up itself. */
class StateTest : public testing::Test {
  protected:
    void SetUp() override { saved = State::take(); }
    void TearDown() override { saved.put(); }

    /* The settings file's hold of a start: each test's own. */
    SettingsSync settings{};

  private:
    struct State {
        Options options;
        ShellLink link;
        PlayerStatus player;
        static State take() {
            State s = {::options, shellLink, {}};
            memcpy((void *)&s.player, (const void *)&playerStatus, sizeof s.player);
            return s;
        }
        void put() const {
            optionValues() = options;
            shellLink = link;
            memcpy((void *)&playerStatus, (const void *)&player, sizeof player);
        }
    } saved;
};

/* A window that stands in for the player, answering every question and command with 1
   and recording what it is sent, on the thread that makes it: set it as the known player
   (playerStatus.window). */
struct FakePlayer {
    struct Sent {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static std::vector<Sent> &received() {
        static std::vector<Sent> messages;
        return messages;
    }
    static LRESULT CALLBACK proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        /* The poller asks for the status and the position once a second on its own
           thread; only what the commands send is recorded. */
        if (message == WM_USER && (lParam == 104 || lParam == 105)) return 0;
        if (message == WM_USER || message == WM_COMMAND) {
            received().push_back({message, wParam, lParam});
            return 1;
        }
        return DefWindowProcA(w, message, wParam, lParam);
    }
    /* The command ids it was sent (WM_COMMAND), in order. */
    static std::vector<int> commands() {
        std::vector<int> ids;
        for (const Sent &sent : received())
            if (sent.message == WM_COMMAND) ids.push_back((int)sent.wParam);
        return ids;
    }
    HWND window = nullptr;
    FakePlayer() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "WarbleUnitFakePlayer";
        RegisterClassA(&wc);
        window = CreateWindowA("WarbleUnitFakePlayer", "fake player", WS_POPUP, 0, 0, 10, 10,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        received().clear();
    }
    ~FakePlayer() {
        if (window) DestroyWindow(window);
        UnregisterClassA("WarbleUnitFakePlayer", GetModuleHandleA(nullptr));
    }
};

/* For tests through the plugin's real window: a settings file in the shell's
   folder, the plugin started as the shell starts it, the event record cleared,
   and the plugin ended afterwards. No Winamp runs, so the caption starts as the
   idle text. */
class RunningPlugin : public testing::Test {
  protected:
    /* Quiet by default: no companion updates once a second; and away from the
       screen's edges, so that snapping moves nothing. */
    virtual std::string settingsText() {
        return "Warble.plugin.x: 200\r\n"
               "Warble.plugin.y: 150\r\n"
               "Warble.plugin.doVozizuvavExtensions: false\r\n"
               "Warble.plugin.idle.message: Gone fishing\r\n";
    }

    std::string settingsPath() const { return shellFolder() + "Warble.rc"; }
    /* The running start's hold on its settings file. */
    static SettingsSync &settings() { return runningInstance()->settings; }

    void SetUp() override {
        removeSettingsFiles();
        ASSERT_TRUE(writeFile(settingsPath(), settingsText()));
        setOptions("inSlit: false");
        shellLink.slit = nullptr;
        playerStatus.window = nullptr;
        ASSERT_EQ(0, beginPlugin(GetModuleHandleA(nullptr)));
        ASSERT_TRUE(runningInstance() && IsWindow(pluginWindow()));
        pumpMessages();
        hostClearEvents();
    }

    void TearDown() override {
        /* A test that hid the window or pretended to be docked leaves no trace. */
        setOptions("inSlit: false");
        shellLink.slit = nullptr;
        playerStatus.window = nullptr;
        if (runningInstance()) endPlugin(GetModuleHandleA(nullptr));
        pumpMessages();
        removeSettingsFiles();
        hostClearEvents();
    }

    /* Sends a broadcast text to the plugin window as the shell delivers it. */
    static LRESULT broadcast(const char *text) {
        return SendMessageA(pluginWindow(), MSG_BROADCAST, 0, (LPARAM)text);
    }
};

} // namespace unit
