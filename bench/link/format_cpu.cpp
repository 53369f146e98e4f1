/* The caption format's cost while a track plays: CPU per second with the elapsed time
   in the caption, which changes it every second, against the same title without it.
   Each format is saved in Warble.rc and taken by a reconfigure, in alternating rounds. */
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

static double loadWith(const std::string &folder, const char *format, double seconds) {
    std::string settings = std::string("Warble.plugin.x: 100\r\nWarble.plugin.y: 100\r\n"
                                       "Warble.plugin.width: 300\r\nWarble.plugin.height: 20\r\n"
                                       "Warble.plugin.format: ") +
                           format + "\r\n";
    writeSettings(folder, settings.c_str());
    hostReconfigure();
    pumpFor(1500);
    CpuSample from = sampleCpu();
    pumpFor((DWORD)(seconds * 1000));
    return cpuLoad(from, sampleCpu()).total();
}

void runFormatCpu(const LinkOptions &options, const std::string &folder) {
    std::vector<double> withTime, plain;
    for (int round = 0; round < options.rounds; ++round) {
        withTime.push_back(loadWith(folder, "%title% [%elapsed%]", options.seconds));
        plain.push_back(loadWith(folder, "%title%", options.seconds));
    }
    reportCost("CPU while playing with %elapsed% in the caption (vs the same title without it)",
               median(withTime), median(plain), "ms CPU/s", 1.1);
    reportDetail("median of %d alternating rounds of %.0f s each", options.rounds, options.seconds);
}
