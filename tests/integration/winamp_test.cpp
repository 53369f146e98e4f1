/* The plugin following a real Winamp stand-in in another process: the status
   broadcasts when the player starts, changes its title and closes, the caption and
   position the poller pushes to the companion plugin once a second, and a hung player
   that must not hold the shell's thread. */
#include "harness.h"
#include "host.h"
#include "pixels.h"
#include "winamp_sim.h"

#include <algorithm>
#include <cstdlib>
#include <commctrl.h>
#include <functional>

namespace {

const std::string STATUS = "broadcast|@Warble_fromWinamp_";
const std::string SLIDER = "broadcast|@DOVozizuvav Control SetControlProperty winampslider Value ";

class WinampTest : public PluginTest {
  protected:
    void SetUp() override {
        PluginTest::SetUp();
        sim.setPlaylist({"Artist One - Song One|246", "Artist Two - Song Two|201"});
    }

    /* The status broadcasts recorded since the last clear, without their prefix. */
    static std::vector<std::string> statuses() {
        std::vector<std::string> names;
        for (const std::string &line : eventsStartingWith(STATUS))
            names.push_back(line.substr(STATUS.size()));
        return names;
    }

    /* Pumps until the status broadcasts end with tail, for 3 s at most. */
    static ::testing::AssertionResult statusesReach(const std::vector<std::string> &tail) {
        if (pumpUntil([&] { return statusesEndWith(tail); }, 3000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << ::testing::PrintToString(statuses());
    }

    static bool statusesEndWith(const std::vector<std::string> &tail) {
        std::vector<std::string> all = statuses();
        if (all.size() < tail.size()) return false;
        return std::equal(tail.begin(), tail.end(), all.end() - tail.size());
    }

    WinampSim sim;
};

/* Takes this thread's messages for ms milliseconds; the longest that one message (or
   one window-event callback, which runs inside PeekMessage) held the thread. */
DWORD longestBlockWhilePumping(DWORD ms) {
    DWORD start = GetTickCount(), longest = 0;
    while (GetTickCount() - start < ms) {
        DWORD before = GetTickCount();
        MSG msg;
        bool got = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        if (got) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        longest = std::max(longest, GetTickCount() - before);
        if (!got) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return longest;
}

/* Another program (win-event.exe) raises a window event for the window; true once it
   has, within 10 s. */
bool raiseEvent(HWND window, DWORD event, LONG object, LONG child) {
    std::string line = "win-event raise " + std::to_string((UINT_PTR)window) + " " +
                       std::to_string(event) + " " + std::to_string(object) + " " +
                       std::to_string(child);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION raiser = {};
    if (!CreateProcessA((binDir() + "win-event.exe").c_str(), &line[0], nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &startup, &raiser))
        return false;
    bool ended =
        pumpUntil([&] { return WaitForSingleObject(raiser.hProcess, 0) == WAIT_OBJECT_0; }, 10000);
    if (!ended) TerminateProcess(raiser.hProcess, 1);
    CloseHandle(raiser.hThread);
    CloseHandle(raiser.hProcess);
    return ended;
}

/* Generous against the plugin's bound of a few hundred milliseconds on a status
   question, and well under the hangs below. */
const DWORD SHELL_BLOCK_LIMIT_MS = 1000;

} // namespace

TEST_F(WinampTest, PlayerStartedWhilePluginRunsIsAnnouncedAfterItsStatus) {
    ASSERT_EQ(startThroughShell(), 0);
    hostClearEvents();
    ASSERT_TRUE(sim.start());
    ASSERT_TRUE(statusesReach({"Playing", "Opened"}));
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));

    /* A second player while one is known changes nothing, neither at its start nor at
       any later look: the known one keeps the caption and is never closed. */
    WinampSim second;
    second.setPlaylist({"Other - Player|100"});
    hostClearEvents();
    ASSERT_TRUE(second.start());
    pump(300);
    hostBroadcast("@Warble GetWinampInfo");
    ASSERT_TRUE(sim.send("next"));
    ASSERT_TRUE(statusesReach({"Playing", "TitleChange"}));
    EXPECT_TRUE(waitForLabel("2. Artist Two - Song Two"));
    std::vector<std::string> after = statuses();
    EXPECT_EQ(std::count(after.begin(), after.end(), "Opened"), 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), "Closed"), 0);

    /* When it closes, the other is taken: closed, then opened once. */
    hostClearEvents();
    sim.quit();
    EXPECT_TRUE(waitForLabel("1. Other - Player", 2000));
    after = statuses();
    auto closed = std::find(after.begin(), after.end(), "Closed");
    EXPECT_EQ(std::count(closed, after.end(), "Opened"), 1) << ::testing::PrintToString(after);

    /* Its process ends without a destroy event and another player starts: the known one
       is closed, then the new one opened. */
    hostClearEvents();
    second.kill();
    WinampSim third;
    third.setPlaylist({"Third - Player|100"});
    ASSERT_TRUE(third.start());
    EXPECT_TRUE(waitForLabel("1. Third - Player", 3000));
    after = statuses();
    EXPECT_TRUE(!after.empty() && after.back() == "Opened" &&
                std::count(after.begin(), after.end(), "Opened") == 1 &&
                std::count(after.begin(), after.end(), "Closed") > 0)
        << ::testing::PrintToString(after);
}

/* Events another program raises about other objects of the player's window (its caret,
   a child) are not the player's: nothing is announced, the title stays, and the player
   is still followed. */
