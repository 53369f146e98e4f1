/* The settings file as the real plugin finds and reads it: the four places in their
   order, the defaults, bad files that must give defaults or cut texts, and re-reading
   an edited file on the shell's reconfigure message. */
#include "harness.h"
#include "host.h"
#include "nightjar/nightjar.h"
#include "winamp_sim.h"

#include <cstring>
#include <memory>

namespace {

class SettingsTest : public PluginTest {
  protected:
    void TearDown() override {
        PluginTest::TearDown();
        DeleteFileA((shellDir() + "Warblerc").c_str());
        DeleteFileA((shellDir() + "Warble.rc").c_str());
    }

    /* The file the plugin writes to: toggling the border writes it at once. */
    std::string fileInUse() {
        hostClearEvents();
        hostBroadcast("@WarbleInternal ToggleBorder");
        std::vector<std::string> writes = eventsStartingWith("write|");
        if (writes.empty()) return std::string();
        std::string line = writes[0].substr(6);
        return line.substr(0, line.find('|'));
    }

    void expectPlacedAt(int x, int y) {
        HWND window = pluginWindow();
        ASSERT_NE(window, nullptr);
        RECT r = windowRect(window);
        EXPECT_EQ(r.left, x);
        EXPECT_EQ(r.top, y);
    }

    void expectDefaultWindow() {
        HWND window = pluginWindow();
        ASSERT_NE(window, nullptr);
        RECT r = windowRect(window);
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.top, 10);
        EXPECT_EQ(r.right - r.left, 100);
        EXPECT_EQ(r.bottom - r.top, 17);
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_TRUE(IsWindowVisible(window));
    }
};

const char BESIDE_RC[] = "Warble.plugin.x: 210\r\nWarble.plugin.y: 220\r\n";
const char BESIDE_WARBLERC[] = "Warble.plugin.x: 310\r\nWarble.plugin.y: 320\r\n";
const char SHELL_WARBLERC[] = "Warble.plugin.x: 410\r\nWarble.plugin.y: 420\r\n";
const char SHELL_RC[] = "Warble.plugin.x: 510\r\nWarble.plugin.y: 520\r\n";

BYTE windowAlpha(HWND window) {
    BYTE alpha = 0;
    COLORREF key;
    DWORD flags;
    GetLayeredWindowAttributes(window, &key, &alpha, &flags);
    return alpha;
}

bool topmost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool holds(const std::string &path, const std::string &line) {
    return readFile(path).find(line + "\r\n") != std::string::npos;
}

/* Writes a file as an editor saving in place does: truncated, then written. */
void saveInPlace(const std::string &path, const std::string &text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    DWORD put = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &put, nullptr);
    CloseHandle(file);
}

} // namespace

TEST_F(SettingsTest, WarblercComesBeforeWarbleRcBesideThePlugin) {
    writeSettings(BESIDE_RC, "Warble.rc");
    writeSettings(BESIDE_WARBLERC, "Warblerc");
    ASSERT_EQ(startThroughShell(), 0);
    expectPlacedAt(310, 320);
    EXPECT_EQ(fileInUse(), settingsPath("Warblerc"));
}

TEST_F(SettingsTest, BesideThePluginComesBeforeTheShellFolder) {
    writeSettings(BESIDE_RC, "Warble.rc");
    writeFile(shellDir() + "Warblerc", SHELL_WARBLERC);
    ASSERT_EQ(startThroughShell(), 0);
    expectPlacedAt(210, 220);
    EXPECT_EQ(fileInUse(), settingsPath("Warble.rc"));
}

TEST_F(SettingsTest, ShellFolderIsSearchedWarblercFirst) {
    writeFile(shellDir() + "Warble.rc", SHELL_RC);
    writeFile(shellDir() + "Warblerc", SHELL_WARBLERC);
    ASSERT_EQ(startThroughShell(), 0);
    expectPlacedAt(410, 420);
    EXPECT_EQ(fileInUse(), shellDir() + "Warblerc");
}

TEST_F(SettingsTest, ShellFolderWarbleRcIsUsedWhenNothingElseExists) {
    writeFile(shellDir() + "Warble.rc", SHELL_RC);
    ASSERT_EQ(startThroughShell(), 0);
    expectPlacedAt(510, 520);
    EXPECT_EQ(fileInUse(), shellDir() + "Warble.rc");
}

