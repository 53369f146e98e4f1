/* CPU load per second of wall time, counting this process and the wineserver (and,
   shown apart, the X server): Warble.dll loaded as the shell loads it, scrolling a
   long caption and then showing a short one still, against a bare window repainted
   every 50 ms by a thread of its own (and looking for the player once a second, as the
   plugin does) and against this same process with no plugin.
   Beside them, for telling where the cost lies: the bare window drawing its text on
   the same ticks, and a thread that only wakes on the plugin's period. */
#include "common/cpu_time.h"
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "nightjar/nightjar.h"
#include "paint/bare_window.h"
#include "paint/paint_bench.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

static const DWORD SCROLL_PERIOD_MS = 50; /* the plugin's scroll tick */
static const DWORD SETTLE_MS = 500;

/* One measurement: the load, and the paints seen meanwhile. */
struct Phase {
    CpuLoad load;
    double paintsPerSecond;
};

static Phase measure(double seconds, LONG (*paints)()) {
    LONG before = paints ? paints() : 0;
    CpuSample from = sampleCpu();
    pumpFor((DWORD)(seconds * 1000));
    CpuSample to = sampleCpu();
    Phase phase;
    phase.load = cpuLoad(from, to);
    phase.paintsPerSecond = paints ? (paints() - before) / (to.wall - from.wall) : 0;
    return phase;
}

static HWND findPluginWindow() {
    struct Search {
        static BOOL CALLBACK check(HWND window, LPARAM found) {
            char name[32];
            if (GetClassNameA(window, name, sizeof name) && !strcmp(name, "Warble")) {
                *(HWND *)found = window;
                return FALSE;
            }
            return TRUE;
        }
    };
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Search::check, (LPARAM)&found);
    return found;
}

/* The bare scroller: invalidates the bare window on the plugin's period until told
   to stop. */
struct BareScroller {
    HWND window;
    HANDLE stop;
};

static DWORD WINAPI bareScrollThread(LPVOID parameter) {
    BareScroller *scroller = (BareScroller *)parameter;
    do
        InvalidateRect(scroller->window, nullptr, FALSE);
    while (WaitForSingleObject(scroller->stop, SCROLL_PERIOD_MS) == WAIT_TIMEOUT);
    return 0;
}

/* A thread that wakes on the scroll period and does nothing: what a timer of the
   plugin's period costs on its own, shown beside the idle figure. */
static DWORD WINAPI tickerThread(LPVOID stop) {
    while (WaitForSingleObject((HANDLE)stop, SCROLL_PERIOD_MS) == WAIT_TIMEOUT) {
    }
    return 0;
}

/* What any plugin that shows the player's title must do while nothing plays: once a
   second, look for the player's window and push the position and the caption to the
   companion plugin, as two broadcasts. The idle figure is measured against this. */
static DWORD WINAPI dutiesThread(LPVOID stop) {
    static const char slider[] = "@DOVozizuvav Control SetControlProperty winampslider Value "
                                 "0.000000";
    static const char label[] = "@DOVozizuvav Control SetAgent winamplabel Caption StaticText "
                                "\"Warble\"";
    while (WaitForSingleObject((HANDLE)stop, 1000) == WAIT_TIMEOUT) {
        FindWindowA("Winamp v1.x", nullptr);
        for (const char *text : {slider, label}) {
            DWORD_PTR ignored;
            SendMessageTimeoutA(GetNJWnd(), MSG_BROADCAST, 0, (LPARAM)text, SMTO_NORMAL, 1000,
                                &ignored);
        }
    }
    return 0;
}

/* The load of this process while a bare thread runs routine(stop) until stop is set. */
static Phase measureWithThread(double seconds, LPTHREAD_START_ROUTINE routine) {
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, routine, stop, 0, nullptr);
    pumpFor(SETTLE_MS);
    Phase phase = measure(seconds, nullptr);
    SetEvent(stop);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(stop);
    return phase;
}

/* The bare window repainted on the scroll period: empty, or drawing text; beside it, the
   same once-a-second look for the player and companion push that the plugin's link thread
   makes while it scrolls, so that both do equal work. */