TEST_F(WinampTest, EventsAboutOtherObjectsOfThePlayersWindowChangeNothing) {
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(startThroughShell(), 0);
    ASSERT_TRUE(waitForLabel("1. Artist One - Song One"));
    const struct {
        DWORD event;
        LONG object, child;
    } raised[] = {{EVENT_OBJECT_NAMECHANGE, OBJID_WINDOW, 1},
                  {EVENT_OBJECT_DESTROY, OBJID_CARET, CHILDID_SELF},
                  {EVENT_OBJECT_CREATE, OBJID_CARET, CHILDID_SELF},
                  {EVENT_OBJECT_DESTROY, OBJID_WINDOW, 2}};
    for (const auto &e : raised) {
        SCOPED_TRACE(std::to_string(e.event) + " " + std::to_string(e.object));
        hostClearEvents();
        ASSERT_TRUE(raiseEvent(sim.window(), e.event, e.object, e.child));
        pump(600);
        EXPECT_EQ(statuses(), std::vector<std::string>());
        EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));
    }
    ASSERT_TRUE(sim.send("next"));
    EXPECT_TRUE(statusesReach({"Playing", "TitleChange"}));
}

/* Commands written into a title reach the companion inside its label push, which the
   shell hands back to every plugin: they stay text, whoever wrote them. */
TEST_F(WinampTest, CommandsInATitleAreOnlyText) {
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(startThroughShell(), 0);
    ASSERT_TRUE(waitForLabel("1. Artist One - Song One"));
    std::string settings = readFile(settingsPath());
    /* A title, and the label's text when it holds double quotes: two apostrophes each. */
    const std::pair<std::string, std::string> titles[] = {
        {"Innocent Song @Warble SetCaptionNow HACKED", ""},
        {"Song @Warble SetCaption X", ""},
        {"Song @Warble_toWinamp CMD 40001", ""},
        {"@Warble GetWinampInfo", ""},
        {"Song @WarbleInternal Edit", ""},
        {"@WarbleInternal ToggleBorder", ""},
        {"Say \"Hi\" @Warble SetCaptionNow X", "Say ''Hi'' @Warble SetCaptionNow X"},
        {"\" @Warble_toWinamp CMD 40047 \"", "'' @Warble_toWinamp CMD 40047 ''"}};
    for (const auto &[title, shown] : titles) {
        hostClearEvents();
        size_t mark = sim.mark();
        ASSERT_TRUE(sim.send("title " + title));
        std::string label = "broadcast|" + labelCommand("1. " + (shown.empty() ? title : shown));
        auto pushes = [&] {
            std::vector<std::string> seen = events();
            return std::count(seen.begin(), seen.end(), label);
        };
        EXPECT_TRUE(pumpUntil([&] { return pushes() >= 3; }, 5000)) << title;
        std::vector<std::string> labels =
            eventsStartingWith("broadcast|@DOVozizuvav Control SetAgent");
        EXPECT_EQ(label, labels.empty() ? "" : labels.back()) << title;
        /* Only the label's own quotes: a companion reading up to the next one gets it whole. */
        EXPECT_EQ(std::count(label.begin(), label.end(), '"'), 2) << label;
        EXPECT_TRUE(eventsStartingWith("broadcast|@Warble_fromWinamp_Result").empty()) << title;
        EXPECT_TRUE(eventsStartingWith("execute|").empty()) << title;
        for (const std::string &line : sim.logSince(mark))
            EXPECT_EQ(line.find("WM_COMMAND"), std::string::npos) << title << ": " << line;
    }
    EXPECT_EQ(readFile(settingsPath()), settings);
}

TEST_F(WinampTest, TitleChangeIsAnnouncedAfterTheStatus) {
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));

    hostClearEvents();
    ASSERT_TRUE(sim.send("next"));
    ASSERT_TRUE(statusesReach({"Playing", "TitleChange"}));
    EXPECT_TRUE(waitForLabel("2. Artist Two - Song Two"));

    hostClearEvents();
    ASSERT_TRUE(sim.send("title Simon & Garfunkel - The Boxer"));
    ASSERT_TRUE(statusesReach({"Playing", "TitleChange"}));
    EXPECT_TRUE(waitForLabel("2. Simon & Garfunkel - The Boxer"));

    hostClearEvents();
    ASSERT_TRUE(sim.send("pause"));
    ASSERT_TRUE(statusesReach({"Paused", "TitleChange"}));
    EXPECT_TRUE(waitForLabel("2. Simon & Garfunkel - The Boxer"));

    /* "@Warble GetWinampInfo" asks the player afresh, each time, and announces what it
       answers; a status that changed without any window event is the one announced,
       shown, and left blinking or not as it says. */
    hostClearEvents();
    size_t mark = sim.mark();
    for (int i = 0; i < 20; ++i)
        hostBroadcast("@Warble GetWinampInfo");
    EXPECT_TRUE(pumpUntil([&] { return eventsStartingWith(STATUS + "Paused").size() == 20; }, 3000));
    std::vector<std::string> log = sim.logSince(mark);
    EXPECT_GE(std::count_if(log.begin(), log.end(),
                            [](const std::string &line) {
                                return line.find("lParam=104 ") != std::string::npos;
                            }),
              20);
    const struct {
        const char *state, *status;
    } quiet[] = {{"playing", "Playing"}, {"stopped", "Stopped"}, {"paused", "Paused"}};
    for (const auto &q : quiet) {
        ASSERT_TRUE(sim.send(std::string("quiet ") + q.state));
        hostClearEvents();
        hostBroadcast("@Warble GetWinampInfo");
        EXPECT_TRUE(statusesReach({q.status})) << q.state;
        for (const std::string &status : statuses())
            EXPECT_EQ(q.status, status) << q.state;
    }
    /* Nobody asks: the link thread's own look of the second finds the change. */
    ASSERT_TRUE(sim.send("quiet stopped"));
    EXPECT_TRUE(waitForLabel("Playback Stopped", 2600));
    ASSERT_TRUE(sim.send("quiet playing"));
    EXPECT_TRUE(waitForLabel("2. Simon & Garfunkel - The Boxer", 2600));
    EXPECT_TRUE(statusesReach({"Stopped", "Playing"}));

    /* Renames in quick succession, each looked at on the link thread: every one is
       announced once, its status first. */
    ASSERT_TRUE(sim.send("play"));
    pump(300);
    hostClearEvents();
    const int RENAMES = 40;
    for (int i = 0; i < RENAMES; ++i) {
        ASSERT_TRUE(sim.send("title Quick - Rename " + std::to_string(i)));
        pump(i % 4 ? 0 : 5);
    }
    EXPECT_TRUE(waitForLabel("2. Quick - Rename " + std::to_string(RENAMES - 1)));
    std::vector<std::string> pairs;
    for (int i = 0; i < RENAMES; ++i)
        pairs.insert(pairs.end(), {"Playing", "TitleChange"});
    EXPECT_EQ(statuses(), pairs);
}

