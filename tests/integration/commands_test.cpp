/* Broadcast commands reaching the real plugin through the shell: the public caption and
   status commands, the shell's show and hide, and the internal commands of the menu with
   what they write, announce and change on the window. */
#include "harness.h"
#include "host.h"
#include "nightjar/nightjar.h"
#include "winamp_sim.h"

namespace {

const std::string STATUS = "broadcast|@Warble_fromWinamp_";

class CommandsTest : public PluginTest {
  protected:
    void start(const std::string &settings = "", bool withSlit = false) {
        writeSettings("Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\n" + settings);
        ASSERT_EQ(startThroughShell(withSlit), 0);
        window = pluginWindow();
        ASSERT_NE(window, nullptr);
        pump(50);
        hostClearEvents();
    }

    std::string written(const std::string &key, const std::string &value) const {
        return "write|" + settingsPath() + "|" + key + "|" + value;
    }

    static bool recorded(const std::string &line) { return findEvent(events(), line) >= 0; }

    static int count(const std::string &prefix) { return (int)eventsStartingWith(prefix).size(); }

    HWND window = nullptr;
};

/* For its lifetime, the shell's own windows hidden and not topmost, as a shell's may be at
   its start (the Slit, which keeps its place in the z-order, moved past its procedure). */
struct ShellWindowsDown {
    HWND slit = hostSlitWindow(), label = FindWindowA("NightjarLabel", nullptr);
    LONG_PTR slitProc = SetWindowLongPtrA(slit, GWLP_WNDPROC, (LONG_PTR)DefWindowProcA);
    ShellWindowsDown() { place(HWND_NOTOPMOST, SWP_HIDEWINDOW); }
    ~ShellWindowsDown() {
        place(HWND_TOPMOST, SWP_SHOWWINDOW);
        if (slitProc) SetWindowLongPtrA(slit, GWLP_WNDPROC, slitProc);
    }
    void place(HWND after, UINT flags) {
        for (HWND w : {slit, label})
            SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | flags);
    }
};

} // namespace

TEST_F(CommandsTest, CaptionCommandsWithoutPlayer) {
    start();
    hostBroadcast("@Warble SetCaptionNow Hello there");
    EXPECT_TRUE(waitForLabel("Hello there"));

    hostClearEvents();
    hostBroadcast("@Warble from a friend: @Warble SetCaptionNow Tail & more");
    EXPECT_TRUE(waitForLabel("Tail & more"));

    hostClearEvents();
    hostBroadcast("@Warble SetCaption Only while Winamp is away");
    EXPECT_TRUE(waitForLabel("Only while Winamp is away"));

    /* Both patterns are matched with their case. */
    hostClearEvents();
    hostBroadcast("@Warble SetCaptionnow lower");
    hostBroadcast("@warble SetCaption lower");
    EXPECT_TRUE(waitForLabel("Only while Winamp is away"));
    EXPECT_FALSE(recorded("broadcast|" + labelCommand("lower")));

    /* The pattern alone sets an empty caption; a relay text after it is only a caption. */
    hostClearEvents();
    hostBroadcast("@Warble SetCaptionNow @Warble_toWinamp WM_USER 104");
    EXPECT_TRUE(waitForLabel("@Warble_toWinamp WM_USER 104"));
    hostClearEvents();
    hostBroadcast("@Warble SetCaptionNow ");
    EXPECT_TRUE(waitForLabel(""));

    /* Addressed to others, behind a tab or by a word that only starts like Warble's, or
       a stranger's text whose first word is no address at all. */
    hostBroadcast("\t@OtherPlugin @Warble SetCaptionNow X");
    hostBroadcast("@W @Warble SetCaptionNow X");
    hostBroadcast("\"@Warble SetCaptionNow X");
    hostBroadcast("from a friend: @Warble SetCaptionNow X");
    EXPECT_FALSE(waitForLabel("X", 1200));
}

TEST_F(CommandsTest, SetCaptionIsIgnoredWhilePlayerRuns) {
    WinampSim sim;
    sim.setPlaylist({"Artist - Song|200"});
    ASSERT_TRUE(sim.start());
    start();
    hostBroadcast("@Warble SetCaption Not now");
    hostClearEvents();
    EXPECT_TRUE(waitForLabel("1. Artist - Song"));
    pump(1100);
    EXPECT_FALSE(recorded("broadcast|" + labelCommand("Not now")));

    /* SetCaptionNow always sets it, until the player's status is read again. */
    hostBroadcast("@Warble SetCaptionNow Right now");
    EXPECT_TRUE(waitForLabel("Right now"));
    hostClearEvents();
    hostBroadcast("@Warble GetWinampInfo");
    EXPECT_TRUE(waitForEvent(STATUS + "Playing", 2000));
    EXPECT_TRUE(waitForLabel("1. Artist - Song"));
}

