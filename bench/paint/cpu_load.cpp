/* CPU load per second of wall time, counting this process and the wineserver (and,
   shown apart, the X server): Warble.dll loaded as the shell loads it, scrolling a
   long caption and then showing a short one still, against a bare window repainted
   every 50 ms by a thread of its own and against this same process with no plugin. */
#include "common/cpu_time.h"
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "host.h"
#include "paint/bare_window.h"
#include "paint/paint_bench.h"

#include <stdio.h>
#include <string>
#include <string.h>

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

static void broadcastCaption(const char *caption) {
    std::string command = std::string("@Warble SetCaptionNow ") + caption;
    hostBroadcast(command.c_str());
}

static void reportLoad(const char *name, const Phase &plugin, const Phase &bare, double aim) {
    reportCost(name, plugin.load.total(), bare.load.total(), "ms CPU/s", aim);
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

void runCpuLoad(const PaintOptions &options) {
    std::string plugin = copyPlugin(options.folder);
    if (plugin.empty()) return;
    int started = hostLoadPlugin(plugin.c_str(), false);
    HWND window = findPluginWindow();
    if (started != 0 || !window) {
        fprintf(stderr, "bench: Warble.dll did not start (%d)\n", started);
        hostUnloadPlugins();
        return;
    }
    countPaints(window);
    RECT placed;
    GetWindowRect(window, &placed);
    WindowLook look = lookOf(window);

    broadcastCaption(SHORT_CAPTION);
    pumpFor(SETTLE_MS * 2);
    Phase pluginIdle = measure(options.seconds, countedPaints);
    broadcastCaption(LONG_CAPTION);
    pumpFor(SETTLE_MS);
    Phase pluginScroll = measure(options.seconds, countedPaints);
    hostUnloadPlugins();

    pumpFor(SETTLE_MS);
    Phase bareIdle = measure(options.seconds, nullptr);
    HWND bare = createBareWindow(look, placed.left, placed.top, placed.right - placed.left,
                                 placed.bottom - placed.top);
    BareScroller scroller = {bare, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, bareScrollThread, &scroller, 0, nullptr);
    pumpFor(SETTLE_MS);
    Phase bareScroll = measure(options.seconds, barePaintCount);
    SetEvent(scroller.stop);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(scroller.stop);
    destroyBareWindow(bare);

    reportLoad("CPU while scrolling", pluginScroll, bareScroll, 1.3);
    reportLoad("CPU while idle", pluginIdle, bareIdle, 1.1);
    reportDetail("%.0f s each; this process's time %s; Warble.dll from %s", options.seconds,
                 sampleCpu().processPrecise ? "from /proc (ns)"
                                            : "from GetProcessTimes (10 ms steps)",
                 plugin.c_str());
}
