/* Start-up and shut-down of the real Warble.dll: what pluginInfo answers, the order in
   which start-up registers, sticks and announces, what endPlugin takes apart, the
   start-up error box, and docking in the Slit at start and at the end. */
#include "harness.h"
#include "host.h"

#include <algorithm>
#include <cstring>
#include "nightjar/nightjar.h"

namespace {

class LifecycleTest : public PluginTest {};

const std::string WINAMP_STATUS = "broadcast|@Warble_fromWinamp_";

std::vector<std::string> statusBroadcasts() {
    return eventsStartingWith(WINAMP_STATUS);
}

/* In order, on this thread: the Slit letting the watched window go, the window moving. */
std::string slitAndMoves;
HWND watchedWindow;

LRESULT CALLBACK watchSlitAndMoves(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT *call = (const CWPSTRUCT *)lParam;
    if (call->message == MSG_SLIT_REMOVE && (HWND)call->lParam == watchedWindow)
        slitAndMoves += "slit- ";
    if (call->hwnd == watchedWindow && call->message == WM_WINDOWPOSCHANGING &&
        !(((const WINDOWPOS *)call->lParam)->flags & SWP_NOMOVE))
        slitAndMoves += "move ";
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TEST_F(LifecycleTest, PluginInfoAnswersBeforeAndAfterStart) {
    writeSettings("Warble.plugin.update.url: http://example.org/warble/update\r\n");
    ASSERT_NE(loadLibraryOnly(), nullptr);

    for (int index : {0, 9, -1, 100, -2147483647 - 1})
        EXPECT_STREQ(pluginInfo(index), "Warble v0.96b") << "index " << index;
    EXPECT_STREQ(pluginInfo(1), "Warble");
    EXPECT_STREQ(pluginInfo(2), "v0.96b");
    EXPECT_STREQ(pluginInfo(4), "19-02-2006");
    for (int index : {3, 5, 6}) {
        ASSERT_NE(pluginInfo(index), nullptr);
        EXPECT_GT(strlen(pluginInfo(index)), 0u) << "index " << index;
    }
    EXPECT_STREQ(pluginInfo(7), "@Warble SetCaption@Warble SetCaptionNow@Warble GetWinampInfo");
    EXPECT_STREQ(pluginInfo(8), "") << "nothing is read before a start";

    ASSERT_EQ(beginPlugin(), 0);
    EXPECT_STREQ(pluginInfo(8), "http://example.org/warble/update");
    EXPECT_STREQ(pluginInfo(0), "Warble v0.96b");
}

TEST_F(LifecycleTest, UpdateLinkIsEmptyWhenTheKeyIsMissing) {
    writeSettings("Warble.plugin.x: 40\r\n");
    ASSERT_NE(loadLibraryOnly(), nullptr);
    ASSERT_EQ(beginPlugin(), 0);
    EXPECT_STREQ(pluginInfo(8), "");
}

TEST_F(LifecycleTest, StartRegistersAndSticksBeforeTheFirstBroadcast) {
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));

    std::vector<std::string> record = events();
    int registered = findEvent(record, "register|" + hexWindow(window));
    int sticky = findEvent(record, "sticky+|" + hexWindow(window));
    int firstBroadcast = -1;
    for (size_t i = 0; i < record.size() && firstBroadcast < 0; ++i)
        if (record[i].compare(0, 10, "broadcast|") == 0) firstBroadcast = (int)i;
    ASSERT_GE(registered, 0);
    ASSERT_GE(sticky, 0);
    ASSERT_GE(firstBroadcast, 0);
    EXPECT_LT(registered, sticky);
    EXPECT_LT(sticky, firstBroadcast);

    /* No Winamp runs: the first look at it says so, closed and then stopped. */
    std::vector<std::string> status = statusBroadcasts();
    ASSERT_GE(status.size(), 2u);
    EXPECT_EQ(status[0], "broadcast|@Warble_fromWinamp_Closed");
    EXPECT_EQ(status[1], "broadcast|@Warble_fromWinamp_Stopped");
}

