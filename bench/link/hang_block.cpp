/* The shell's thread while the player hangs: the bench makes winamp-sim stop answering
   for a while and meanwhile drives what makes the plugin ask the player on the shell's
   thread (a title change whose event comes in during the hang, "@Warble GetWinampInfo",
   relayed commands), timing the longest the shell's thread spent on any one message.
   The bare figure is the plugin's bound on a status question: the aim is to stay
   within it. Then a question every 100 ms through a hang: the shell's thread may spend
   one bound a second blocked, not one for each question. All figures are taken within the first
   seconds of a hang, before Wine marks the player as not responding (after about 5 s every question
   returns at once and would hide the waits). Last, endPlugin with the player hung and ten commands
   waiting, against endPlugin with the player answering. */
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"
#include "link/player_process.h"

#include <stdio.h>

static const double STATUS_BOUND_MS = 300; /* the plugin's wait for a status answer */
static const DWORD HANG_MS = 1500;

/* What handling this thread's messages for a while found: the longest one message (or
   one window-event callback, which runs inside PeekMessage) took, and the time of every
   message that blocked the thread (took over 20 ms) added up, in milliseconds. */
struct Blocks {
    double longest, blocked;
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
        double took = one.milliseconds();
        if (took > found.longest) found.longest = took;
        if (took > 20) found.blocked += took;
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

void runHangBlock(const LinkOptions &options, HWND player, const char *plugin) {
    int rounds = options.iterations < 10 ? 1 : 3;
    double longest = 0, longestCall = 0;
    for (int round = 0; round < rounds; ++round) {
        char title[64];
        snprintf(title, sizeof title, "title Hung Artist - Hung Title %d", round);
        sendToPlayer(player, title);
        sendToPlayer(player, "hang 1500");
        Stopwatch hang;
        while (hang.milliseconds() < HANG_MS) {
            double call = timed("@Warble GetWinampInfo");
            if (call > longestCall) longestCall = call;
            call = timed("@Warble_toWinamp WM_USER 104");
            if (call > longestCall) longestCall = call;
            double block = pumpTiming(100).longest;
            if (block > longest) longest = block;
        }
        pumpFor(1000); /* the player answers again */
    }
    if (longestCall > longest) longest = longestCall;
    reportCost("shell block, player hung", longest, STATUS_BOUND_MS, "ms", 1.1);
    reportDetail("longest single message or broadcast on the shell's thread over %d hang(s) of "
                 "%lu ms; bare: the plugin's bound on a status question (aim: that bound and the "
                 "call's own work)",
                 rounds, (unsigned long)HANG_MS);

    /* "@Warble GetWinampInfo" every 100 ms, as a script polling the player would. */
    double blocked = 0, seconds = 0;
    for (int round = 0; round < rounds; ++round) {
        sendToPlayer(player, "hang 3000");
        Stopwatch hang;
        while (hang.milliseconds() < 2500) {
            double call = timed("@Warble GetWinampInfo");
            if (call > 20) blocked += call;
            blocked += pumpTiming(100).blocked;
        }
        seconds += hang.seconds();
        pumpFor(1500); /* the player answers again */
    }
    reportCost("shell blocked a second", blocked / seconds, STATUS_BOUND_MS, "ms/s", 1.1);
    reportDetail("\"@Warble GetWinampInfo\" every 100 ms; time the shell's thread spent in "
                 "messages over 20 ms, per second of %d hang(s) of 2.5 s; bare: one bound on a "
                 "status question a second",
                 rounds);

    double answering = timeUnload(plugin, true);
    sendToPlayer(player, "hang 3000");
    Stopwatch sinceHang;
    for (int i = 0; i < 10; ++i)
        hostBroadcast("@Warble_toWinamp WM_USER 104");
    pumpFor(50);
    double into = sinceHang.milliseconds();
    double hung = timeUnload(plugin, false);
    reportCost("endPlugin, player hung", hung, answering, "ms", 0);
    reportDetail("%.0f ms into a hang, with ten relayed commands waiting and the poller asking; "
                 "bare: endPlugin with the player answering; aim: within 10 ms",
                 into);
    pumpFor(3000); /* the player answers again before it is asked to quit */
}
