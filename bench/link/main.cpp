/* The link benchmarks' program: starts winamp-sim.exe, the stand-in shell and a
   private copy of Warble.dll, then runs the benchmarks named on the command line; the
   CAD ones last, with winamp-sim.exe --cad in the Winamp player's place. */
#include "common/pump.h"
#include "common/setup.h"
#include "host.h"
#include "link/link_bench.h"
#include "link/player_process.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char USAGE[] =
    "nightjar.exe (link benchmarks) [title] [relay] [format] [drag] [hang] [cad] [options]\n"
    "  title   title change in winamp-sim to the plugin's TitleChange broadcast,\n"
    "          vs the same window event reaching a bare hook\n"
    "  relay   relay round trip and throughput vs a bare relay thread\n"
    "  format  CPU while playing with the elapsed time in the caption, vs without\n"
    "  drag    CPU while another program drags a window, vs the shell without Warble\n"
    "  hang    longest block of the shell's thread while the player hangs, and\n"
    "          endPlugin with the player hung\n"
    "  cad     with winamp-sim --cad as the player: a title change vs equal work,\n"
    "          and the shell's longest block while it hangs\n"
    "  (none named: all six)\n"
    "  --iterations N   title changes and round trips (default 50)\n"
    "  --commands N     relayed commands for the throughput (default 500)\n"
    "  --in-flight N    commands waiting at once, 1-10 (default 8)\n"
    "  --rounds N       rounds of the format and drag figures (default 3)\n"
    "  --seconds S      length of each format measurement (default 5; drag: twice)\n"
    "Environment: WARBLE_BIN (folder of Warble.dll and winamp-sim.exe).\n";

static const char SETTINGS[] = "Warble.plugin.x: 100\r\n"
                               "Warble.plugin.y: 100\r\n"
                               "Warble.plugin.width: 300\r\n"
                               "Warble.plugin.height: 20\r\n";

static int number(const char *text, int low, int high) {
    int v = atoi(text);
    return v < low ? low : v > high ? high : v;
}

/* The plugin's first look at the player ends in a Playing broadcast. */
static void waitForPlayer() {
    if (!pumpUntil([] { return countEvents("broadcast|@Warble_fromWinamp_Playing") > 0; }, 3000))
        fprintf(stderr, "bench: the plugin has not found the player\n");
    pumpFor(300);
}

/* The CAD figures: the Winamp player gives way to a CAD one, alone, and the plugin
   starts again to find it. */
static void runCad(const LinkOptions &options, const std::string &folder, const char *plugin) {
    hostUnloadPlugins();
    stopPlayer();
    HWND player = startPlayer(folder, true);
    if (!player) return;
    hostClearEvents();
    if (hostLoadPlugin(plugin, false) != 0) {
        fprintf(stderr, "bench: Warble.dll did not start\n");
        return;
    }
    waitForPlayer();
    runCadTitleLatency(options, player, plugin);
    runCadHangBlock(options, player, plugin);
}

int main(int argc, char **argv) {
    LinkOptions options;
    bool title = false, relay = false, hang = false, format = false, drag = false, cad = false;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!strcmp(a, "title"))
            title = true;
        else if (!strcmp(a, "relay"))
            relay = true;
        else if (!strcmp(a, "hang"))
            hang = true;
        else if (!strcmp(a, "format"))
            format = true;
        else if (!strcmp(a, "drag"))
            drag = true;
        else if (!strcmp(a, "cad"))
            cad = true;
        else if (!strcmp(a, "--rounds") && next)
            options.rounds = number(argv[++i], 1, 100);
        else if (!strcmp(a, "--seconds") && next)
            options.seconds = number(argv[++i], 1, 600);
        else if (!strcmp(a, "--iterations") && next)
            options.iterations = number(argv[++i], 1, 100000);
        else if (!strcmp(a, "--commands") && next)
            options.commands = number(argv[++i], 1, 1000000);
        else if (!strcmp(a, "--in-flight") && next)
            options.inFlight = number(argv[++i], 1, 10);
        else {
            fputs(USAGE, strcmp(a, "--help") ? stderr : stdout);
            return strcmp(a, "--help") ? 2 : 0;
        }
    }
    if (!title && !relay && !hang && !format && !drag && !cad)
        title = relay = hang = format = drag = cad = true;

    std::string folder = makeBenchFolder("link");
    std::string plugin;
    if (folder.empty() || !writeSettings(folder, SETTINGS) ||
        (plugin = copyPlugin(folder)).empty()) {
        fprintf(stderr, "bench: cannot prepare a working folder\n");
        return 1;
    }
    HWND player = startPlayer(folder);
    if (!player) {
        removeBenchFolder(folder);
        return 1;
    }
    HostOptions host;
    host.shellDir = folder.c_str();
    host.showSlit = false;
    host.popupMenus = false;
    int status = 1;
    if (!hostStart(host)) {
        fprintf(stderr, "bench: the shell did not start\n");
    } else if (hostLoadPlugin(plugin.c_str(), false) != 0) {
        fprintf(stderr, "bench: Warble.dll did not start\n");
        hostStop();
    } else {
        waitForPlayer();
        if (title) runTitleLatency(options, player, plugin.c_str());
        if (relay) runRelaySpeed(options, player);
        if (format) runFormatCpu(options, folder);
        if (drag) runDragCpu(options, plugin.c_str());
        if (hang) runHangBlock(options, player, plugin.c_str());
        if (cad) runCad(options, folder, plugin.c_str());
        hostStop();
        status = 0;
    }
    stopPlayer();
    removeBenchFolder(folder);
    return status;
}