TEST_F(LifecycleTest, EndPluginTakesEverythingApart) {
    ASSERT_NE(loadLibraryOnly(), nullptr);
    int threadsBefore = threadCount();
    ASSERT_EQ(beginPlugin(), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_GT(threadCount(), threadsBefore) << "the plugin's threads run";
    pump(100);

    hostClearEvents();
    endPlugin();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(FindWindowA("Warble", nullptr), nullptr);
    EXPECT_TRUE(pumpUntil([&] { return threadCount() == threadsBefore; }, 3000))
        << threadCount() << " threads, " << threadsBefore << " before the start";

    std::vector<std::string> record = events();
    int unsticky = findEvent(record, "sticky-|" + hexWindow(window));
    int unregistered = findEvent(record, "unregister|" + hexWindow(window));
    EXPECT_GE(unsticky, 0);
    EXPECT_GE(unregistered, 0);
    EXPECT_LT(unsticky, unregistered);

    /* Nothing of the plugin speaks any more. */
    hostClearEvents();
    pump(1300);
    EXPECT_TRUE(eventsStartingWith("broadcast|").empty());

    /* The class went with it: a new start registers it again. */
    ASSERT_EQ(beginPlugin(), 0);
    EXPECT_NE(pluginWindow(), nullptr);
}

TEST_F(LifecycleTest, SecondStartWithoutEndShowsTheClassErrorBox) {
    ASSERT_NE(loadLibraryOnly(), nullptr);
    ASSERT_EQ(beginPlugin(), 0);
    HWND window = pluginWindow();

    MessageBoxCloser closer("Warble v0.96b");
    auto begin = (BeginPluginFn)GetProcAddress(module_, "beginPlugin");
    ASSERT_NE(begin, nullptr);
    EXPECT_EQ(begin((HINSTANCE)module_), 1);
    EXPECT_EQ(closer.closedText(), "Error registering window class");
    /* The first window is untouched. */
    EXPECT_TRUE(IsWindow(window));
}

static LRESULT CALLBACK refuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
}

/* The shell never ends a start that failed: it leaves nothing registered, and the next
   start in this process succeeds. */
TEST_F(LifecycleTest, AStartWhoseWindowFailsLeavesNothingBehind) {
    ASSERT_NE(loadLibraryOnly(), nullptr);
    HHOOK refuse = SetWindowsHookExA(WH_CBT, refuseWindows, nullptr, GetCurrentThreadId());
    EXPECT_EQ(beginPlugin(), 1); /* its error box is refused too */
    UnhookWindowsHookEx(refuse);
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA((HINSTANCE)module_, "Warble", &wc));
    MessageBoxCloser closer("Warble v0.96b");
    EXPECT_EQ(beginPlugin(), 0);
    EXPECT_NE(pluginWindow(), nullptr);
}

TEST_F(LifecycleTest, SlitStartWithoutDockedSettingFloats) {
    for (const char *settings : {"", "Warble.plugin.inSlit: false\r\n"}) {
        SCOPED_TRACE(settings);
        hostClearEvents();
        writeSettings(std::string(settings) + "Warble.plugin.x: 300\r\nWarble.plugin.y: 200\r\n");
        ASSERT_EQ(startThroughShell(true), 0);
        HWND window = pluginWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(eventsStartingWith("slit+|").empty());
        RECT r = windowRect(window);
        EXPECT_EQ(r.left, 300);
        EXPECT_EQ(r.top, 200);
        hostUnloadPlugins();
        loadedByShell_ = false;
    }
}

