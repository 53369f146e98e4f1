/* What the window-event hook costs while some other window moves: CPU per second of this
   process and the wineserver while another program (win-event.exe) drags a window of its
   own, moving it every 10 ms, with Warble loaded against the same shell without it, in
   alternating rounds, and the same two with nothing dragged. Every move is an event of the
   desktop, which a hook that takes it has brought to the shell's thread. */
#include "common/cpu_time.h"
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"

#include <stdio.h>
#include <string>
#include <vector>

static const int DRAG_PERIOD_MS = 10;
static const DWORD DRAG_START_MS = 1500; /* the dragger's process starting, before the count */

/* The load while a dragger runs for the measurement and its start; -1 when it could not
   be started. The dragger ends by itself; a dragger still running long after is ended. */
static double loadWhileDragged(double seconds) {
    DWORD measured = (DWORD)(seconds * 1000);
    std::string exe = binFolder() + "win-event.exe";
    std::string line = "win-event drag " + std::to_string((measured + 2 * DRAG_START_MS) / 1000) +
                       " " + std::to_string(DRAG_PERIOD_MS);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION dragger = {};
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &dragger)) {
        fprintf(stderr, "bench: cannot start %s\n", exe.c_str());
        return -1;
    }
    pumpFor(DRAG_START_MS);
    CpuSample from = sampleCpu();
    pumpFor(measured);
    double load = cpuLoad(from, sampleCpu()).total();
    if (!pumpUntil([&] { return WaitForSingleObject(dragger.hProcess, 0) == WAIT_OBJECT_0; },
                   10000))
        TerminateProcess(dragger.hProcess, 1);
    CloseHandle(dragger.hThread);
    CloseHandle(dragger.hProcess);
    return load;
}

/* The load with nothing dragged: what the shell (and Warble's once-a-second look at the
   playing player) costs anyway, for telling the drag's own share. */
static double loadStill(double seconds) {
    pumpFor(DRAG_START_MS);
    CpuSample from = sampleCpu();
    pumpFor((DWORD)(seconds * 1000));
    return cpuLoad(from, sampleCpu()).total();
}

void runDragCpu(const LinkOptions &options, const char *plugin) {
    std::vector<double> loaded, bare, loadedStill, bareStill;
    double seconds = 2 * options.seconds;
    for (int round = 0; round < options.rounds; ++round) {
        loaded.push_back(loadWhileDragged(seconds));
        loadedStill.push_back(loadStill(options.seconds));
        hostUnloadPlugins();
        bare.push_back(loadWhileDragged(seconds));
        bareStill.push_back(loadStill(options.seconds));
        if (hostLoadPlugin(plugin, false) != 0) {
            fprintf(stderr, "bench: Warble.dll did not start again\n");
            return;
        }
        pumpFor(1500);
    }
    reportCost("CPU while another program drags a window (vs the shell without Warble)",
               median(loaded), median(bare), "ms CPU/s", 1.1);
    reportDetail("a move every %d ms; median of %d alternating rounds of %.0f s each",
                 DRAG_PERIOD_MS, options.rounds, seconds);
    reportDetail("without a drag (%.0f s): %.2f vs bare %.2f ms CPU/s; what the drag adds: "
                 "%.2f vs bare %.2f ms CPU/s",
                 options.seconds, median(loadedStill), median(bareStill),
                 median(loaded) - median(loadedStill), median(bare) - median(bareStill));
}