static Phase measureBareScroll(double seconds, const WindowLook &look, const RECT &placed,
                               const char *text) {
    HWND bare = createBareWindow(look, placed.left, placed.top, placed.right - placed.left,
                                 placed.bottom - placed.top, text);
    BareScroller scroller = {bare, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE threads[] = {CreateThread(nullptr, 0, bareScrollThread, &scroller, 0, nullptr),
                        CreateThread(nullptr, 0, dutiesThread, scroller.stop, 0, nullptr)};
    pumpFor(SETTLE_MS);
    Phase phase = measure(seconds, barePaintCount);
    SetEvent(scroller.stop);
    WaitForMultipleObjects(2, threads, TRUE, 5000);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    CloseHandle(scroller.stop);
    destroyBareWindow(bare);
    return phase;
}

static void broadcastCaption(const char *caption) {
    std::string command = std::string("@Warble SetCaptionNow ") + caption;
    hostBroadcast(command.c_str());
}

/* The middle of each part of the load over the rounds. */
static Phase medianPhase(const std::vector<Phase> &phases) {
    std::vector<double> process, wineserver, xserver, paints;
    for (const Phase &p : phases) {
        process.push_back(p.load.process);
        wineserver.push_back(p.load.wineserver);
        xserver.push_back(p.load.xserver);
        paints.push_back(p.paintsPerSecond);
    }
    Phase m;
    m.load.process = median(process);
    m.load.wineserver = median(wineserver);
    m.load.xserver = median(xserver);
    m.paintsPerSecond = median(paints);
    return m;
}

static double medianTotal(const std::vector<Phase> &phases) {
    std::vector<double> totals;
    for (const Phase &p : phases)
        totals.push_back(p.load.total());
    return median(totals);
}

static void reportLoad(const char *name, const std::vector<Phase> &pluginRounds,
                       const std::vector<Phase> &bareRounds, double aim) {
    Phase plugin = medianPhase(pluginRounds), bare = medianPhase(bareRounds);
    reportCost(name, medianTotal(pluginRounds), medianTotal(bareRounds), "ms CPU/s", aim);
    char pluginServer[32] = "n/a", bareServer[32] = "n/a";
    if (plugin.load.wineserver >= 0)
        snprintf(pluginServer, sizeof pluginServer, "%.2f", plugin.load.wineserver);
    if (bare.load.wineserver >= 0)
        snprintf(bareServer, sizeof bareServer, "%.2f", bare.load.wineserver);
    reportDetail("process %.2f + wineserver %s vs bare %.2f + %s ms/s; paints %.1f/s vs %.1f/s",
                 plugin.load.process, pluginServer, bare.load.process, bareServer,
                 plugin.paintsPerSecond, bare.paintsPerSecond);
    if (plugin.load.xserver >= 0 && bare.load.xserver >= 0)
        reportDetail("X server (not in the figure): %.2f vs bare %.2f ms/s", plugin.load.xserver,
                     bare.load.xserver);
}

/* The rounds of one run, each phase's load in order. */
struct LoadRounds {
    std::vector<Phase> pluginIdle, pluginScroll, bareIdle, bareScroll, bareTicker, bareDrawing,
        bareDuties;
};

/* One round: the plugin loaded, still and then scrolling, and unloaded; then this
   process idle and then repainting the bare window. False when the plugin did not
   start. */
static bool measureRound(const PaintOptions &options, const std::string &plugin,
                         LoadRounds &rounds) {
    int started = hostLoadPlugin(plugin.c_str(), false);
    HWND window = findPluginWindow();
    if (started != 0 || !window) {
        fprintf(stderr, "bench: Warble.dll did not start (%d)\n", started);
        hostUnloadPlugins();
        return false;
    }
    countPaints(window);
    RECT placed;
    GetWindowRect(window, &placed);
    WindowLook look = lookOf(window);

    broadcastCaption(SHORT_CAPTION);
    pumpFor(SETTLE_MS * 2);
    rounds.pluginIdle.push_back(measure(options.seconds, countedPaints));
    broadcastCaption(LONG_CAPTION);
    pumpFor(SETTLE_MS);
    rounds.pluginScroll.push_back(measure(options.seconds, countedPaints));
    hostUnloadPlugins();

    pumpFor(SETTLE_MS);
    rounds.bareIdle.push_back(measure(options.seconds, nullptr));
    rounds.bareTicker.push_back(measureWithThread(options.seconds, tickerThread));
    rounds.bareDuties.push_back(measureWithThread(options.seconds, dutiesThread));
    rounds.bareScroll.push_back(measureBareScroll(options.seconds, look, placed, nullptr));
    rounds.bareDrawing.push_back(measureBareScroll(options.seconds, look, placed, LONG_CAPTION));
    pumpFor(SETTLE_MS);
    return true;
}

void runCpuLoad(const PaintOptions &options) {
    std::string plugin = copyPlugin(options.folder);
    if (plugin.empty()) return;
    int count = options.rounds > 0 ? options.rounds : 3;
    LoadRounds rounds;
    for (int round = 0; round < count; ++round)
        if (!measureRound(options, plugin, rounds)) return;

    reportLoad("CPU while scrolling (vs a bare window drawing its text on the same ticks, "
               "with the same once-a-second look)",
               rounds.pluginScroll, rounds.bareDrawing, 1.05);
    reportDetail("a bare window only repainted on the same ticks: %.2f ms CPU/s",
                 medianTotal(rounds.bareScroll));
    reportLoad("CPU while idle (vs the bare process making the same once-a-second look and "
               "companion push)",
               rounds.pluginIdle, rounds.bareDuties, 1.1);
    reportDetail("the idle process alone: %.2f ms CPU/s; plus a bare thread waking every %lu "
                 "ms: %.2f ms CPU/s",
                 medianTotal(rounds.bareIdle), (unsigned long)SCROLL_PERIOD_MS,
                 medianTotal(rounds.bareTicker));
    reportDetail(
        "median of %d rounds of %.0f s each; this process's time %s", count, options.seconds,
        sampleCpu().processPrecise ? "from /proc (ns)" : "from GetProcessTimes (10 ms steps)");
}