TEST_F(LifecycleTest, SlitStartWithDockedSettingHandsTheWindowOver) {
    writeSettings("Warble.plugin.inSlit: true\r\n");
    ASSERT_EQ(startThroughShell(true), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    std::vector<std::string> record = events();
    int registered = findEvent(record, "register|" + hexWindow(window));
    int docked = findEvent(record, "slit+|" + hexWindow(window));
    ASSERT_GE(registered, 0);
    ASSERT_GE(docked, 0);
    EXPECT_LT(registered, docked);
    EXPECT_EQ(std::count(record.begin(), record.end(), "slit+|" + hexWindow(window)), 1);
}

TEST_F(LifecycleTest, NullSlitOrPlainStartNeverDocks) {
    writeSettings("Warble.plugin.inSlit: true\r\nWarble.plugin.transparency.enabled: true\r\n");
    ASSERT_NE(loadLibraryOnly(), nullptr);
    ASSERT_EQ(beginSlitPlugin(nullptr), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(eventsStartingWith("slit").empty());
    /* Floating: dragged by its body, translucent, its moves saved; the setting stays. */
    EXPECT_EQ(HTCAPTION, SendMessageA(window, WM_NCHITTEST, 0, 0));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    SetWindowPos(window, nullptr, 321, 123, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(321, ReadInt(settingsPath().c_str(), "Warble.plugin.x:", 0));
    EXPECT_TRUE(ReadBool(settingsPath().c_str(), "Warble.plugin.inSlit:", false));
    endPlugin();
    EXPECT_TRUE(eventsStartingWith("slit").empty());

    hostClearEvents();
    ASSERT_EQ(beginPlugin(), 0);
    EXPECT_NE(pluginWindow(), nullptr);
    EXPECT_TRUE(eventsStartingWith("slit").empty());
}

TEST_F(LifecycleTest, EndWhileDockedLeavesTheSlitFirstAndKeepsTheSetting) {
    writeSettings("Warble.plugin.inSlit: true\r\n");
    ASSERT_EQ(startThroughShell(true), 0);
    HWND window = pluginWindow();
    ASSERT_NE(window, nullptr);
    pump(300);

    hostClearEvents();
    watchedWindow = window;
    HHOOK hook =
        SetWindowsHookExA(WH_CALLWNDPROC, watchSlitAndMoves, nullptr, GetCurrentThreadId());
    hostUnloadPlugins();
    UnhookWindowsHookEx(hook);
    loadedByShell_ = false;
    EXPECT_EQ(slitAndMoves.rfind("slit- move", 0), 0u) << slitAndMoves; /* let go, then moved */
    std::vector<std::string> record = events();
    int undocked = findEvent(record, "slit-|" + hexWindow(window));
    int unregistered = findEvent(record, "unregister|" + hexWindow(window));
    ASSERT_GE(undocked, 0);
    ASSERT_GE(unregistered, 0);
    EXPECT_LT(undocked, unregistered);
    EXPECT_TRUE(eventsStartingWith("write|" + settingsPath() + "|Warble.plugin.inSlit:").empty());
    EXPECT_TRUE(ReadBool(settingsPath().c_str(), "Warble.plugin.inSlit:", false));
}

/* A shell that frees the library without endPlugin: the start's threads keep it loaded,
   so the window keeps its code and still answers while the shell pumps; when the
   process then ends, the library's endings take the window apart (the shell's record
   shows it leave), as they would at any unload. Run as a process of its own, which sets
   WARBLE_UNENDED and leaves through ExitProcess. */
TEST_F(LifecycleTest, FreedWithoutEndPluginTheWindowKeepsItsCodeUntilTheEndings) {
    if (getenv("WARBLE_UNENDED")) {
        ASSERT_NE(loadLibraryOnly(), nullptr);
        ASSERT_EQ(beginPlugin(), 0);
        FreeLibrary(module_);
        pump(300);
        hostBroadcast("@WarbleInternal ToggleBorder");
        bool answered = GetModuleHandleA(dllPath_.c_str()) && IsWindow(pluginWindow()) &&
                        !eventsStartingWith("write|").empty();
        ExitProcess(answered ? 0 : 3);
    }
    std::string log = folder_ + "unended.log", self(MAX_PATH, '\0');
    self.resize(GetModuleFileNameA(nullptr, &self[0], MAX_PATH));
    std::string command = "\"" + self + "\" --gtest_filter=LifecycleTest.FreedWithoutEnd*";
    SetEnvironmentVariableA("WARBLE_UNENDED", "1");
    SetEnvironmentVariableA("WARBLE_EVENT_LOG", log.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &child);
    SetEnvironmentVariableA("WARBLE_UNENDED", nullptr);
    SetEnvironmentVariableA("WARBLE_EVENT_LOG", nullptr);
    ASSERT_TRUE(started);
    if (WaitForSingleObject(child.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(child.hProcess, 4);
    DWORD code = 5;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(0u, code) << "freed without endPlugin, the plugin still answers";
    std::vector<std::string> record = readLines(log);
    auto registered = std::find_if(record.begin(), record.end(),
                                   [](const std::string &line) { return !line.find("register|"); });
    ASSERT_NE(registered, record.end());
    std::string window = registered->substr(9);
    EXPECT_GE(findEvent(record, "sticky-|" + window), 0) << "the window left the shell at the end";
    EXPECT_GE(findEvent(record, "unregister|" + window), 0);
}
