/* The command relay against winamp-sim: the exact message the player receives for each
   kind of "@Warble_toWinamp" command and the result broadcast back, the seek and its
   dropping rules, eviction of the longest waiting command, and waiting commands
   abandoned when the player goes away, hangs under a flood or the plugin stops. */
#include "harness.h"
#include "host.h"
#include "winamp_sim.h"

#include <algorithm>
#include <cstdio>
#include <psapi.h>

namespace {

const std::string RESULT = "broadcast|@Warble_fromWinamp_Result ";
const std::string STATUS = "broadcast|@Warble_fromWinamp_";

class RelayTest : public PluginTest {
  protected:
    void SetUp() override {
        PluginTest::SetUp();
        sim.setPlaylist({"Artist One - Song One|201", "Artist Two - Song Two|246"});
    }

    /* Starts the player, then the plugin, which finds it at once. */
    void startBoth(const std::string &simOptions = "", const std::string &settings = "") {
        ASSERT_TRUE(sim.start(simOptions));
        if (!settings.empty()) writeSettings(settings);
        ASSERT_EQ(startThroughShell(), 0);
        pump(100);
    }

    bool waitForResult(const std::string &numbers, DWORD timeoutMs = 3000) {
        return waitForEvent(RESULT + numbers, timeoutMs);
    }

    static std::vector<std::string> results() {
        std::vector<std::string> found;
        for (const std::string &line : eventsStartingWith(RESULT))
            found.push_back(line.substr(RESULT.size()));
        return found;
    }

    /* Player log lines since mark, without the poller's position questions. */
    std::vector<std::string> received(size_t mark) const {
        std::vector<std::string> lines;
        for (const std::string &line : sim.logSince(mark))
            if (line.find("lParam=105 ") == std::string::npos) lines.push_back(line);
        return lines;
    }

    WinampSim sim;
};

const char NO_EXTENSIONS[] = "Warble.plugin.doVozizuvavExtensions: false\r\n";

} // namespace

TEST_F(RelayTest, WmUserKindSendsFirstNumberAsLParam) {
    startBoth();
    size_t mark = sim.mark();
    hostBroadcast("@Warble_toWinamp WM_USER 104");
    EXPECT_TRUE(waitForResult("104 1"));
    EXPECT_TRUE(sim.received(mark, "WM_USER wParam=0 lParam=104 -> 1"));

    /* The second number goes as wParam: the track length in seconds. */
    hostBroadcast("@Warble_toWinamp WM_USER 105 1");
    EXPECT_TRUE(waitForResult("105 201"));
}

TEST_F(RelayTest, OtherKindsSendWmCommandWithFirstNumberAsWParam) {
    startBoth();
    size_t mark = sim.mark();
    hostClearEvents();
    hostBroadcast("@Warble_toWinamp WM_COMMAND 40048");
    EXPECT_TRUE(sim.received(mark, "WM_COMMAND 40048"));
    EXPECT_TRUE(waitForResult("40048 0"));
    EXPECT_TRUE(waitForEvent(STATUS + "TitleChange", 3000));

    /* The kind is compared with its case: "wm_user" is just another kind. */
    mark = sim.mark();
    hostBroadcast("@Warble_toWinamp wm_user 104");
    EXPECT_TRUE(sim.received(mark, "WM_COMMAND 104"));
    EXPECT_TRUE(waitForResult("104 0"));
}

/* Only a text that begins with the relay's address is a command; the blanks and control
   characters before it are skipped. */