TEST_F(WinampTest, PlayerClosingIsAnnouncedClosedStoppedClosed) {
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(startThroughShell(), 0);
    pump(100);
    hostClearEvents();
    sim.quit();
    ASSERT_TRUE(statusesReach({"Closed", "Stopped", "Closed"}));
    EXPECT_EQ(statuses().size(), 3u) << ::testing::PrintToString(statuses());
    EXPECT_TRUE(waitForLabel("Couldn't Find Winamp"));
}

TEST_F(WinampTest, CaptionFormsFollowTheTrackNumberSetting) {
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.showTrackNumber: false\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForLabel("Artist One - Song One"));

    hostClearEvents();
    hostBroadcast("@WarbleInternal ToggleTrackNumber");
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));
}

TEST_F(WinampTest, ScrollingPlayerTitleGivesTheSameCaption) {
    ASSERT_TRUE(sim.start("--scroll"));
    writeSettings("Warble.plugin.showTrackNumber: false\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    /* The ring is unwound at Winamp's marker: the same caption as the plain title. */
    EXPECT_TRUE(waitForLabel("Artist One - Song One"));
    hostClearEvents();
    pump(1200); /* several steps of the ring meanwhile */
    EXPECT_TRUE(waitForLabel("Artist One - Song One"));
    std::vector<std::string> seen = statuses();
    EXPECT_GE(std::count(seen.begin(), seen.end(), "TitleChange"), 1);

    hostClearEvents();
    hostBroadcast("@WarbleInternal ToggleTrackNumber");
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));

    /* Paused, Winamp's ring holds its mark too: still the same caption, every step. */
    hostClearEvents();
    ASSERT_TRUE(sim.send("pause"));
    pump(1200);
    std::vector<std::string> labels =
        eventsStartingWith("broadcast|@DOVozizuvav Control SetAgent winamplabel");
    ASSERT_FALSE(labels.empty());
    for (const std::string &label : labels)
        EXPECT_EQ("broadcast|" + labelCommand("1. Artist One - Song One"), label);
}

/* The companion's first label at each start carries the title, or the idle text without
   a player, never the empty caption of before the first look: over many starts. */
TEST_F(WinampTest, CompanionsFirstLabelAtEachStartIsTheTitle) {
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.showTrackNumber: false\r\n");
    ASSERT_NE(loadLibraryOnly(), nullptr);
    const int STARTS = 12, WITHOUT_PLAYER = 3;
    for (int i = 0; i < STARTS; ++i) {
        if (i == STARTS - WITHOUT_PLAYER) sim.quit();
        const std::string title =
            i < STARTS - WITHOUT_PLAYER ? "Artist One - Song One" : "Couldn't Find Winamp";
        hostClearEvents();
        ASSERT_EQ(beginPlugin(), 0);
        EXPECT_TRUE(waitForLabel(title)) << "start " << i;
        std::vector<std::string> labels =
            eventsStartingWith("broadcast|@DOVozizuvav Control SetAgent winamplabel");
        ASSERT_FALSE(labels.empty()) << "start " << i;
        EXPECT_EQ("broadcast|" + labelCommand(title), labels[0]) << "start " << i;
        endPlugin();
    }
}

/* The companion and the other plugins take text in the system code page: what it holds
   is kept, what it cannot hold becomes "?", and the status broadcasts go on as ever. */
TEST_F(WinampTest, LabelCarriesTheTitleInTheSystemCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "expected texts are those of code page 1252";
    sim.setPlaylist({"Bj\u00f6rk - J\u00f3ga|200", "\u65e5\u672c - \ud55c\uad6d|200"});
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.showTrackNumber: false\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForLabel("Bj\xf6rk - J\xf3ga"));

    hostClearEvents();
    ASSERT_TRUE(sim.send("next"));
    ASSERT_TRUE(statusesReach({"Playing", "TitleChange"}));
    EXPECT_TRUE(waitForLabel("?? - ??"))
        << ::testing::PrintToString(eventsStartingWith("broadcast|@DOVozizuvav Control SetAgent"));
}

TEST_F(WinampTest, IdleTextsWhenStoppedOrAbsent) {
    ASSERT_TRUE(sim.start("--stopped"));
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForLabel("Playback Stopped"));

    hostClearEvents();
    sim.quit();
    EXPECT_TRUE(waitForLabel("Couldn't Find Winamp"));
}

TEST_F(WinampTest, IdleMessageAndUnknownIdleState) {
    writeSettings("Warble.plugin.idle.state: 2\r\nWarble.plugin.idle.message: Nothing on air\r\n");
    ASSERT_TRUE(sim.start("--stopped"));
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForLabel("Nothing on air"));

    hostClearEvents();
    hostBroadcast("@WarbleInternal ToggleIdleState 5");
    EXPECT_TRUE(waitForLabel("Warble"));

    /* Playing shows the title whatever the idle state. */
    hostClearEvents();
    ASSERT_TRUE(sim.send("play"));
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));
}