TEST_F(SettingsTest, NoFileAnywhereGivesDefaultsAndWritesBesideThePlugin) {
    ASSERT_EQ(startThroughShell(), 0);
    expectDefaultWindow();
    EXPECT_STREQ(pluginInfo(8), "");

    EXPECT_EQ(fileInUse(), settingsPath("Warble.rc"));
    EXPECT_TRUE(fileExists(settingsPath()));
    EXPECT_FALSE(ReadBool(settingsPath().c_str(), "Warble.plugin.showBorder:", true));
    EXPECT_FALSE(fileExists(shellDir() + "Warble.rc"));
}

/* Files of nothing or garbage give the defaults; numbers are read as the most common
   shells read them, atoi's way ("abc" 0, "12abc" 12, "1e9" 1, sizes at least 5), but an
   empty value, which shells read either as 0 or as absent, counts as absent; one beyond an
   int held at its end (the window then on the screen's edge). */
TEST_F(SettingsTest, EmptyOrGarbageFilesGiveDefaults) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += (char)((i * 7919 + 13) % 256);
    const int rightmost = GetSystemMetrics(SM_CXSCREEN) - 100;
    const struct {
        std::string content;
        int x, y, width, height;
    } files[] = {
        {"", 10, 10, 100, 17},
        {binary, 10, 10, 100, 17},
        {"\r\n\r\n:::\r\n: : :\r\nWarble.plugin.x\r\nx: 5\r\n#Warble.plugin.x: 500\r\n", 10, 10,
         100, 17},
        {"Warble.plugin.x: abc\r\nWarble.plugin.y: 12abc\r\nWarble.plugin.width: \r\n"
         "Warble.plugin.height: 1e9\r\nWarble.plugin.alwaysontop: maybe\r\n",
         0, 12, 100, 5},
        {"Warble.plugin.x: 99999999999999999999\r\nWarble.plugin.y: -99999999999999999999\r\n",
         rightmost, 0, 100, 17},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.content.substr(0, 60));
        writeSettings(file.content);
        ASSERT_EQ(startThroughShell(), 0);
        HWND window = pluginWindow();
        ASSERT_NE(window, nullptr);
        RECT r = windowRect(window);
        EXPECT_EQ(file.x, r.left);
        EXPECT_EQ(file.y, r.top);
        EXPECT_EQ(file.width, r.right - r.left);
        EXPECT_EQ(file.height, r.bottom - r.top);
        EXPECT_TRUE(topmost(window));
        EXPECT_TRUE(IsWindowVisible(window));
        hostUnloadPlugins();
        loadedByShell_ = false;
    }
}

TEST_F(SettingsTest, TinyAndNegativeSizesBecomeFive) {
    writeSettings("Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\n"
                  "Warble.plugin.width: -20\r\nWarble.plugin.height: 0\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    RECT r = windowRect(window);
    EXPECT_EQ(r.right - r.left, 5);
    EXPECT_EQ(r.bottom - r.top, 5);
    EXPECT_EQ(r.left, 200);
}

TEST_F(SettingsTest, LongTextsAreCutNotOverrun) {
    std::string longText(1000, 'M'), timeFormat(260, 'T'); /* one more than fits */
    writeSettings("Warble.plugin.update.url: " + longText +
                  "\r\nWarble.plugin.idle.state: 2\r\nWarble.plugin.idle.message: " + longText +
                  "\r\nWarble.plugin.font: " + longText +
                  "\r\nWarble.plugin.idle.TimeStr: " + timeFormat + "\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    ASSERT_NE(pluginInfo(8), nullptr);
    EXPECT_EQ(std::string(pluginInfo(8)), std::string(259, 'M'));

    /* The idle message is shown cut, and the companion's label command still ends with
       its closing quote inside 259 characters. */
    const std::string prefix = "broadcast|@DOVozizuvav Control SetAgent winamplabel Caption "
                               "StaticText \"";
    std::string label;
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (const std::string &line : eventsStartingWith(prefix))
                label = line.substr(10);
            return !label.empty();
        },
        3000));
    EXPECT_LE(label.size(), 259u);
    EXPECT_EQ(label.back(), '"');
    std::string shown = label.substr(prefix.size() - 10, label.size() - (prefix.size() - 10) - 1);
    EXPECT_GT(shown.size(), 100u);
    EXPECT_EQ(shown.find_first_not_of('M'), std::string::npos);
    EXPECT_TRUE(IsWindow(pluginWindow()));

    /* Changing the idle state writes the time format back only when it was read whole:
       the long one stays in the file as it was. */
    hostClearEvents();
    hostBroadcast("@WarbleInternal ToggleIdleState 1");
    EXPECT_TRUE(
        eventsStartingWith("write|" + settingsPath() + "|Warble.plugin.idle.TimeStr:").empty());
    EXPECT_NE(readFile(settingsPath()).find("Warble.plugin.idle.TimeStr: " + timeFormat + "\r\n"),
              std::string::npos);
}

