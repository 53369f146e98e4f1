/* The shell's thread while the player hangs: the bench makes winamp-sim stop answering
   for 3 s and, through the first 2.5 s, drives every way the plugin meets the player
   every 100 ms (a wheel notch, a double and a middle click, "@Warble GetWinampInfo",
   a relayed command and a toggle that re-reads the status), timing the longest any one
   message or broadcast held the shell's thread and adding up the time of those over
   20 ms. The bare figures drive the same into a bare window on the same thread, the
   plugin unloaded: the aim is no message over 20 ms and no time blocked beyond the
   bare window's. All figures are taken within the first seconds of a hang, before Wine
   marks the player as not responding (after about 5 s every question returns at once
   and would hide the waits). Last, endPlugin five times with the player hung and ten
   commands waiting, against endPlugin with the player answering. */
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"
#include "link/player_process.h"

#include <stdio.h>
#include <string.h>

/* What handling this thread's messages for a while found: the longest one message (or
   one window-event callback, which runs inside PeekMessage) took, and the time of every
   message that blocked the thread (took over 20 ms) added up, in milliseconds. */
struct Blocks {
    double longest, blocked;
    void add(double took) {
        if (took > longest) longest = took;
        if (took > 20) blocked += took;
    }
    void merge(const Blocks &other) {
        if (other.longest > longest) longest = other.longest;
        blocked += other.blocked;
    }
};

static Blocks pumpTiming(DWORD milliseconds) {
    Stopwatch clock;
    Blocks found = {0, 0};
    while (clock.milliseconds() < milliseconds) {
        Stopwatch one;
        MSG msg;
        bool got = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        if (got) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        found.add(one.milliseconds());
        if (!got) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return found;
}

static double timed(const char *broadcast) {
    Stopwatch clock;
    hostBroadcast(broadcast);
    return clock.milliseconds();
}

static bool waitForPlaying() {
    return pumpUntil([] { return countEvents("broadcast|@Warble_fromWinamp_Playing") > 0; }, 3000);
}

/* Unloads the plugin and times it; loads it again afterwards when reload is set. */
static double timeUnload(const char *plugin, bool reload) {
    Stopwatch clock;
    hostUnloadPlugins();
    double took = clock.milliseconds();
    if (reload) {
        hostClearEvents();
        hostLoadPlugin(plugin, false);
        waitForPlaying();
        pumpFor(300);
    }
    return took;
}

/* The texts broadcast in each step of a hang: the toggle twice, so that it ends as it
   began. */
static const char *const DRIVEN[] = {"@Warble GetWinampInfo", "@Warble_toWinamp WM_USER 104",
                                     "@WarbleInternal ToggleTrackNumber",
                                     "@WarbleInternal ToggleTrackNumber"};

/* One hang of the player with everything driven into target every 100 ms; the blocks
   found, and the seconds driven added to *seconds. */
static Blocks drivenHang(HWND player, HWND target, double *seconds) {
    sendToPlayer(player, "hang 3000");
    Stopwatch hang;
    Blocks found = {0, 0};
    while (hang.milliseconds() < 2500) {
        PostMessageA(target, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        PostMessageA(target, WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
        PostMessageA(target, WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
        for (const char *text : DRIVEN)
            found.add(timed(text));
        found.merge(pumpTiming(100));
    }
    *seconds += hang.seconds();
    pumpFor(1500); /* the player answers again */
    return found;
}

/* The same hangs driven into the plugin's window and, the plugin unloaded, into a bare
   one; the plugin is loaded again afterwards. kind names the player in the figures'
   names ("" for Winamp, "CAD " for a CAD player). */
static void hangFigures(int rounds, HWND player, const char *plugin, const char *kind) {
    Blocks own = {0, 0}, bare = {0, 0};
    double ownSeconds = 0, bareSeconds = 0;
    HWND window = FindWindowA("Warble", nullptr);
    for (int round = 0; round < rounds; ++round) {
        own.merge(drivenHang(player, window, &ownSeconds));
    }
    hostUnloadPlugins();
    HWND plain = CreateWindowA("STATIC", "bare", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    for (int round = 0; round < rounds; ++round) {
        bare.merge(drivenHang(player, plain, &bareSeconds));
    }
    DestroyWindow(plain);
    hostClearEvents();
    hostLoadPlugin(plugin, false);
    waitForPlaying();
    pumpFor(300);
    char name[80];
    snprintf(name, sizeof name, "shell's longest message, %splayer hung", kind);
    reportCost(name, own.longest, bare.longest, "ms", 0);
    reportDetail("over %d hang(s): the wheel, a double and a middle click, GetWinampInfo, a relay "
                 "and a toggle every 100 ms; bare: the same into a bare window, no plugin; aim: "
                 "no message over 20 ms",
                 rounds);
    snprintf(name, sizeof name, "shell blocked a second, %splayer hung", kind);
    reportCost(name, own.blocked / ownSeconds, bare.blocked / bareSeconds, "ms/s", 0);
    reportDetail("time in messages over 20 ms per second of the same hangs; aim: none beyond the "
                 "bare window's");
}

/* endPlugin with the player answering, then five times with it hung and ten commands
   waiting. */
static void endPluginFigures(HWND player, const char *plugin) {
    double answering = timeUnload(plugin, true), worst = 0;
    char runs[160] = "";
    for (int run = 0; run < 5; ++run) {
        sendToPlayer(player, "hang 3000");
        for (int i = 0; i < 10; ++i)
            hostBroadcast("@Warble_toWinamp WM_USER 104");
        pumpFor(50);
        double hung = timeUnload(plugin, false);
        if (hung > worst) worst = hung;
        size_t used = strlen(runs);
        snprintf(runs + used, sizeof runs - used, "%s%.1f", run ? ", " : "", hung);
        pumpFor(3000); /* the player answers again */
        if (run < 4) {
            hostClearEvents();
            hostLoadPlugin(plugin, false);
            waitForPlaying();
            pumpFor(300);
        }
    }
    reportCost("endPlugin, player hung (worst of five)", worst, answering, "ms", 0);
    reportDetail("runs %s ms, each 50 ms into a hang with ten relayed commands waiting and the "
                 "poller asking; bare: endPlugin with the player answering; aim: each within 10 ms",
                 runs);
}

void runHangBlock(const LinkOptions &options, HWND player, const char *plugin) {
    hangFigures(options.iterations < 10 ? 1 : 3, player, plugin, "");
    endPluginFigures(player, plugin);
}

void runCadHangBlock(const LinkOptions &options, HWND player, const char *plugin) {
    hangFigures(options.iterations < 10 ? 1 : 3, player, plugin, "CAD ");
}