TEST_F(WinampTest, SliderCarriesWholeSecondsOfTheTrack) {
    sim.setPlaylist({"Long Player - Track|246"});
    ASSERT_TRUE(sim.start("--paused --position 61500"));
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForEvent(SLIDER + "0.247967", 3000))
        << ::testing::PrintToString(eventsStartingWith(SLIDER));

    /* Below one second the length is not asked for and the slider is at 0. */
    hostClearEvents();
    ASSERT_TRUE(sim.send("seek 999"));
    EXPECT_TRUE(waitForEvent(SLIDER + "0.000000", 3000));

    /* An internet stream has no length: 300 s into it the slider stays at 0. */
    ASSERT_TRUE(sim.send("length -1") && sim.send("seek 300000"));
    pump(1100);
    hostClearEvents();
    EXPECT_TRUE(waitForEvent(SLIDER + "0.000000", 3000));
    for (const std::string &slider : eventsStartingWith(SLIDER))
        EXPECT_EQ(slider, SLIDER + "0.000000");
}

TEST_F(WinampTest, SliderIsZeroWithoutPlayer) {
    ASSERT_EQ(startThroughShell(), 0);
    EXPECT_TRUE(waitForEvent(SLIDER + "0.000000", 3000));
    EXPECT_TRUE(waitForLabel("Couldn't Find Winamp"));
}

TEST_F(WinampTest, NothingForTheCompanionWithExtensionsOff) {
    writeSettings("Warble.plugin.doVozizuvavExtensions: false\r\n");
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(startThroughShell(), 0);
    size_t mark = sim.mark();
    pump(2200);
    EXPECT_TRUE(eventsStartingWith("broadcast|@DOVozizuvav").empty());
    /* The poller still asks for the position. */
    int positionQueries = 0;
    for (const std::string &line : sim.logSince(mark))
        if (line.find("lParam=105") != std::string::npos) ++positionQueries;
    EXPECT_GE(positionQueries, 1);
}

TEST_F(WinampTest, TimeIdleStateRefreshesEverySecondWithoutPlayer) {
    writeSettings("Warble.plugin.idle.state: 1\r\nWarble.plugin.idle.TimeStr: T%H:%M:%S\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    pump(100);
    hostClearEvents();
    pump(2300);
    std::vector<std::string> seen = statuses();
    EXPECT_GE(std::count(seen.begin(), seen.end(), "Closed"), 2);
    EXPECT_GE(std::count(seen.begin(), seen.end(), "Stopped"), 2);
    std::vector<std::string> labels = eventsStartingWith(
        "broadcast|@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"T");
    ASSERT_GE(labels.size(), 2u);
    EXPECT_NE(labels.front(), labels.back()) << "the shown time advances";

    /* A paused track keeps its title: the looks each second say Paused, never Stopped. */
    ASSERT_TRUE(sim.start() && sim.send("pause") && statusesReach({"Paused"}));
    hostClearEvents();
    pump(2300);
    seen = statuses();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "Stopped"), 0);
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One", 1500));
}

/* Through a 3 s hang of the player, the wheel, double and middle clicks, relayed
   commands and "@Warble GetWinampInfo" keep coming: no message holds the shell's thread
   over 20 ms, nothing is announced of the player once a question has gone unanswered,
   the caption stays, and nothing that came during the hang is sent on after it. */
TEST_F(WinampTest, HungPlayerNeitherHoldsTheShellNorFoolsIt) {
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.mouse.middleClick: PlayPause\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    ASSERT_TRUE(waitForLabel("1. Artist One - Song One"));
    HWND window = pluginWindow();
    ASSERT_TRUE(sim.send("hang 3000", true));
    size_t mark = sim.mark();
    DWORD start = GetTickCount(), longest = 0;
    auto timed = [&](const std::function<void()> &step) {
        DWORD before = GetTickCount();
        step();
        longest = std::max(longest, GetTickCount() - before);
    };
    bool cleared = false;
    while (GetTickCount() - start < 2400) {
        PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        PostMessageA(window, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
        PostMessageA(window, WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
        timed([] { hostBroadcast("@Warble GetWinampInfo"); });
        timed([] { hostBroadcast("@Warble_toWinamp WM_USER 104"); });
        longest = std::max(longest, longestBlockWhilePumping(50));
        if (!cleared && GetTickCount() - start > 800) hostClearEvents(), cleared = true;
    }
    EXPECT_LT(longest, 20u);
    /* What the player would not answer is answered with the last known status. */
    std::vector<std::string> during = statuses();
    EXPECT_EQ(std::count_if(during.begin(), during.end(),
                            [](const std::string &s) {
                                return s.rfind("Result", 0) != 0 && s != "Playing";
                            }),
              0)
        << ::testing::PrintToString(during);
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));
    pumpUntil([&] { return sim.send("scroll off", false, 100); }, 3000); /* the hang is over */
    pump(1500);
    for (const std::string &line : sim.logSince(mark)) {
        EXPECT_EQ(line.find("WM_COMMAND"), std::string::npos) << line;
        EXPECT_TRUE(line.find("lParam=122") == line.npos || line.find("wParam=-666 ") != line.npos)
            << line;
    }

    /* A title change whose event comes in while the player hangs: the caption is
       brought up to date once the player answers again. */
    ASSERT_TRUE(sim.send("title Hung Artist - Hung Song", true));
    ASSERT_TRUE(sim.send("hang 2000", true));
    hostClearEvents();
    EXPECT_LT(longestBlockWhilePumping(1500), SHELL_BLOCK_LIMIT_MS);
    during = statuses();
    EXPECT_EQ(std::count(during.begin(), during.end(), "Playing"), 0)
        << ::testing::PrintToString(during);
    EXPECT_TRUE(waitForLabel("1. Hung Artist - Hung Song", 4000));
    EXPECT_TRUE(statusesReach({"Playing"}));

    /* A burst of middle clicks alone, no question of the player before it: nothing of
       it is sent once the hang is over. */
    ASSERT_TRUE(sim.send("hang 1500", true));
    mark = sim.mark();
    for (int i = 0; i < 20; ++i) {
        PostMessageA(window, WM_NCMBUTTONUP, HTCAPTION, MAKELPARAM(5, 5));
        pump(40);
    }
    pumpUntil([&] { return sim.send("scroll off", false, 100); }, 3000);
    pump(1000);
    for (const std::string &line : sim.logSince(mark))
        EXPECT_EQ(line.find("WM_COMMAND"), std::string::npos) << line;
}