TEST_F(SettingsTest, ReconfigureReadsTheEditedFile) {
    /* A key written twice: the first line counts, and the label says so once a state of
       the file (a reconfigure of the same bytes tells nothing again). */
    const std::string twice = "label|WarblePlugin -> Warble.rc: Warble.plugin.x: appears twice; "
                              "the first counts";
    writeSettings("Warble.plugin.x: 150\r\n# Warble.plugin.y: 5\r\nWarble.plugin.y: 160\r\n"
                  " warble.plugin.X: 999\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    expectPlacedAt(150, 160);
    EXPECT_EQ(std::vector<std::string>{twice}, eventsStartingWith("label|"));
    hostClearEvents();
    hostReconfigure();
    EXPECT_TRUE(eventsStartingWith("label|").empty());

    /* Near the screen's edge, where a drag would snap: nobody drags it, so the window
       and the file keep the user's numbers, also after a toggle rewrites the file. */
    writeSettings("Warble.plugin.x: 7\r\nWarble.plugin.y: 300\r\nWarble.plugin.width: 140\r\n"
                  "Warble.plugin.alwaysontop: false\r\n");
    hostReconfigure();
    HWND window = pluginWindow();
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).top == 300; }, 2000));
    RECT r = windowRect(window);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.right - r.left, 140);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    fileInUse();
    expectPlacedAt(7, 300);
    std::string text = readFile(settingsPath());
    EXPECT_NE(text.find("Warble.plugin.x: 7\r\n"), std::string::npos) << text;
}

TEST_F(SettingsTest, ReconfigureFindsAFileCreatedInAnEarlierPlace) {
    writeFile(shellDir() + "Warble.rc", SHELL_RC);
    ASSERT_EQ(startThroughShell(), 0);
    expectPlacedAt(510, 520);

    writeSettings(BESIDE_RC);
    hostReconfigure();
    pump(50);
    expectPlacedAt(210, 220);
    EXPECT_EQ(fileInUse(), settingsPath("Warble.rc"));
}

/* A saved edit applies within 2 s without a reconfigure, also a file new in an earlier
   place; the plugin's own writes, a file still held open for writing and an editor
   saving 50 times a second apply nothing, nothing, and once a second at most. */