TEST_F(CommandsTest, GetWinampInfoIsMatchedWhole) {
    start("Warble.plugin.doVozizuvavExtensions: false\r\n");
    hostBroadcast("@WARBLE getwinampinfo");
    waitForEvent(STATUS + "Stopped", 2000);
    std::vector<std::string> status = eventsStartingWith(STATUS);
    ASSERT_EQ(status.size(), 2u) << ::testing::PrintToString(status);
    EXPECT_EQ(status[0], STATUS + "Closed");
    EXPECT_EQ(status[1], STATUS + "Stopped");

    hostClearEvents();
    hostBroadcast("@Warble GetWinampInfo ");
    hostBroadcast("x@Warble GetWinampInfo");
    hostBroadcast("");
    pump(100);
    EXPECT_EQ(count(STATUS), 0);
}

TEST_F(CommandsTest, ShellHidesAndShowsThePlugin) {
    start();
    hostBroadcast("@NJHidePlugins");
    EXPECT_FALSE(IsWindowVisible(window));
    hostBroadcast("@njshowplugins");
    EXPECT_TRUE(IsWindowVisible(window));

    hostBroadcast("@WarbleInternal ToggleWithPlugins");
    EXPECT_TRUE(recorded(written("Warble.plugin.togglewithplugins:", "false")));
    hostBroadcast("@NJHIDEPLUGINS");
    EXPECT_TRUE(IsWindowVisible(window)) << "it no longer hides with the plugins";
}

TEST_F(CommandsTest, DockedWindowIgnoresShowAndHide) {
    start("Warble.plugin.inSlit: true\r\n", true);
    hostBroadcast("@NJHidePlugins");
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(CommandsTest, AlphaIsStoredWholeAndAppliedByItsLowByte) {
    start("Warble.plugin.transparency.enabled: true\r\n");
    ASSERT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    hostBroadcast("@WarbleInternal TransparencyAlpha 300");
    EXPECT_TRUE(recorded(written("Warble.plugin.transparency.alpha:", "300")));
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 300 & 0xFF);
    EXPECT_EQ(key, RGB(255, 0, 230));
    EXPECT_EQ(flags, (DWORD)(LWA_COLORKEY | LWA_ALPHA));

    hostClearEvents();
    hostBroadcast("@WarbleInternal transparencyalpha 128");
    EXPECT_TRUE(recorded(written("Warble.plugin.transparency.alpha:", "128")));
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 128);

    hostClearEvents();
    hostBroadcast("@WarbleInternal TransparencyAlpha");
    EXPECT_EQ(count("write|"), 0);
    hostBroadcast("@WarbleInternal TransparencyAlpha ");
    EXPECT_TRUE(recorded(written("Warble.plugin.transparency.alpha:", "0")));

    /* Without transparency the window is opaque, whatever the value. */
    hostClearEvents();
    hostBroadcast("@WarbleInternal TransparencyEnabled");
    EXPECT_TRUE(recorded("label|WarblePlugin -> TransparencyEnabled disabled!"));
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 255);
}

TEST_F(CommandsTest, SlitToggleDocksAndUndocks) {
    start("", true);
    hostBroadcast("@WarbleInternal SlitToggle");
    std::vector<std::string> record = events();
    int docked = findEvent(record, "slit+|" + hexWindow(window));
    int notice = findEvent(record, "label|WarblePlugin -> SlitToggle enabled!");
    int write = findEvent(record, written("Warble.plugin.inSlit:", "true"));
    ASSERT_GE(docked, 0);
    ASSERT_GE(notice, 0);
    ASSERT_GE(write, 0);
    EXPECT_LT(docked, notice);
    EXPECT_LT(notice, write);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    pump(400); /* the Slit places its windows */

    hostClearEvents();
    hostBroadcast("@WarbleInternal SlitToggle");
    EXPECT_TRUE(recorded("slit-|" + hexWindow(window)));
    EXPECT_TRUE(recorded("label|WarblePlugin -> SlitToggle disabled!"));
    EXPECT_TRUE(recorded(written("Warble.plugin.inSlit:", "false")));
    RECT r = windowRect(window);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);
}

