/* The configuration menu as the real plugin builds it through the shell's menu
   services on a right click, and rebuilds it after an option changes. */
#include "harness.h"
#include "host.h"
#include "nightjar/nightjar.h"

namespace {

class MenuTest : public PluginTest {
  protected:
    void start(const std::string &settings = "") {
        writeSettings("Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\n" + settings);
        ASSERT_EQ(startThroughShell(), 0);
        window = pluginWindow();
        ASSERT_NE(window, nullptr);
        pump(50);
        hostClearEvents();
    }

    static std::vector<std::string> menuCalls() { return eventsStartingWith("menu|"); }

    /* The menu tree with the given check marks, as the shell records its building. */
    struct Marks {
        bool onTop = true, docked = false, snap = true, withPlugins = true, companion = true;
        bool transparency = false, transBack = false, scrolling = false, endToEnd = false;
        bool trackNumber = true, border = true, hideWhenIdle = false, tooltip = true;
        bool progress = false;
        int alpha = 60, idle = 0, speed = 1, when = 0, player = 0;
    };

    std::vector<std::string> expectedMenu(const Marks &m, bool popup) const {
        auto flag = [](bool on) { return on ? "1" : "0"; };
        std::string p = popup ? "1" : "0";
        const std::string C = "menu|item|Warble_IDConfig|";
        std::vector<std::string> tree = {
            "menu|new|Warble|Warble_IDMain|" + p,
            "menu|new|Configuration|Warble_IDConfig|" + p,
            C + "Always On Top|@WarbleInternal AlwaysOnTop|" + flag(m.onTop),
            C + "Docked to Slit|@WarbleInternal SlitToggle|" + flag(m.docked),
            C + "Snap Window To Edge|@WarbleInternal SnapWindowToEdge|" + flag(m.snap),
            C + "Toggle With Plugins|@WarbleInternal ToggleWithPlugins|" + flag(m.withPlugins),
            C + "Hide When Idle|@WarbleInternal ToggleHideWhenIdle|" + flag(m.hideWhenIdle),
            "menu|nop|Warble_IDConfig|",
            C + "DOVozizuvav Extensions|@WarbleInternal ToggleDOVozizuvav|" + flag(m.companion),
            "menu|nop|Warble_IDConfig|",
            C + "Transparency Enabled|@WarbleInternal TransparencyEnabled|" + flag(m.transparency),
        };
        /* Offered only where layered windows exist, which the window's style shows. */
        if (layered)
            tree.push_back(C + "Transparent Back Enabled|@WarbleInternal TransbackEnabled|" +
                           flag(m.transBack));
        std::vector<std::string> rest = {
            "menu|int|Warble_IDConfig|Alpha Value|@WarbleInternal TransparencyAlpha|" +
                std::to_string(m.alpha) + "|0|255",
            "menu|nop|Warble_IDConfig|",
            "menu|new|Scroll Style|Warble_ScrollStyle|" + p,
            "menu|item|Warble_ScrollStyle|Stream|@WarbleInternal ScrollStyle Stream|" +
                std::string(flag(!m.endToEnd)),
            "menu|item|Warble_ScrollStyle|End to End|@WarbleInternal ScrollStyle EndToEnd|" +
                std::string(flag(m.endToEnd)),
            "menu|nop|Warble_ScrollStyle|",
            "menu|item|Warble_ScrollStyle|Scroll Always|@WarbleInternal ScrollWhen Always|" +
                std::string(flag(m.when == 0)),
            "menu|item|Warble_ScrollStyle|Scroll Once|@WarbleInternal ScrollWhen Once|" +
                std::string(flag(m.when == 1)),
            "menu|item|Warble_ScrollStyle|Scroll on Hover|@WarbleInternal ScrollWhen Hover|" +
                std::string(flag(m.when == 2)),
            "menu|sub|Warble_IDConfig|Warble_ScrollStyle|Scroll Style",
            C + "Scroll Song Title|@WarbleInternal ToggleScrolling|" + flag(m.scrolling),
            "menu|int|Warble_IDConfig|Scroll Speed|@WarbleInternal ScrollSpeed|" +
                std::to_string(m.speed) + "|1|10",
            "menu|nop|Warble_IDConfig|",
            C + "Show Track Number|@WarbleInternal ToggleTrackNumber|" + flag(m.trackNumber),
            C + "Show Border|@WarbleInternal ToggleBorder|" + flag(m.border),
            C + "Show Tooltip|@WarbleInternal ToggleTooltip|" + flag(m.tooltip),
            C + "Show Progress|@WarbleInternal ToggleProgress|" + flag(m.progress),
            "menu|nop|Warble_IDConfig|",
            "menu|new|Idle Message|Warble_Idle Message|" + p,
            "menu|item|Warble_Idle Message|Errors|@WarbleInternal ToggleIdleState 0|" +
                std::string(flag(m.idle == 0)),
            "menu|item|Warble_Idle Message|Time|@WarbleInternal ToggleIdleState 1|" +
                std::string(flag(m.idle == 1)),
            "menu|item|Warble_Idle Message|Message|@WarbleInternal ToggleIdleState 2|" +
                std::string(flag(m.idle == 2)),
            "menu|sub|Warble_IDConfig|Warble_Idle Message|Idle Message",
            "menu|nop|Warble_IDConfig|",
            "menu|new|Player|Warble_Player|" + p,
            "menu|item|Warble_Player|Follow Any Player|@WarbleInternal Player Auto|" +
                std::string(flag(m.player == 0)),
            "menu|item|Warble_Player|Winamp Only|@WarbleInternal Player Winamp|" +
                std::string(flag(m.player == 1)),
            "menu|item|Warble_Player|CAD Players Only|@WarbleInternal Player CAD|" +
                std::string(flag(m.player == 2)),
            "menu|sub|Warble_IDConfig|Warble_Player|Player",
            "menu|sub|Warble_IDMain|Warble_IDConfig|Configuration",
            "menu|nop|Warble_IDMain|",
            "menu|item|Warble_IDMain|Copy Title|@WarbleInternal CopyTitle|0",
            "menu|item|Warble_IDMain|Edit Warble.rc|@WarbleInternal Edit|0",
            "menu|item|Warble_IDMain|About Warble|@WarbleInternal About|0",
            "menu|show|Warble_IDMain|" + p,
        };
        tree.insert(tree.end(), rest.begin(), rest.end());
        return tree;
    }