TEST_F(RelayTest, OnlyTextsUnderTheRelaysAddressReachThePlayer) {
    startBoth();
    size_t mark = sim.mark();
    for (const char *text :
         {"please @Warble_toWinamp WM_USER 104", "x @Warble_toWinamp CMD 40047",
          "@Warble SetCaption @Warble_toWinamp WM_USER 104", "\"@Warble_toWinamp CMD 40047",
          "\t@DOVozizuvav Control SetAgent winamplabel Caption StaticText "
          "\"@Warble_toWinamp CMD 40047\""})
        hostBroadcast(text);
    hostBroadcast("\r\n\t@Warble_toWinamp WM_USER 105 1");
    EXPECT_TRUE(waitForResult("105 201"));
    pump(300);
    EXPECT_EQ(results(), std::vector<std::string>({"105 201"}));
    for (const std::string &line : received(mark))
        EXPECT_EQ(line.find("WM_COMMAND"), std::string::npos) << line;
}

TEST_F(RelayTest, NjiSpecialSendsWmUser) {
    startBoth();
    size_t mark = sim.mark();
    hostBroadcast("@Warble_toWinamp NJI_SPECIAL 102");
    EXPECT_TRUE(sim.received(mark, "WM_USER wParam=0 lParam=102 -> 1"));
    EXPECT_TRUE(waitForResult("102 1"));
}

TEST_F(RelayTest, SeekTurnsPercentIntoWholeSeconds) {
    startBoth("", NO_EXTENSIONS);
    size_t mark = sim.mark();
    hostBroadcast("@Warble_toWinamp NJI_SPECIAL 106 50");
    EXPECT_TRUE(sim.received(mark, "WM_USER wParam=100000 lParam=106 -> 0"))
        << ::testing::PrintToString(received(mark));
    EXPECT_TRUE(waitForResult("106 0"));

    mark = sim.mark();
    hostBroadcast("@Warble_toWinamp NJI_SPECIAL 106 33");
    /* 0.33 of 201 s is 66.33 s: whole seconds only. */
    EXPECT_TRUE(sim.received(mark, "WM_USER wParam=66000 lParam=106 -> 0"))
        << ::testing::PrintToString(received(mark));
}

TEST_F(RelayTest, FirstSeekAfterASliderPushIsDropped) {
    startBoth();
    /* The first push comes once the title is known. */
    ASSERT_TRUE(pumpUntil(
        [] {
            return !eventsStartingWith("broadcast|@DOVozizuvav Control SetControlProperty").empty();
        },
        3000));
    /* Right after a push: of two seeks exactly one goes through. */
    hostClearEvents();
    size_t mark = sim.mark();
    hostBroadcast("@Warble_toWinamp NJI_SPECIAL 106 50");
    hostBroadcast("@Warble_toWinamp NJI_SPECIAL 106 50");
    EXPECT_TRUE(waitForResult("106 0"));
    pump(300);
    std::vector<std::string> seen = results();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "106 0"), 1) << ::testing::PrintToString(seen);
    std::vector<std::string> lines = received(mark);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "WM_USER wParam=100000 lParam=106 -> 0"), 1)
        << ::testing::PrintToString(lines);
}

TEST_F(RelayTest, SeekWhilePausedIsDropped) {
    startBoth("--paused", NO_EXTENSIONS);
    hostClearEvents();
    size_t mark = sim.mark();
    hostBroadcast("@Warble_toWinamp NJI_SPECIAL 106 50");
    /* The relay asks for the status, finds it paused and stops there. */
    EXPECT_TRUE(sim.received(mark, "WM_USER wParam=0 lParam=104 -> 3"));
    pump(300);
    EXPECT_TRUE(results().empty()) << ::testing::PrintToString(results());
    for (const std::string &line : received(mark))
        EXPECT_EQ(line.find("lParam=106"), std::string::npos) << line;
}

TEST_F(RelayTest, CommandsWithoutANumberAreDropped) {
    startBoth();
    hostClearEvents();
    size_t mark = sim.mark();
    int threads = threadCount();
    hostBroadcast("@Warble_toWinamp WM_USER");
    hostBroadcast("@Warble_toWinamp");
    hostBroadcast("@Warble_toWinamp    ");
    hostBroadcast("@Warble_toWinamp\tWM_USER\t104");
    pump(500);
    EXPECT_TRUE(results().empty()) << ::testing::PrintToString(results());
    EXPECT_TRUE(received(mark).empty()) << ::testing::PrintToString(received(mark));
    EXPECT_TRUE(pumpUntil([&] { return threadCount() <= threads; }, 2000));
}

