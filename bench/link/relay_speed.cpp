/* The relay: "@Warble_toWinamp WM_USER 104" broadcast to the plugin until its
   "@Warble_fromWinamp_Result 104 N" broadcast is in the shell's event record, one at a
   time (round trip) and several in flight (throughput). The bare relay does the same
   work in the plainest way: a new thread sends the message to the player and
   broadcasts the same answer text to the shell. */
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"
#include "nightjar/nightjar.h"
#include "winamp/winamp.h"

#include <stdio.h>
#include <vector>

static const char RELAY_COMMAND[] = "@Warble_toWinamp WM_USER 104";
static const DWORD STALL_MS = 5000;
static const int THROUGHPUT_ROUNDS = 5;

static HWND benchPlayer;
static char expected[96]; /* the result line in the event record */

static DWORD WINAPI bareRelayThread(LPVOID) {
    char reply[64];
    int answer = (int)SendMessageA(benchPlayer, WM_USER, 0, IPC_ISPLAYING);
    snprintf(reply, sizeof reply, "@Warble_fromWinamp_Result %d %d", IPC_ISPLAYING, answer);
    SendMessageA(GetNJWnd(), MSG_BROADCAST, 0, (LPARAM)reply);
    return 0;
}

static void issue(bool bare) {
    if (!bare) {
        hostBroadcast(RELAY_COMMAND);
        return;
    }
    HANDLE thread = CreateThread(nullptr, 0, bareRelayThread, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}

/* Takes the results that arrived off the event record. Every broadcast is recorded
   on this thread, so none can slip in between the count and the clearing. */
static int takeResults() {
    int n = countEvents(expected);
    if (n) hostClearEvents();
    return n;
}

static double roundTripMs(bool bare) {
    hostClearEvents();
    double start = nowSeconds();
    issue(bare);
    if (!pumpUntil([] { return countEvents(expected) > 0; }, STALL_MS)) return -1;
    return (nowSeconds() - start) * 1e3;
}

/* Commands per second with up to inFlight waiting; lost counts those never answered. */
static double commandsPerSecond(bool bare, const LinkOptions &options, int *lost) {
    hostClearEvents();
    int sent = 0, done = 0;
    Stopwatch clock;
    while (done < options.commands) {
        while (sent - done < options.inFlight && sent < options.commands) {
            issue(bare);
            ++sent;
        }
        int before = done;
        pumpUntil([&] { return (done += takeResults()) > before; }, STALL_MS);
        if (done == before) break; /* stalled: the rest count as lost */
    }
    double seconds = clock.seconds();
    *lost = sent - done;
    pumpFor(100); /* stragglers of a stalled run end before the next */
    hostClearEvents();
    return done / seconds;
}

void runRelaySpeed(const LinkOptions &options, HWND player) {
    benchPlayer = player;
    int state = (int)SendMessageA(player, WM_USER, 0, IPC_ISPLAYING);
    snprintf(expected, sizeof expected, "broadcast|@Warble_fromWinamp_Result 104 %d", state);

    std::vector<double> plugin, bare;
    int failed = 0;
    roundTripMs(false);
    roundTripMs(true);
    for (int i = 0; i < options.iterations; ++i) {
        double p = roundTripMs(false), b = roundTripMs(true);
        if (p < 0 || b < 0) {
            ++failed;
            continue;
        }
        plugin.push_back(p);
        bare.push_back(b);
    }
    reportCost("relay round trip", median(plugin), median(bare), "ms", 0);
    reportDetail("p90 %.3f vs bare %.3f ms; %d of %d timed", percentile(plugin, 0.9),
                 percentile(bare, 0.9), (int)plugin.size(), options.iterations);

    /* Throughput varies with what else the machine does: alternating rounds, medians. */
    std::vector<double> pluginRates, bareRates;
    int pluginLost = 0, bareLost = 0;
    for (int round = 0; round < THROUGHPUT_ROUNDS; ++round) {
        int lost = 0;
        pluginRates.push_back(commandsPerSecond(false, options, &lost));
        pluginLost += lost;
        bareRates.push_back(commandsPerSecond(true, options, &lost));
        bareLost += lost;
    }
    reportRate("relay throughput", median(pluginRates), median(bareRates), "cmd/s", 0);
    reportDetail("median of %d rounds of %d commands, %d in flight; unanswered %d vs bare %d",
                 THROUGHPUT_ROUNDS, options.commands, options.inFlight, pluginLost, bareLost);
}