    HWND window = nullptr;
    bool layered = false;
};

} // namespace

TEST_F(MenuTest, RightClickBuildsTheWholeMenu) {
    start();
    layered = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    SendMessageA(window, WM_NCRBUTTONUP, HTCAPTION, 0);
    EXPECT_EQ(menuCalls(), expectedMenu(Marks(), true));
}

TEST_F(MenuTest, MenuShowsTheStateReadFromTheFile) {
    start("Warble.plugin.alwaysontop: false\r\nWarble.plugin.snapwindow: false\r\n"
          "Warble.plugin.togglewithplugins: false\r\n"
          "Warble.plugin.doVozizuvavExtensions: false\r\n"
          "Warble.plugin.transparency.enabled: true\r\nWarble.plugin.transback.enabled: true\r\n"
          "Warble.plugin.transparency.alpha: 200\r\nWarble.plugin.scrolling: true\r\n"
          "Warble.plugin.scroll_style: stream\r\nWarble.plugin.showTrackNumber: false\r\n"
          "Warble.plugin.showBorder: false\r\nWarble.plugin.idle.state: 2\r\n"
          "Warble.plugin.hideWhenIdle: true\r\nWarble.plugin.scroll.speed: 3\r\n"
          "Warble.plugin.tooltip: false\r\nWarble.plugin.progress: true\r\n"
          "Warble.plugin.scroll.when: HOVER\r\n");
    layered = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    SendMessageA(window, WM_NCRBUTTONUP, HTCAPTION, 0);
    Marks m;
    m.onTop = m.snap = m.withPlugins = m.companion = false;
    m.transparency = m.transBack = m.scrolling = true;
    m.endToEnd = true; /* "stream" is not exactly "Stream" */
    m.trackNumber = m.border = false;
    m.alpha = 200;
    m.idle = 2;
    m.hideWhenIdle = true;
    m.speed = 3;
    m.tooltip = false;
    m.progress = true;
    m.when = 2;
    EXPECT_EQ(menuCalls(), expectedMenu(m, true));
}