/* A start while the player hangs waits for nothing: the player's status shows, and is
   announced, once it answers. */
TEST_F(WinampTest, AStartWhileThePlayerHangsWaitsForNothing) {
    ASSERT_TRUE(sim.start());
    ASSERT_NE(loadLibraryOnly(), nullptr);
    ASSERT_TRUE(sim.send("hang 1500", true));
    DWORD before = GetTickCount();
    ASSERT_EQ(beginPlugin(), 0);
    EXPECT_LT(GetTickCount() - before, 150u) << "the start waited for the player";
    EXPECT_LT(longestBlockWhilePumping(1000), 20u);
    EXPECT_TRUE(statusesReach({"Playing"}));
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One", 3000));
    endPlugin();
}

TEST_F(WinampTest, EveryStartOfThePlayerIsOpenedOnceWithTheTimeShown) {
    writeSettings("Warble.plugin.idle.state: 1\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    /* A player closed from its menu takes a while to end its process: the next start
       does not wait for it. */
    WinampSim players[4];
    const int STARTS = 50;
    hostClearEvents();
    for (int i = 1; i <= STARTS; ++i) {
        auto opened = [] {
            std::vector<std::string> seen = statuses();
            return (int)std::count(seen.begin(), seen.end(), "Opened");
        };
        WinampSim &player = players[i % 4];
        pumpUntil([&] { return !player.running(); }, 5000);
        player.quit();
        ASSERT_TRUE(player.start()) << "start " << i;
        ASSERT_TRUE(pumpUntil([&] { return opened() >= i; }, 3000)) << "start " << i;
        pump(i % 10 == 0 ? 1100 : 30); /* now and then the poller looks meanwhile */
        /* Now and then closed from its own menu, otherwise its process ended, which
           the poller notices. */
        if (i % 5 == 0)
            PostMessageA(player.window(), WM_COMMAND, 40001, 0);
        else
            player.kill();
        auto closedSinceOpened = [] {
            std::vector<std::string> seen = statuses();
            auto lastOpened = std::find(seen.rbegin(), seen.rend(), "Opened");
            return std::find(seen.rbegin(), lastOpened, "Closed") != lastOpened;
        };
        ASSERT_TRUE(pumpUntil(closedSinceOpened, 3000)) << "start " << i;
        EXPECT_EQ(opened(), i) << "start " << i;
    }
    pump(1200);
    std::vector<std::string> seen = statuses();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "Opened"), STARTS);
}

/* A real double-click at the window's centre: press, release, press, release, as the
   mouse gives them; the first press starts a move that ends where it began. */
void doubleClick(HWND window) {
    RECT r = windowRect(window);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    SendInput(4, clicks, sizeof *clicks);
    pump(200);
}

/* Double-clicks (wheel 0) and wheel turns over the window, each setting's way, as the
   player's log shows them (null: no command and no volume request at all); a hung
   player is asked within the bound and sent nothing more. */
std::wstring tooltipText(HWND tip, HWND window) {
    wchar_t text[300] = L"";
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = window;
    tool.uId = (UINT_PTR)window;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 300, (LPARAM)&tool);
    return text;
}

/* The tooltip the plugin's window made on this thread: it shows the window's text. */
HWND ownTooltip() {
    HWND tip = nullptr;
    while ((tip = FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr)) &&
           GetWindowThreadProcessId(tip, nullptr) != GetCurrentThreadId()) {
    }
    return tip;
}