TEST_F(RelayTest, NothingIsRelayedWithoutPlayer) {
    ASSERT_EQ(startThroughShell(), 0);
    pump(100);
    hostClearEvents();
    int threads = threadCount();
    hostBroadcast("@Warble_toWinamp WM_USER 104");
    pump(300);
    EXPECT_TRUE(results().empty());
    EXPECT_EQ(threadCount(), threads);
}

TEST_F(RelayTest, EleventhCommandEvictsTheLongestWaiting) {
    startBoth("", NO_EXTENSIONS);
    int threads = threadCount();
    ASSERT_TRUE(sim.send("hang 1500"));
    hostClearEvents();
    for (int n = 2001; n <= 2010; ++n) {
        hostBroadcast(("@Warble_toWinamp WM_USER " + std::to_string(n)).c_str());
        Sleep(2); /* distinct start times */
    }
    EXPECT_GE(threadCount(), threads + 10);
    hostBroadcast("@Warble_toWinamp WM_USER 2011");

    auto allAnswered = [] {
        std::vector<std::string> seen = results();
        for (int n = 2002; n <= 2011; ++n)
            if (std::find(seen.begin(), seen.end(), std::to_string(n) + " 1") == seen.end())
                return false;
        return true;
    };
    EXPECT_TRUE(pumpUntil(allAnswered, 5000)) << ::testing::PrintToString(results());
    pump(200);
    std::vector<std::string> seen = results();
    EXPECT_EQ(seen.size(), 10u) << ::testing::PrintToString(seen);
    EXPECT_EQ(std::find(seen.begin(), seen.end(), "2001 1"), seen.end())
        << "the evicted command must not answer";
    EXPECT_TRUE(pumpUntil([&] { return threadCount() <= threads; }, 2000));
}

TEST_F(RelayTest, RelayedCloseReportsItsResultThenClosed) {
    startBoth("", NO_EXTENSIONS);
    int threads = threadCount();
    hostClearEvents();
    size_t mark = sim.mark();
    /* The player announces its destruction before it answers the close command: the
       answer still comes, and is reported before the relay's own Closed. */
    hostBroadcast("@Warble_toWinamp WM_COMMAND 40001");
    EXPECT_TRUE(sim.received(mark, "WM_COMMAND 40001"));
    ASSERT_TRUE(pumpUntil(
        [] {
            std::vector<std::string> status = eventsStartingWith(STATUS);
            return status.size() >= 3 && status.back() == STATUS + "Closed";
        },
        3000));
    pumpUntil([&] { return !sim.running(); }, 3000);
    pump(200);
    std::vector<std::string> status = eventsStartingWith(STATUS);
    ASSERT_GE(status.size(), 3u);
    EXPECT_EQ(status.back(), STATUS + "Closed") << ::testing::PrintToString(status);
    std::vector<std::string> all = events();
    int result = findEvent(all, RESULT + "40001 0");
    EXPECT_GE(result, 0) << ::testing::PrintToString(all);
    EXPECT_GE(findEvent(all, STATUS + "Closed", result + 1), 0);
    EXPECT_TRUE(pumpUntil([&] { return threadCount() <= threads; }, 2000));

    /* The slot is free again: a new player gets relayed commands. */
    WinampSim next;
    next.setPlaylist({"Next Player - Song|100"});
    hostClearEvents();
    ASSERT_TRUE(next.start());
    ASSERT_TRUE(waitForEvent(STATUS + "Opened", 3000));
    hostBroadcast("@Warble_toWinamp WM_USER 104");
    EXPECT_TRUE(waitForResult("104 1"));

    /* With a second player running, closing the known one takes the other: the relay's
       own Closed speaks of the player closed, never of the one known now. */
    WinampSim other;
    other.setPlaylist({"Other Player - Song|100"});
    ASSERT_TRUE(other.start());
    hostClearEvents();
    hostBroadcast("@Warble_toWinamp CMD 40001");
    ASSERT_TRUE(waitForResult("40001 0") && waitForEvent(STATUS + "Opened", 3000));
    pump(500);
    all = events();
    int opened = findEvent(all, STATUS + "Opened");
    EXPECT_LT(findEvent(all, STATUS + "Closed", opened), 0) << ::testing::PrintToString(all);
}