TEST_F(MenuTest, ToggleAnnouncesWritesAndRebuildsWithoutPopup) {
    start();
    layered = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    hostBroadcast("@WarbleInternal ToggleBorder");
    std::vector<std::string> record = events();
    int label = findEvent(record, "label|WarblePlugin -> ToggleBorder disabled!");
    int write = findEvent(record, "write|" + settingsPath() + "|Warble.plugin.showBorder:|false");
    int firstMenu = -1;
    for (size_t i = 0; i < record.size() && firstMenu < 0; ++i)
        if (record[i].compare(0, 5, "menu|") == 0) firstMenu = (int)i;
    ASSERT_GE(label, 0);
    ASSERT_GE(write, 0);
    ASSERT_GE(firstMenu, 0);
    EXPECT_LT(label, write);
    EXPECT_LT(write, firstMenu);

    Marks m;
    m.border = false;
    EXPECT_EQ(menuCalls(), expectedMenu(m, false));

    /* And back on, with the word as the sender wrote it. */
    hostClearEvents();
    hostBroadcast("@WarbleInternal toggleborder");
    EXPECT_GE(findEvent(events(), "label|WarblePlugin -> toggleborder enabled!"), 0);
    EXPECT_GE(findEvent(events(), "write|" + settingsPath() + "|Warble.plugin.showBorder:|true"),
              0);

    /* A read-only file is left as it is, and says why; the toggle still holds. */
    std::string before = readFile(settingsPath());
    SetFileAttributesA(settingsPath().c_str(), FILE_ATTRIBUTE_READONLY);
    hostClearEvents();
    hostBroadcast("@WarbleInternal ToggleBorder");
    EXPECT_EQ(menuCalls(), expectedMenu(m, false));
    EXPECT_GE(
        findEvent(events(), "store|" + settingsPath() + "|not rewritten: the file is read-only"),
        0);
    EXPECT_EQ(readFile(settingsPath()), before);
    EXPECT_TRUE(GetFileAttributesA(settingsPath().c_str()) & FILE_ATTRIBUTE_READONLY);
    /* It is tried again 1 s later, then 2 s after that (the next 4 s later), not every
       second. */
    pump(6500);
    EXPECT_EQ(3u, eventsStartingWith("write|").size());
    SetFileAttributesA(settingsPath().c_str(), 0);
}

TEST_F(MenuTest, RightButtonWhileDockedOpensTheMenuToo) {
    writeSettings("Warble.plugin.inSlit: true\r\n");
    ASSERT_EQ(startThroughShell(true), 0);
    window = pluginWindow();
    ASSERT_NE(window, nullptr);
    pump(50);
    hostClearEvents();
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    std::vector<std::string> calls = menuCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "menu|show|Warble_IDMain|1");
    EXPECT_GE(findEvent(calls, "menu|item|Warble_IDConfig|Docked to Slit|@WarbleInternal "
                               "SlitToggle|1"),
              0);
}

TEST_F(MenuTest, IdleStateWritesTheTimeFormatInUse) {
    start();
    ASSERT_FALSE(ReadString(settingsPath().c_str(), "Warble.plugin.idle.TimeStr:", nullptr));
    hostBroadcast("@WarbleInternal ToggleIdleState 2");
    std::vector<std::string> writes = eventsStartingWith("write|");
    int state = findEvent(writes, "write|" + settingsPath() + "|Warble.plugin.idle.state:|2");
    int format = findEvent(writes, "write|" + settingsPath() +
                                       "|Warble.plugin.idle.TimeStr:|%a %d %b - %I:%M %p");
    ASSERT_GE(state, 0) << ::testing::PrintToString(writes);
    ASSERT_GE(format, 0) << ::testing::PrintToString(writes);
    EXPECT_LT(state, format);
    const char *stored = ReadString(settingsPath().c_str(), "Warble.plugin.idle.TimeStr:", "");
    EXPECT_STREQ(stored, "%a %d %b - %I:%M %p");
    EXPECT_EQ(ReadInt(settingsPath().c_str(), "Warble.plugin.idle.state:", -1), 2);
    /* Not an on/off option: no notice, no rebuilt menu. */
    EXPECT_TRUE(eventsStartingWith("label|").empty());
    EXPECT_TRUE(eventsStartingWith("menu|").empty());
}