TEST_F(WinampTest, MouseDrivesThePlayerWithoutMovingTheWindow) {
    const std::string PLACED = "Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\nWarble.plugin.";
    ASSERT_TRUE(sim.start());
    writeSettings(PLACED + "mouse.wheel: Volume\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    ASSERT_TRUE(waitForLabel("1. Artist One - Song One")) << "the window shows the player";
    HWND window = pluginWindow();
    RECT before = windowRect(window), after;
    /* wheel: notches as WHEEL_DELTA parts; 0 a double-click, MIDDLE a middle click. */
    const int MIDDLE = 1;
    const struct {
        const char *settings, *command;
        int wheel;
        const char *line;
        const wchar_t *shown =
            nullptr; /* the window's text right after, while the player answers */
    } steps[] = {
        {nullptr, nullptr, 0, "WM_COMMAND 40046"}, /* playing: pause */
        {nullptr, nullptr, 0, "WM_COMMAND 40046"}, /* paused: resume */
        {nullptr, "stop", 0, "WM_COMMAND 40045"},
        {nullptr, "hang 2000", 0, nullptr},
        {nullptr, nullptr, -WHEEL_DELTA, "WM_USER wParam=247 lParam=122 -> 247", L"Volume 97%"},
        {nullptr, nullptr, 2 * WHEEL_DELTA, "WM_USER wParam=255 lParam=122 -> 255"},
        {nullptr, nullptr, -WHEEL_DELTA / 2, nullptr},
        {nullptr, nullptr, -WHEEL_DELTA / 2, "WM_USER wParam=247 lParam=122 -> 247"},
        {"mouse.wheelStep: 20", nullptr, -WHEEL_DELTA, "WM_USER wParam=227 lParam=122 -> 227",
         L"Volume 89%"},
        {"mouse.wheel: Track", nullptr, WHEEL_DELTA, "WM_COMMAND 40048"},
        {nullptr, nullptr, -WHEEL_DELTA, "WM_COMMAND 40044"},
        {"mouse.middleClick: next", nullptr, MIDDLE, "WM_COMMAND 40048"},
        {"mouse.middleClick: Previous", nullptr, MIDDLE, "WM_COMMAND 40044"},
        {"mouse.middleClick: Stop", nullptr, MIDDLE, "WM_COMMAND 40047"},
        {"mouse.middleClick: PlayPause", nullptr, MIDDLE, "WM_COMMAND 40045"},
        {"mouse.wheel: None\r\nWarble.plugin.mouse.doubleClick: None", nullptr, WHEEL_DELTA,
         nullptr},
        {nullptr, nullptr, 0, nullptr},
        {nullptr, nullptr, MIDDLE, nullptr},
    };
    HWND tip = ownTooltip();
    for (const auto &step : steps) {
        SCOPED_TRACE(std::string(step.line ? step.line : "nothing") + " " +
                     std::to_string(step.wheel));
        if (step.settings) {
            writeSettings(PLACED + step.settings + "\r\n");
            hostReconfigure();
        }
        if (step.command) {
            ASSERT_TRUE(sim.send(step.command));
        }
        size_t mark = sim.mark();
        DWORD start = GetTickCount();
        if (step.wheel == MIDDLE)
            PostMessageA(window, WM_NCMBUTTONUP, HTCAPTION, MAKELPARAM(210, 205));
        else if (step.wheel)
            PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, step.wheel), 0);
        else
            doubleClick(window);
        EXPECT_LT(GetTickCount() - start, SHELL_BLOCK_LIMIT_MS);
        if (step.line) {
            EXPECT_TRUE(sim.received(mark, step.line));
            if (step.shown) {
                EXPECT_TRUE(
                    pumpUntil([&] { return tooltipText(tip, window) == step.shown; }, 1000));
                EXPECT_TRUE(pumpUntil([&] { return tooltipText(tip, window) != step.shown; }, 2500))
                    << "the caption again after 1.5 s";
            }
            continue;
        }
        pump(step.command ? 2300 : 300); /* a hang is over by then */
        for (const std::string &line : sim.logSince(mark)) {
            EXPECT_TRUE(line.find("WM_COMMAND") && line.find("lParam=122") == line.npos) << line;
        }
    }
    after = windowRect(window);
    EXPECT_TRUE(EqualRect(&before, &after));
}

/* A left press on the window at x of its width: a plain one as the mouse gives it; one
   with Ctrl as the system delivers it, the keys in the press (Wine on Xvfb takes its
   keyboard state from X, where no key is down, so an injected Ctrl never holds). */
void pressAt(HWND window, int x, bool ctrl) {
    RECT r = windowRect(window);
    int y = (r.bottom - r.top) / 2;
    if (ctrl) {
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(x, y));
        PostMessageA(window, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(x, y));
    } else {
        SetCursorPos(r.left + x, r.top + y);
        INPUT press[2] = {};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, press, sizeof *press);
    }
    pump(200);
}

/* Ctrl+click with the progress line shown: the player jumps to that part of the track,
   playing or paused. A click on a hung player goes nowhere, then or after the hang, and
   the shell's thread goes on; a plain press, a stream, a stopped player and a window
   without the line leave it where it is. */
TEST_F(WinampTest, CtrlClickSeeksToThePartUnderTheMouse) {
    sim.setPlaylist({"Seek - Song|200"});
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\nWarble.plugin.width: "
                  "400\r\nWarble.plugin.progress: true\r\n"
                  "Warble.plugin.mouse.middleClick: Stop\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    RECT before = windowRect(window);
    int width = before.right - before.left;
    auto jumpSince = [&](size_t mark) {
        for (const std::string &line : sim.logSince(mark))
            if (line.rfind("JUMP to ", 0) == 0) return atoi(line.c_str() + 8);
        return -1;
    };
    const struct {
        const char *command, *broadcast;
        bool ctrl;
        int quarters; /* where the press is, in quarters of the window (4: its last column) */
        bool jumps;
    } steps[] = {
        {nullptr, nullptr, true, 1, true},
        {"hang 1500", nullptr, true, 2, false},
        {"pause", nullptr, true, 3, true},
        {nullptr, nullptr, true, 4, true},
        {"quiet stopped", nullptr, true, 2, false}, /* the link thread asks before it jumps */
        {"play", nullptr, false, 2, false},
        {"length -1", nullptr, true, 2, false},
        {"stop", nullptr, true, 2, false},
        {"play", "@WarbleInternal ToggleProgress", true, 2, false},
    };
    /* The line runs inside the border: a press at x is that part of the text area, and
       the last column no further than the start of the track's last second. */
    int k = textInset();
    auto jumpFor = [&](int x) { return std::min(200000 * (x - k) / (width - 2 * k), 199000); };
    for (const auto &step : steps) {
        SCOPED_TRACE(std::string(step.command ? step.command : "-") + " " +
                     std::to_string(step.quarters));
        if (step.command) {
            ASSERT_TRUE(sim.send(step.command));
        }
        if (step.broadcast) hostBroadcast(step.broadcast);
        pump(300);
        size_t mark = sim.mark();
        DWORD start = GetTickCount();
        int x = std::min(width * step.quarters / 4, width - 1);
        pressAt(window, x, step.ctrl);
        EXPECT_LT(GetTickCount() - start, SHELL_BLOCK_LIMIT_MS);
        if (!step.jumps) {
            pump(800);
            EXPECT_EQ(jumpSince(mark), -1);
            continue;
        }
        ASSERT_TRUE(pumpUntil([&] { return jumpSince(mark) >= 0; }, 3000))
            << ::testing::PrintToString(sim.logSince(mark));
        EXPECT_NEAR(jumpSince(mark), jumpFor(x), 100);
    }
    /* The link thread takes its jobs in the order they came: a stop, then a jump, leaves
       the player stopped and where it was. */
    hostBroadcast("@WarbleInternal ToggleProgress");
    pump(1200);
    size_t mark = sim.mark();
    PostMessageA(window, WM_NCMBUTTONUP, HTCAPTION, MAKELPARAM(5, 5));
    pressAt(window, width / 2, true);
    EXPECT_TRUE(sim.received(mark, "WM_COMMAND 40047"));
    pump(500);
    EXPECT_EQ(jumpSince(mark), -1);
    RECT after = windowRect(window);
    EXPECT_TRUE(EqualRect(&before, &after));
}

