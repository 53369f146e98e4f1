/* The paint benchmarks' program: starts the stand-in shell with a private working
   folder, then runs the benchmarks named on the command line. */
#include "common/setup.h"
#include "host.h"
#include "paint/paint_bench.h"
#include "plugin/instance.h"
#include "plugin/lifecycle.h"
#include "settings/options.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char USAGE[] =
    "nightjar.exe (paint benchmarks) [gdi] [cycle] [cpu] [load] [settings] [options]\n"
    "  gdi     GDI work of one paint of a 300x20 window vs BitBlt + DrawTextA\n"
    "  cycle   InvalidateRect + UpdateWindow of the plugin window vs a bare window\n"
    "  cpu     CPU per second of wall time, scrolling and idle, vs bare\n"
    "  load    LoadLibrary time and private memory of Warble.dll vs a bare DLL\n"
    "  settings  a reconfigure with a 15 MB Warble.rc vs the shell reading one key,\n"
    "            and a menu toggle on it vs the shell writing one key\n"
    "  (none named: all five)\n"
    "  --iterations N   paints per round (default 2000)\n"
    "  --rounds N       rounds, plugin and bare alternating (default 5; cpu: 3)\n"
    "  --seconds S      length of each CPU measurement (default 5)\n"
    "Environment: WARBLE_BIN (folder of Warble.dll), WARBLE_WINESERVER_PID,\n"
    "WARBLE_XSERVER_PID, WARBLE_CLK_TCK (for the servers' CPU time).\n";

const char SHORT_CAPTION[] = "Boards of Canada - Roygbiv";
const char LONG_CAPTION[] =
    "Godspeed You! Black Emperor - Storm: Lift Yr. Skinny Fists Like Antennas to Heaven! "
    "(Gathering Storm / Il Pleut a Mourir [+ Clatters Like Worms Looking for Water])";

static const char SETTINGS[] = "Warble.plugin.x: 100\r\n"
                               "Warble.plugin.y: 100\r\n"
                               "Warble.plugin.width: 300\r\n"
                               "Warble.plugin.height: 20\r\n"
                               "Warble.plugin.scrolling: true\r\n"
                               "Warble.plugin.alwaysontop: true\r\n";

HWND linkedPluginWindow() {
    Instance *running = runningInstance();
    return running ? running->display.placement.window : nullptr;
}

bool startLinkedPlugin() {
    return beginPlugin(GetModuleHandleA(nullptr)) == 0 && linkedPluginWindow();
}

void endLinkedPlugin() {
    endPlugin(GetModuleHandleA(nullptr));
}

static int number(const char *text, int low, int high) {
    int v = atoi(text);
    return v < low ? low : v > high ? high : v;
}

int main(int argc, char **argv) {
    PaintOptions options;
    bool gdi = false, cycle = false, cpu = false, load = false, settings = false;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!strcmp(a, "gdi"))
            gdi = true;
        else if (!strcmp(a, "cycle"))
            cycle = true;
        else if (!strcmp(a, "cpu"))
            cpu = true;
        else if (!strcmp(a, "load"))
            load = true;
        else if (!strcmp(a, "settings"))
            settings = true;
        else if (!strcmp(a, "--iterations") && next)
            options.iterations = number(argv[++i], 1, 1000000);
        else if (!strcmp(a, "--rounds") && next)
            options.rounds = number(argv[++i], 1, 1000);
        else if (!strcmp(a, "--seconds") && next)
            options.seconds = number(argv[++i], 1, 600);
        else {
            fputs(USAGE, strcmp(a, "--help") ? stderr : stdout);
            return strcmp(a, "--help") ? 2 : 0;
        }
    }
    if (!gdi && !cycle && !cpu && !load && !settings) gdi = cycle = cpu = load = settings = true;

    options.folder = makeBenchFolder("paint");
    if (options.folder.empty() || !writeSettings(options.folder, SETTINGS)) {
        fprintf(stderr, "bench: cannot prepare a working folder\n");
        return 1;
    }
    HostOptions host;
    host.shellDir = options.folder.c_str();
    host.showSlit = false;
    host.popupMenus = false;
    if (!hostStart(host)) {
        fprintf(stderr, "bench: the shell did not start\n");
        return 1;
    }

    int status = 0;
    if (gdi || cycle) {
        if (startLinkedPlugin()) {
            if (gdi) runGdiWork(options);
            if (cycle) runPaintCycle(options);
            endLinkedPlugin();
        } else {
            fprintf(stderr, "bench: the plugin did not start\n");
            status = 1;
        }
    }
    if (cpu) runCpuLoad(options);
    if (load) runLoadCost(options);
    if (settings) runSettingsRead(options);

    hostStop();
    removeBenchFolder(options.folder);
    return status;
}