TEST_F(CommandsTest, SlitToggleWithoutSlitOnlyAnnounces) {
    start();
    RECT before = windowRect(window);
    hostBroadcast("@WarbleInternal SlitToggle");
    EXPECT_EQ(count("slit"), 0);
    EXPECT_TRUE(recorded("label|WarblePlugin -> SlitToggle: this shell has no Slit to dock in"));
    EXPECT_EQ(count("label|"), 1);
    EXPECT_TRUE(recorded(written("Warble.plugin.inSlit:", "false")));
    RECT after = windowRect(window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

TEST_F(CommandsTest, ScrollStyleSwitchesBackAndForth) {
    start();
    hostBroadcast("@WarbleInternal ToggleScrollStyle");
    hostBroadcast("@WarbleInternal ToggleScrollStyle");
    std::vector<std::string> writes =
        eventsStartingWith("write|" + settingsPath() + "|Warble.plugin.scroll_style:");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], written("Warble.plugin.scroll_style:", "EndToEnd"));
    EXPECT_EQ(writes[1], written("Warble.plugin.scroll_style:", "Stream"));
    EXPECT_EQ(count("label|"), 0);
}

TEST_F(CommandsTest, InternalCommandWordsAreMatchedStrictly) {
    start();
    const std::string border = "write|" + settingsPath() + "|Warble.plugin.showBorder:";
    hostBroadcast("@WarbleInternal ToggleBorder ");
    hostBroadcast("@WarbleInternal\tToggleBorder");
    hostBroadcast("@WarbleInternal Toggle Border");
    EXPECT_EQ(count(border), 0);

    hostBroadcast("@WarbleInternalToggleBorder");
    hostBroadcast("@warbleinternal     ToggleBorder");
    std::vector<std::string> writes = eventsStartingWith(border);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], border + "|false");
    EXPECT_EQ(writes[1], border + "|true");

    const std::string idle = "write|" + settingsPath() + "|Warble.plugin.idle.state:";
    hostClearEvents();
    hostBroadcast("@WarbleInternal toggleidlestate 2");
    hostBroadcast("@WarbleInternal ToggleIdleState");
    EXPECT_EQ(count(idle), 0);
    hostBroadcast("@WarbleInternal ToggleIdleState x");
    hostBroadcast("@WarbleInternal ToggleIdleState 7");
    writes = eventsStartingWith(idle);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], idle + "|0");
    EXPECT_EQ(writes[1], idle + "|7");
}

TEST_F(CommandsTest, OnOffOptionsTakeEffectOnTheWindow) {
    ShellWindowsDown hidden; /* topmost whatever other windows there are, tooltip and all */
    start();
    ASSERT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    hostBroadcast("@WarbleInternal AlwaysOnTop");
    EXPECT_TRUE(recorded("label|WarblePlugin -> AlwaysOnTop disabled!"));
    EXPECT_TRUE(recorded(written("Warble.plugin.alwaysontop:", "false")));
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    hostBroadcast("@WarbleInternal AlwaysOnTop");
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    hostClearEvents();
    hostBroadcast("@WarbleInternal ToggleDOVozizuvav");
    EXPECT_TRUE(recorded("label|WarblePlugin -> ToggleDOVozizuvav disabled!"));
    EXPECT_TRUE(recorded(written("Warble.plugin.doVozizuvavExtensions:", "false")));
    pump(100); /* a push already under way when the option changed */
    hostClearEvents();
    pump(1300);
    EXPECT_EQ(count("broadcast|@DOVozizuvav"), 0);

    hostClearEvents();
    for (const char *word :
         {"SnapWindowToEdge", "TransbackEnabled", "ToggleScrolling", "ToggleTrackNumber"}) {
        hostBroadcast((std::string("@WarbleInternal ") + word).c_str());
        EXPECT_EQ(count(std::string("label|WarblePlugin -> ") + word), 1) << word;
    }
    EXPECT_TRUE(recorded(written("Warble.plugin.snapwindow:", "false")));
    EXPECT_TRUE(recorded(written("Warble.plugin.transback.enabled:", "true")));
    EXPECT_TRUE(recorded(written("Warble.plugin.scrolling:", "true")));
    EXPECT_TRUE(recorded(written("Warble.plugin.showTrackNumber:", "false")));
}