/* Hovering shows the whole caption in any script, also one cut by the window, and the
   tooltip (the one the window owns) follows the caption while it shows, idle text
   included; the menu's option turns it off. */
TEST_F(WinampTest, TooltipShowsTheWholeCaptionAndFollowsIt) {
    sim.setPlaylist(
        {"\u65e5\u672c - \u0411\u044b\u0441\u0442\u0440\u043e, far wider than the window|200",
         "Two - Song|201"});
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.showTrackNumber: false\r\n");
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow(), tip = ownTooltip();
    ASSERT_NE(tip, nullptr);
    RECT r = windowRect(window);
    const std::wstring title =
        L"\u65e5\u672c - \u0411\u044b\u0441\u0442\u0440\u043e, far wider than the window";
    ASSERT_TRUE(pumpUntil([&] { return tooltipText(tip, window) == title; }, 3000));
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_TRUE(pumpUntil([&] { return IsWindowVisible(tip) != FALSE; }, 3000));
    for (const char *command : {"next", "stop"}) {
        ASSERT_TRUE(sim.send(command));
        const wchar_t *expected = *command == 'n' ? L"Two - Song" : L"Playback Stopped";
        EXPECT_TRUE(pumpUntil([&] { return tooltipText(tip, window) == expected; }, 3000));
        EXPECT_TRUE(IsWindowVisible(tip));
    }
    /* A caption format saved halfway through a track: the window and its tooltip show
       it from its first frame with the track's own time and length, the time moving on
       every second, while the companion keeps the title. */
    ASSERT_TRUE(sim.send("play"));
    ASSERT_TRUE(sim.send("seek 65000"));
    ASSERT_TRUE(pumpUntil([&] { return tooltipText(tip, window) == L"Two - Song"; }, 3000));
    writeSettings("Warble.plugin.showTrackNumber: false\r\nWarble.plugin.format: %track%: %song% "
                  "by %artist% %[%elapsed%/%length%%] %unknown% 100%%\r\n");
    /* The caption after each message, as its tooltip holds it, until the format shows:
       a caption that only changes is drawn at once, without a paint. */
    std::wstring first = L"Two - Song";
    for (DWORD start = GetTickCount(); first == L"Two - Song" && GetTickCount() - start < 3000;) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        DispatchMessageA(&msg);
        first = tooltipText(tip, window);
    }
    EXPECT_EQ(0u, first.find(L"2: Song by Two [1:0")) << first.size();
    EXPECT_NE(first.find(L"/3:21] %unknown% 100%"), std::wstring::npos) << first.size();
    EXPECT_TRUE(pumpUntil([&] { return tooltipText(tip, window) != first; }, 2500));
    EXPECT_TRUE(waitForLabel("Two - Song"));
    hostBroadcast("@WarbleInternal ToggleTooltip");
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(tip); }, 1000));
    SetCursorPos(r.left + 1, r.top + 1);
    pump(1500);
    EXPECT_FALSE(IsWindowVisible(tip));
}

/* The player takes a message of its own before each window event; with a repaint
   pending (uncovered by a menu, or its clock ticking) that must not keep it from
   answering: a burst of queries, next-track commands and title changes, each with a
   repaint pending, is answered within a second each. */
TEST(WinampSimTest, AnswersPromptlyWithARepaintPending) {
    WinampSim sim;
    sim.setPlaylist({"One - Song|200", "Two - Song|200", "Three - Song|200"});
    ASSERT_TRUE(sim.start());
    auto answers = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        InvalidateRect(sim.window(), nullptr, FALSE);
        DWORD_PTR answer = 0;
        return SendMessageTimeoutA(sim.window(), message, wParam, lParam, SMTO_NORMAL, 1000,
                                   &answer) != 0;
    };
    for (int round = 0; round < 100; ++round) {
        for (int query = 0; query < 10; ++query)
            ASSERT_TRUE(answers(WM_USER, query % 2, query % 2 ? 105 : 104)) << "round " << round;
        ASSERT_TRUE(answers(WM_COMMAND, 40048, 0)) << "next track, round " << round;
        InvalidateRect(sim.window(), nullptr, FALSE);
        ASSERT_TRUE(sim.send("title Round " + std::to_string(round), false, 1000))
            << "title change, round " << round;
    }
}

/* A runner killed in the middle of a test takes its player with it. The same test, run
   in a child runner with WARBLE_HOLD_PLAYER set, is the one killed: it starts a player
   and waits. */
