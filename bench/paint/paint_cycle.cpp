/* The whole paint cycle: InvalidateRect and UpdateWindow until the paint handler has
   returned, for the plugin's real window against a bare window of the same kind. */
#include "common/pump.h"
#include "common/report.h"
#include "common/timing.h"
#include "display/render.h"
#include "plugin/instance.h"
#include "settings/options.h"
#include "paint/bare_window.h"
#include "paint/paint_bench.h"

#include <stdio.h>
#include <vector>

/* UpdateWindow sends WM_PAINT straight to the window procedure, so the cycle is
   over when it returns. */
static double microsecondsPerCycle(HWND window, int count) {
    Stopwatch clock;
    for (int i = 0; i < count; ++i) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    return clock.seconds() * 1e6 / count;
}

void runPaintCycle(const PaintOptions &options) {
    setCaption(runningInstance()->display, SHORT_CAPTION);
    HWND plugin = linkedPluginWindow();
    RECT placed;
    GetWindowRect(plugin, &placed);
    int width = placed.right - placed.left, height = placed.bottom - placed.top;
    HWND bare = createBareWindow(lookOf(plugin), placed.left, placed.bottom + 20, width, height);
    if (!bare) {
        fprintf(stderr, "bench: cannot create the bare window\n");
        return;
    }
    countPaints(plugin);
    pumpFor(300);

    int rounds = options.rounds > 0 ? options.rounds : 5;
    int warmUp = options.iterations / 10 + 1;
    microsecondsPerCycle(plugin, warmUp);
    microsecondsPerCycle(bare, warmUp);
    LONG pluginPaints = countedPaints(), barePaints = barePaintCount();
    std::vector<double> pluginTimes, bareTimes;
    for (int round = 0; round < rounds; ++round) {
        pluginTimes.push_back(microsecondsPerCycle(plugin, options.iterations));
        bareTimes.push_back(microsecondsPerCycle(bare, options.iterations));
        pumpFor(20);
    }
    pluginPaints = countedPaints() - pluginPaints;
    barePaints = barePaintCount() - barePaints;
    destroyBareWindow(bare);

    reportCost("paint cycle", median(pluginTimes), median(bareTimes), "us/op", 1.2);
    long expected = (long)rounds * options.iterations;
    reportDetail("InvalidateRect + UpdateWindow, %dx%d; paints seen %ld and %ld of %ld each; "
                 "median of %d rounds",
                 width, height, (long)pluginPaints, (long)barePaints, expected, rounds);
}