TEST_F(SettingsTest, SavedEditAppliesWithoutReconfigure) {
    writeSettings("Warble.plugin.x: 150\r\nWarble.plugin.y: 160\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    fileInUse();
    hostClearEvents();
    pump(1500);
    EXPECT_TRUE(eventsStartingWith("write|").empty()) << "its own write read back as nothing new";

    HANDLE file = CreateFileA(settingsPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    const std::string half = "Warble.plugin.x: 250\r\nWarble.plugin.y: 2", rest = "60\r\n";
    DWORD written = 0;
    WriteFile(file, half.data(), (DWORD)half.size(), &written, nullptr);
    pump(2000);
    expectPlacedAt(150, 160);
    WriteFile(file, rest.data(), (DWORD)rest.size(), &written, nullptr);
    CloseHandle(file);
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).top == 260; }, 3000))
        << "the border key it lost first stands gone for 2 s";
    expectPlacedAt(250, 260);

    hostClearEvents();
    for (int i = 1; i <= 100; ++i) {
        writeSettings("Warble.plugin.x: " + std::to_string(300 + i) +
                      "\r\nWarble.plugin.y: 260\r\n");
        pump(20);
    }
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 400; }, 2000));
    EXPECT_LE(eventsStartingWith("store|" + settingsPath() + "|read").size(), 3u);
    EXPECT_TRUE(eventsStartingWith("write|").empty()) << "a place read is not written back";

    writeSettings(BESIDE_WARBLERC, "Warblerc");
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 310; }, 2000));
    expectPlacedAt(310, 320);

    /* An editor autosaving every 400 ms is read once a second at most; a file dated an
       hour ahead (a clock set back) still applies. */
    pump(1000);
    hostClearEvents();
    for (int i = 1; i <= 10; ++i) {
        writeSettings("Warble.plugin.x: " + std::to_string(320 + i) + "\r\n", "Warblerc");
        pump(400);
    }
    EXPECT_LE(eventsStartingWith("store|" + settingsPath("Warblerc") + "|read").size(), 5u);
    writeSettings("Warble.plugin.x: 444\r\n", "Warblerc");
    file = CreateFileA(settingsPath("Warblerc").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ahead = {{now.dwLowDateTime, now.dwHighDateTime}};
    ahead.QuadPart += 36000000000ull;
    FILETIME later = {ahead.LowPart, ahead.HighPart};
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 444; }, 3000));
}

/* The user saves an edit and, a moment later, toggles an option or drags the window:
   the edit is read first and the plugin's change written on top of it, never the
   other way round. A drag reads nothing until it ends; then the drag's place and the
   saved size both hold, and the next edit applies at once, unsnapped. */
TEST_F(SettingsTest, AnEditSavedJustBeforeAChangeIsNeverUndone) {
    writeSettings("Warble.plugin.x: 10\r\nWarble.plugin.width: 100\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    writeSettings("Warble.plugin.x: 400\r\nWarble.plugin.width: 300\r\n");
    pump(100);
    hostBroadcast("@WarbleInternal AlwaysOnTop");
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 400; }, 3000));
    pump(500);
    RECT r = windowRect(window);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    std::string text = readFile(settingsPath());
    EXPECT_NE(text.find("Warble.plugin.x: 400\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Warble.plugin.width: 300\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Warble.plugin.alwaysontop: false\r\n"), std::string::npos) << text;

    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(window, nullptr, 250, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    writeSettings("Warble.plugin.x: 400\r\nWarble.plugin.width: 180\r\n");
    pump(1500);
    r = windowRect(window);
    EXPECT_EQ(r.right - r.left, 300) << "read during the drag";
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(
        pumpUntil([&] { return windowRect(window).right - windowRect(window).left == 180; }, 2000));
    expectPlacedAt(250, 200);
    text = readFile(settingsPath());
    EXPECT_NE(text.find("Warble.plugin.x: 250\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Warble.plugin.width: 180\r\n"), std::string::npos) << text;

    writeSettings("Warble.plugin.x: 3\r\nWarble.plugin.y: 5\r\n");
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 3; }, 3000));
    expectPlacedAt(3, 5);

    /* A drag that changes nothing else writes its place for the next start. */
    SendMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(window, nullptr, 160, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(pumpUntil([&] { return holds(settingsPath(), "Warble.plugin.y: 170"); }, 3000));
    EXPECT_TRUE(holds(settingsPath(), "Warble.plugin.x: 160")) << readFile(settingsPath());
}

/* A save in two steps, the file emptied and written 1.5 s later, is applied once: the
   empty file never is, and the writer's text is what the file holds afterwards. */
TEST_F(SettingsTest, AFileEmptiedAndWrittenLaterIsTakenOnlyWhole) {
    const std::string before = "Warble.plugin.x: 150\r\nWarble.plugin.y: 160\r\n"
                               "Warble.plugin.width: 120\r\nWarble.plugin.showBorder: false\r\n";
    writeSettings(before);
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    writeSettings("");
    pump(1500);
    expectPlacedAt(150, 160);
    const std::string after = "Warble.plugin.x: 260\r\nWarble.plugin.y: 270\r\n"
                              "Warble.plugin.width: 120\r\nWarble.plugin.showBorder: false\r\n";
    writeSettings(after);
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).top == 270; }, 2000));
    expectPlacedAt(260, 270);
    pump(300);
    EXPECT_EQ(readFile(settingsPath()), after);

    /* An emptied file that stays so for 2 s is taken: every key has its default. */
    writeSettings("");
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).top == 10; }, 3000));
    expectPlacedAt(10, 10);
}