TEST(WinampSimTest, KilledRunnerLeavesNoPlayerBehind) {
    if (getenv("WARBLE_HOLD_PLAYER")) {
        WinampSim sim;
        ASSERT_TRUE(sim.start());
        pump(60000);
        return;
    }
    char self[MAX_PATH] = "", line[] = "nightjar.exe --gtest_filter=WinampSimTest.Killed*";
    GetModuleFileNameA(nullptr, self, sizeof self);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION runner = {};
    SetEnvironmentVariableA("WARBLE_HOLD_PLAYER", "1");
    ASSERT_TRUE(CreateProcessA(self, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &runner));
    SetEnvironmentVariableA("WARBLE_HOLD_PLAYER", nullptr);
    HWND window = nullptr;
    pumpUntil([&] { return (window = FindWindowA("Winamp v1.x", nullptr)) != nullptr; }, 15000);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE player = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
    TerminateProcess(runner.hProcess, 1);
    WaitForSingleObject(runner.hProcess, 5000);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(WaitForSingleObject(player, 5000), WAIT_OBJECT_0) << "the player outlived its runner";
    TerminateProcess(player, 1);
    for (HANDLE handle : {runner.hThread, runner.hProcess, player})
        CloseHandle(handle);
}

/* A player that speaks the CAD protocol, already running when Warble starts, is
   followed as Winamp is: its track and album in the caption, every status, the
   companion's pushes, the mouse (the volume in percent) and the seek; its shutdown
   closes it, and Warble's end tells it so. */
TEST_F(WinampTest, ACadPlayerIsFollowedAsWinampIs) {
    WinampSim cad;
    cad.setPlaylist({"Cad Artist - Cad Song|200|Cad Album", "Second - Song|180|Other"});
    ASSERT_TRUE(cad.start("--cad"));
    writeSettings("Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\nWarble.plugin.width: 400\r\n"
                  "Warble.plugin.progress: true\r\nWarble.plugin.mouse.middleClick: Next\r\n"
                  "Warble.plugin.format: %title%[ (%album%)]\r\n");
    ASSERT_NE(loadLibraryOnly(), nullptr);
    ASSERT_EQ(beginPlugin(), 0);
    HWND window = pluginWindow();
    EXPECT_TRUE(waitForLabel("1. Cad Artist - Cad Song"));
    EXPECT_TRUE(statusesReach({"Playing"}));
    EXPECT_EQ(tooltipText(ownTooltip(), window), L"1. Cad Artist - Cad Song (Cad Album)");
    EXPECT_TRUE(pumpUntil([] { return !eventsStartingWith(SLIDER).empty(); }, 2500));

    const struct {
        const char *command, *status, *label;
    } steps[] = {{"next", "TitleChange", "2. Second - Song"},
                 {"pause", "Paused", nullptr},
                 {"stop", "Stopped", "Playback Stopped"},
                 {"play", "Playing", "2. Second - Song"}};
    for (const auto &step : steps) {
        hostClearEvents();
        ASSERT_TRUE(cad.send(step.command));
        EXPECT_TRUE(statusesReach({step.status})) << step.command;
        EXPECT_TRUE(!step.label || waitForLabel(step.label)) << step.command;
        pump(1100); /* the notice's look and the poller's next: one change, told once */
        std::vector<std::string> told = statuses();
        EXPECT_EQ(1, std::count(told.begin(), told.end(), step.status)) << step.command;
    }

    size_t mark = cad.mark();
    doubleClick(window);
    EXPECT_TRUE(cad.received(mark, "WM_USER wParam=0 lParam=101 -> 1"));
    ASSERT_TRUE(cad.send("play"));
    PostMessageA(window, WM_NCMBUTTONUP, HTCAPTION, MAKELPARAM(210, 205));
    EXPECT_TRUE(cad.received(mark, "WM_USER wParam=0 lParam=104 -> 1"));
    PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_TRUE(cad.received(mark, "WM_USER wParam=97 lParam=108 -> 1"));
    EXPECT_TRUE(pumpUntil([&] { return tooltipText(ownTooltip(), window) == L"Volume 97%"; }, 2000));
    pressAt(window, 200, true);
    EXPECT_TRUE(pumpUntil([&] {
        for (const std::string &line : cad.logSince(mark))
            if (line.rfind("JUMP to ", 0) == 0) return abs(atoi(line.c_str() + 8) - 100000) <= 2000;
        return false;
    }, 2000)) << "half way through the track";

    endPlugin();
    EXPECT_TRUE(cad.received(mark, "WM_USER wParam=0 lParam=129 -> 1"));
}

/* With a player of each kind, Auto follows the one that plays, the one that started
   last when both do, and keeps the one it followed when none plays; a CAD player that
   starts later announces itself, and one that hangs never holds the shell. */
TEST_F(WinampTest, AutoFollowsThePlayerThatStartedLast) {
    ASSERT_TRUE(sim.start());
    ASSERT_EQ(startThroughShell(), 0);
    HWND window = pluginWindow();
    EXPECT_TRUE(waitForLabel("1. Artist One - Song One"));
    WinampSim cad;
    cad.setPlaylist({"Cad Artist - Cad Song|200|Cad Album"});
    hostClearEvents();
    ASSERT_TRUE(cad.start("--cad --stopped"));
    pump(1500);
    EXPECT_TRUE(statuses().empty()) << ::testing::PrintToString(statuses());
    const struct {
        WinampSim *player;
        const char *command, *label;
    } steps[] = {{&cad, "play", "1. Cad Artist - Cad Song"},
                 {&sim, "pause", nullptr},
                 {&cad, "stop", "Playback Stopped"},
                 {&sim, "play", "1. Artist One - Song One"}};
    for (const auto &step : steps) {
        hostClearEvents();
        ASSERT_TRUE(step.player->send(step.command));
        pump(1500);
        if (step.label) {
            EXPECT_TRUE(waitForLabel(step.label)) << step.command;
        } else {
            EXPECT_TRUE(statuses().empty()) << ::testing::PrintToString(events());
        }
    }

    ASSERT_TRUE(cad.send("hang 1500", true));
    DWORD longest = 0;
    for (int i = 0; i < 20; ++i) {
        PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        hostBroadcast("@Warble GetWinampInfo");
        longest = std::max(longest, longestBlockWhilePumping(60));
    }
    EXPECT_LT(longest, 20u);
}