TEST_F(RelayTest, EndPluginReturnsAtOnceWhileThePlayerHangs) {
    ASSERT_TRUE(sim.start());
    writeSettings("Warble.plugin.idle.state: 1\r\n"); /* the poller's round takes longest */
    ASSERT_NE(loadLibraryOnly(), nullptr);
    int threadsBefore = threadCount();
    ASSERT_EQ(beginPlugin(), 0);
    pump(200);
    /* Answered about half a second after endPlugin returns: too late to be reported. */
    ASSERT_TRUE(sim.send("hang 1000"));
    hostBroadcast("@Warble_toWinamp WM_USER 3001");
    hostBroadcast("@Warble_toWinamp WM_USER 3002");
    hostBroadcast("@Warble_toWinamp WM_USER 3003");
    EXPECT_GE(threadCount(), threadsBefore + 5);
    pump(400); /* the poller is waiting on the player too */
    hostClearEvents();
    DWORD before = GetTickCount();
    endPlugin();
    DWORD took = GetTickCount() - before;
    EXPECT_LT(took, 1000u) << "endPlugin with the player hung";
    printf("[ measure  ] endPlugin with the player hung: %lu ms\n", took);
    EXPECT_TRUE(eventsStartingWith(RESULT).empty());
    /* A start right away shares nothing with the threads still finishing: they end on
       their own start's stop, leaving one poller, one scroll thread and one watch. */
    ASSERT_EQ(beginPlugin(), 0);
    EXPECT_TRUE(pumpUntil([&] { return threadCount() == threadsBefore + 3; }, 4000))
        << threadCount() - threadsBefore << " threads of the plugin";
    endPlugin();
    /* The waiting commands end by themselves when their bounded waits end, and say
       nothing: no thread is ended by force. */
    hostClearEvents();
    EXPECT_TRUE(pumpUntil([&] { return threadCount() == threadsBefore; }, 4000))
        << threadCount() << " threads, " << threadsBefore << " before the start";
    pump(200);
    EXPECT_TRUE(eventsStartingWith("broadcast|").empty()) << ::testing::PrintToString(events());
    sim.kill();
}

/* The shell's thread busy past a report's wait: each result taken late is still its
   own command's. */
TEST_F(RelayTest, AResultTakenLateIsItsOwnCommands) {
    startBoth("", NO_EXTENSIONS);
    hostClearEvents();
    hostBroadcast("@Warble_toWinamp WM_USER 104");
    Sleep(1500); /* the shell's thread takes nothing meanwhile */
    hostBroadcast("@Warble_toWinamp WM_USER 105 1");
    Sleep(300);
    EXPECT_TRUE(waitForResult("104 1"));
    EXPECT_TRUE(waitForResult("105 201"));
}