/* The track number saved off while a track plays shows at once, from the player's last
   state, without asking the player again. */
TEST_F(SettingsTest, AnEditOfTheCaptionShowsWithoutANewTrack) {
    WinampSim sim;
    sim.setPlaylist({"Artist One - Song One|246"});
    writeSettings("Warble.plugin.showTrackNumber: true\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    ASSERT_TRUE(sim.start());
    ASSERT_TRUE(waitForLabel("1. Artist One - Song One"));
    writeSettings("Warble.plugin.showTrackNumber: false\r\n");
    EXPECT_TRUE(waitForLabel("Artist One - Song One", 2500));
    hostClearEvents();
    hostReconfigure();
    EXPECT_TRUE(eventsStartingWith("broadcast|@Warble_fromWinamp_").empty());
}

namespace {

/* rc-saver.exe, another program saving the settings file, with events to pace it; its
   job ends it when the test ends, also on failure. */
class Saver {
  public:
    explicit Saver(const std::string &arguments, const std::string &output = std::string()) {
        std::string stem = "warble-saver-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount());
        go_ = stem + "-go", done_ = stem + "-done";
        goEvent_ = CreateEventA(nullptr, FALSE, FALSE, go_.c_str());
        doneEvent_ = CreateEventA(nullptr, FALSE, FALSE, done_.c_str());
        job_ = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        std::string line = "rc-saver " + arguments;
        for (const char *name : {"GO", "DONE"}) {
            size_t at = line.find(name);
            if (at != std::string::npos)
                line.replace(at, strlen(name), name[0] == 'G' ? go_ : done_);
        }
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
        HANDLE out = output.empty() ? INVALID_HANDLE_VALUE
                                    : CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                  &inherited, CREATE_ALWAYS, 0, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdOutput = startup.hStdError = out;
        }
        if (CreateProcessA((binDir() + "rc-saver.exe").c_str(), &line[0], nullptr, nullptr,
                           out != INVALID_HANDLE_VALUE, CREATE_SUSPENDED, nullptr, nullptr,
                           &startup, &process_)) {
            AssignProcessToJobObject(job_, process_.hProcess);
            ResumeThread(process_.hThread);
        }
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    }
    ~Saver() {
        CloseHandle(job_);
        for (HANDLE h : {process_.hProcess, process_.hThread, goEvent_, doneEvent_})
            if (h) CloseHandle(h);
    }
    /* One save, once the saver has waited its pause; true when it was made. */
    void go() { SetEvent(goEvent_); }
    bool saved() {
        return pumpUntil([&] { return WaitForSingleObject(doneEvent_, 0) == WAIT_OBJECT_0; },
                         10000);
    }
    bool ended() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }
    /* The loop's stop (its go event), and its exit code once it has ended. */
    int stop() {
        SetEvent(goEvent_);
        pumpUntil([&] { return ended(); }, 10000);
        DWORD code = 99;
        GetExitCodeProcess(process_.hProcess, &code);
        return (int)code;
    }
    std::string goName() const { return go_; }

  private:
    std::string go_, done_;
    HANDLE goEvent_ = nullptr, doneEvent_ = nullptr, job_ = nullptr;
    PROCESS_INFORMATION process_ = {};
};

} // namespace

/* For each key the newer change wins: the user's value saved after a command's, a
   proposed size outside any sizing, and a toggle that flips what the file holds now
   (saved but not applied yet, or not settled yet). */