TEST_F(RelayTest, ThousandCommandsWhileThePlayerHangs) {
    startBoth("", NO_EXTENSIONS);
    /* Address space in use and private memory committed, in bytes. */
    auto memory = [] {
        MEMORYSTATUSEX status = {};
        status.dwLength = sizeof status;
        GlobalMemoryStatusEx(&status);
        PROCESS_MEMORY_COUNTERS counters = {};
        auto getCounters = (BOOL(WINAPI *)(HANDLE, PROCESS_MEMORY_COUNTERS *, DWORD))GetProcAddress(
            GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo");
        if (getCounters) getCounters(GetCurrentProcess(), &counters, sizeof counters);
        return std::make_pair((long long)(status.ullTotalVirtual - status.ullAvailVirtual),
                              (long long)counters.PagefileUsage);
    };
    int threads = threadCount();
    std::pair<long long, long long> start = memory(), peak = start;
    ASSERT_TRUE(sim.send("hang 3000", true));
    hostClearEvents();
    DWORD before = GetTickCount(), longest = 0;
    int most = threads;
    for (int i = 0; i < 1000; ++i) {
        DWORD start = GetTickCount();
        hostBroadcast("@Warble_toWinamp WM_USER 104");
        longest = std::max(longest, GetTickCount() - start);
        if (i % 50 == 0) {
            most = std::max(most, threadCount());
            std::pair<long long, long long> now = memory();
            peak = {std::max(peak.first, now.first), std::max(peak.second, now.second)};
        }
    }
    EXPECT_LT(longest, 1000u) << "one relayed command held the shell";
    /* The bound is reached and held while the first threads still wait. */
    EXPECT_EQ(most, threads + 32) << "relay threads stay bounded";
    /* Every thread ends by itself once its wait ends; the address space and the
       threads come back to where they were. */
    EXPECT_TRUE(pumpUntil([&] { return threadCount() <= threads; }, 8000))
        << threadCount() << " threads, " << threads << " before";
    std::pair<long long, long long> end = memory();
    EXPECT_LT(end.first - start.first, 32ll << 20) << "address space";
    EXPECT_LT(end.second - start.second, 16ll << 20) << "private memory";
    std::vector<std::string> seen = results();
    EXPECT_LE(seen.size(), 10u) << ::testing::PrintToString(seen);
    printf("[ measure  ] 1000 commands in %lu ms; threads %d, at most %d, then %d; address space "
           "%lld, at most %lld, then %lld MB; private %lld, at most %lld, then %lld KB\n",
           GetTickCount() - before, threads, most, threadCount(), start.first >> 20,
           peak.first >> 20, end.first >> 20, start.second >> 10, peak.second >> 10,
           end.second >> 10);

    /* The shell and the relay still answer. */
    hostClearEvents();
    hostBroadcast("@Warble_toWinamp WM_USER 104");
    EXPECT_TRUE(waitForResult("104 1"));
}

TEST_F(RelayTest, KilledPlayerIsClosedAndTheNextOneOpened) {
    startBoth();
    int threads = threadCount();
    WinampSim next;
    next.setPlaylist({"Next Player - Song|100"});
    ASSERT_TRUE(next.start());
    ASSERT_TRUE(sim.send("hang 5000", true));
    ASSERT_TRUE(next.send("hang 3000", true));
    hostClearEvents();
    hostBroadcast("@Warble_toWinamp WM_USER 4001");
    hostBroadcast("@Warble_toWinamp WM_USER 4002");
    sim.kill();
    /* No destroy event comes: the poller finds the window gone at its next round,
       while the other player, hanging too, cannot answer. */
    ASSERT_TRUE(pumpUntil(
        [] {
            std::vector<std::string> status = eventsStartingWith(STATUS);
            return status.size() >= 3 && status.back() == STATUS + "Closed";
        },
        1500))
        << ::testing::PrintToString(eventsStartingWith(STATUS));
    EXPECT_TRUE(waitForLabel("Couldn't Find Winamp"));
    hostBroadcast("@Warble_toWinamp WM_USER 4003"); /* nothing is sent to a gone player */
    EXPECT_TRUE(pumpUntil([&] { return threadCount() <= threads; }, 4000));
    EXPECT_TRUE(results().empty()) << ::testing::PrintToString(results());

    ASSERT_TRUE(waitForEvent(STATUS + "Opened", 5000));
    EXPECT_TRUE(waitForLabel("1. Next Player - Song"));
    hostBroadcast("@Warble_toWinamp WM_USER 104");
    EXPECT_TRUE(waitForResult("104 1"));
    EXPECT_EQ(results().size(), 1u) << ::testing::PrintToString(results());
}