TEST_F(SettingsTest, TheNewerChangeOfAKeyWins) {
    const std::string base = "Warble.plugin.x: 10\r\nWarble.plugin.transparency.enabled: true\r\n";
    writeSettings(base + "Warble.plugin.alwaysontop: true\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    /* The user's 200 saved after the command's 100 (the file held open by a Windows
       program meanwhile, or not), or the command after the user's save. */
    const struct {
        bool heldOpen, userLast;
    } orders[] = {{false, true}, {true, true}, {false, false}};
    for (const auto &o : orders) {
        const std::string with60 = base + "Warble.plugin.transparency.alpha: 60\r\n";
        writeSettings(with60);
        ASSERT_TRUE(pumpUntil([&] { return windowAlpha(window) == 60; }, 3000));
        writeSettings(o.userLast ? with60 + "Warble.plugin.y: 20\r\n"
                                 : base + "Warble.plugin.transparency.alpha: 200\r\n");
        pump(50);
        HANDLE held = o.heldOpen ? CreateFileA(settingsPath().c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
        hostBroadcast("@WarbleInternal TransparencyAlpha 100");
        pump(150);
        if (o.heldOpen) CloseHandle(held);
        if (o.userLast) writeSettings(base + "Warble.plugin.transparency.alpha: 200\r\n");
        const BYTE newer = o.userLast ? 200 : 100;
        EXPECT_TRUE(pumpUntil([&] { return windowAlpha(window) == newer; }, 3000)) << o.heldOpen;
        pump(1200);
        EXPECT_EQ(newer, windowAlpha(window));
        EXPECT_TRUE(
            holds(settingsPath(), "Warble.plugin.transparency.alpha: " + std::to_string(newer)))
            << readFile(settingsPath());
    }

    /* A toggle while a Windows program holds the file open lands once it lets go. */
    HANDLE held = CreateFileA(settingsPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    hostBroadcast("@WarbleInternal TransparencyEnabled");
    pump(300);
    CloseHandle(held);
    EXPECT_TRUE(pumpUntil(
        [&] { return holds(settingsPath(), "Warble.plugin.transparency.enabled: false"); }, 3000));
    hostReconfigure();
    EXPECT_EQ(255, windowAlpha(window)) << "the toggle reverted";

    RECT proposed = {0, 0, 80, 31};
    SendMessageA(window, WM_SIZING, WMSZ_BOTTOMRIGHT, (LPARAM)&proposed);
    const std::string placed = "Warble.plugin.x: 50\r\nWarble.plugin.y: 60\r\n"
                               "Warble.plugin.width: 70\r\nWarble.plugin.height: 20\r\n";
    writeSettings(placed);
    hostReconfigure();
    pump(300);
    RECT r = windowRect(window);
    EXPECT_EQ(50, r.left);
    EXPECT_EQ(60, r.top);
    EXPECT_EQ(70, r.right - r.left);
    EXPECT_EQ(20, r.bottom - r.top);
    EXPECT_EQ(placed, readFile(settingsPath()));

    /* Saved, then toggled before the save was taken: within its settling, then settled
       but within the second between two reads. */
    ASSERT_TRUE(topmost(window));
    const struct {
        DWORD settled;
        int toggles; /* two that wait for the save cancel out */
    } toggled[] = {{0, 1}, {400, 1}, {0, 2}};
    for (const auto &t : toggled) {
        bool saved = !topmost(window), after = t.toggles == 1 ? !saved : saved;
        writeSettings(placed + "Warble.plugin.alwaysontop: " + (saved ? "true" : "false") + "\r\n");
        pump(t.settled);
        hostClearEvents();
        for (int i = 0; i < t.toggles; ++i)
            hostBroadcast("@WarbleInternal AlwaysOnTop");
        EXPECT_EQ(t.toggles, (int)eventsStartingWith("label|WarblePlugin -> AlwaysOnTop").size())
            << "a toggle that waits is said at once";
        pump(1500);
        EXPECT_EQ(after, topmost(window)) << t.settled << " " << t.toggles;
        EXPECT_TRUE(holds(settingsPath(),
                          std::string("Warble.plugin.alwaysontop: ") + (after ? "true" : "false")))
            << readFile(settingsPath());
    }
    /* A choice's toggle that waited is made as a toggle too (once the key the save lost
       has stood gone for 2 s). */
    writeSettings(placed + "Warble.plugin.scroll_style: Stream\r\n");
    hostBroadcast("@WarbleInternal ToggleScrollStyle");
    EXPECT_TRUE(pumpUntil(
        [&] { return holds(settingsPath(), "Warble.plugin.scroll_style: EndToEnd"); }, 3500))
        << readFile(settingsPath());

    /* Toggled while a save settles, then saved again 0-5 ms later without the key: the
       newer save wins, the key stays out and the option takes its default. */
    int readded = 0;
    for (int i : {0, 2, 5}) {
        writeSettings(placed + "Warble.plugin.alwaysontop: false\r\n");
        ASSERT_TRUE(pumpUntil([&] { return !topmost(window); }, 3000));
        writeSettings(placed + "Warble.plugin.y: 61\r\nWarble.plugin.alwaysontop: false\r\n");
        pump(50);
        hostBroadcast("@WarbleInternal AlwaysOnTop");
        Sleep(i);
        writeSettings(placed);
        pumpUntil([&] { return topmost(window); }, 3500);
        pump(300);
        readded += readFile(settingsPath()).find("alwaysontop") != std::string::npos;
        EXPECT_TRUE(topmost(window)) << "round " << i;
    }
    EXPECT_EQ(0, readded) << "of 3";
}

/* A Linux program saving the settings file (rc_saver_linux.sh), which Windows' sharing
   rules do not reach; it ends by itself, and says how it went in a file. */
std::string linuxName(const std::string &path) {
    typedef char *(CDECL * UnixName)(const WCHAR *);
    UnixName unixName = (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                         "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    char *name = unixName ? unixName(wide) : nullptr;
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

bool startLinuxSaver(const char *how, const std::string &path, int count,
                     const std::string &result) {
    std::string line = "/bin/bash " + linuxName(binDir() + "rc-saver-linux.sh") + " " + how + " " +
                       linuxName(path) + " " + std::to_string(count) + " " + linuxName(result);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

/* Another program saves the whole file while the shell writes a key of the plugin's,
   each way a program saves: no save is lost, the file never left with the key alone.
   150 saves of a small file for each way, 0-12 ms apart, while the shell writes 0-12 ms
   apart: a Windows program in place, through a temporary file moved over it, through
   ReplaceFileA, deleting the file and renaming one to its name; a Linux program in
   place (truncated and written) or by rename. A 15 MB file 6 times, 0-210 ms after. */
TEST_F(SettingsTest, ASaveDuringAWriteIsNeverLost) {
    const char *hows[] = {"inplace",      "movefile",      "replacefile",
                          "deleterename", "linux-inplace", "linux-rename"};
    const int SAVES = 150;
    for (const char *how : hows) {
        writeSettings("Warble.plugin.x: 10\r\nWarble.plugin.idle.message: save -1\r\n");
        std::string result = folder_ + "saver.txt";
        DeleteFileA(result.c_str());
        std::unique_ptr<Saver> saver;
        if (strncmp(how, "linux-", 6) == 0)
            ASSERT_TRUE(startLinuxSaver(how + 6, settingsPath(), SAVES, result));
        else
            saver.reset(new Saver(
                "loop " + settingsPath() + " GO " + how + " " + std::to_string(SAVES), result));
        auto done = [&] { return saver ? saver->ended() : fileExists(result); };
        for (int i = 0; !done() && i < 20000; ++i) {
            WriteBool(settingsPath().c_str(), "Warble.plugin.showBorder:", i % 2 == 0);
            Sleep(i * 7 % 13);
        }
        ASSERT_TRUE(pumpUntil(done, 60000)) << how;
        pump(100);
        std::string said = readFile(result);
        EXPECT_NE(std::string::npos, said.find("saves " + std::to_string(SAVES) + " lost 0"))
            << how << ": " << said;
    }

    std::string body;
    for (int i = 0; i < 15000; ++i)
        body += "Warble.plugin.note" + std::to_string(i) + ": " + std::string(1000, 'x') + "\r\n";
    writeFile(folder_ + "body.txt", body);
    writeSettings(body);
    Saver saver("saves " + settingsPath() + " " + folder_ + "body.txt GO DONE 6 35");
    int lost = 0;
    for (int i = 0; i < 6; ++i) {
        saver.go();
        WriteBool(settingsPath().c_str(), "Warble.plugin.showBorder:", i % 2 == 0);
        ASSERT_TRUE(saver.saved());
        std::string text = readFile(settingsPath());
        if (text.compare(0, body.size(), body) != 0 ||
            text.find("save " + std::to_string(i) + "\r\n") == std::string::npos)
            ++lost;
    }
    EXPECT_EQ(0, lost) << "of 6, " << body.size() << " bytes";
}

/* The plugin toggles 100 times while another program saves the whole file over and
   over: no save of its is lost, and the file ends with the toggles' final value. */
TEST_F(SettingsTest, TogglesDuringSavesInATightLoopLoseNothing) {
    writeSettings("Warble.plugin.showBorder: true\r\nWarble.plugin.idle.message: save -1\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    Saver saver("loop " + settingsPath() + " GO");
    for (int i = 0; i < 100; ++i) {
        hostBroadcast("@WarbleInternal ToggleBorder");
        pump(i % 7);
    }
    hostBroadcast("@WarbleInternal ToggleBorder");
    EXPECT_EQ(0, saver.stop()) << "the saver found its last save gone";
    EXPECT_TRUE(
        pumpUntil([&] { return holds(settingsPath(), "Warble.plugin.showBorder: false"); }, 5000))
        << readFile(settingsPath());
}

/* A file caught half-written, deleted and written again, or emptied by an editor, is
   never shown: what it lost keeps its value until the file has stood so for 2 s. A
   file saved with a byte-order mark is read from its first key. */
TEST_F(SettingsTest, AHalfWrittenDeletedOrEmptiedFileIsNotShown) {
    std::string whole;
    const char *keys[] = {"x: 300",
                          "y: 310",
                          "width: 120",
                          "height: 19",
                          "scrolling: true",
                          "showBorder: false",
                          "alwaysontop: false",
                          "snapwindow: false",
                          "showTrackNumber: false",
                          "idle.state: 2",
                          "idle.message: Whole",
                          "inSlit: false"};
    for (const char *key : keys)
        whole += std::string("Warble.plugin.") + key + "\r\n";
    writeSettings(whole);
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(topmost(window));

    /* A toggle meanwhile waits for the whole file and flips what it holds. */
    saveInPlace(settingsPath(), whole.substr(0, whole.find("Warble.plugin.alwaysontop")));
    hostBroadcast("@WarbleInternal ToggleBorder");
    pump(500);
    expectPlacedAt(300, 310);
    EXPECT_FALSE(topmost(window)) << "a key of the second half fell to its default";
    saveInPlace(settingsPath(), whole);
    EXPECT_TRUE(
        pumpUntil([&] { return holds(settingsPath(), "Warble.plugin.showBorder: true"); }, 3000));
    EXPECT_TRUE(holds(settingsPath(), "Warble.plugin.idle.state: 2"));

    /* Gone for a moment, again and again: whatever the tick when it is found gone. */
    int moved = 0;
    for (int i = 0; i < 6; ++i) {
        DeleteFileA(settingsPath().c_str());
        moved += pumpUntil([&] { return windowRect(window).left != 300; }, 400);
        writeSettings(whole);
        pump(150);
    }
    EXPECT_EQ(0, moved) << "of 6";
    pump(1500);
    expectPlacedAt(300, 310);
    EXPECT_FALSE(topmost(window));

    saveInPlace(settingsPath(), "");
    hostReconfigure();
    pump(300);
    expectPlacedAt(300, 310);
    std::string edited = whole.substr(0, whole.find("x: 300")) + "x: 330\r\n" +
                         whole.substr(whole.find("Warble.plugin.y:"));
    saveInPlace(settingsPath(), edited);
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 330; }, 3000));
    EXPECT_EQ(edited, readFile(settingsPath())) << "written over by the reconfigure";

    writeSettings("\xEF\xBB\xBFWarble.plugin.x: 720\r\nWarble.plugin.y: 310\r\n");
    EXPECT_TRUE(pumpUntil([&] { return windowRect(window).left == 720; }, 3000));
    EXPECT_FALSE(eventsStartingWith("store|" + settingsPath() + "|the file is UTF-8").empty());
}
