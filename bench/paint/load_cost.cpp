/* Loading the plugin: how long LoadLibrary takes for Warble.dll, and how much private
   memory the loaded library adds to the process, against the bare library beside this
   program. Each load is undone before the next, so every one is a first load. */
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "paint/paint_bench.h"

#include <stdio.h>

namespace {

/* The process's private memory: committed memory of its own (heaps, stacks, what the
   loader allocates) and the writable pages of loaded images, which become the process's
   own copies. Counted from the address space itself, since the system's counter of
   private bytes stays at 0 under Wine. */
double privateKilobytes() {
    const DWORD writable =
        PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    double bytes = 0;
    MEMORY_BASIC_INFORMATION region;
    const BYTE *at = nullptr, *next;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        bool own =
            region.Type == MEM_PRIVATE || (region.Type == MEM_IMAGE && (region.Protect & writable));
        if (region.State == MEM_COMMIT && own) bytes += region.RegionSize;
        next = (const BYTE *)region.BaseAddress + region.RegionSize;
        if (next <= at) break; /* the top of the address space */
        at = next;
    }
    return bytes / 1024.0;
}

struct LoadSamples {
    std::vector<double> ms, kilobytes;
};

bool loadOnce(const std::string &path, LoadSamples &samples) {
    double before = privateKilobytes();
    Stopwatch watch;
    HMODULE module = LoadLibraryA(path.c_str());
    double ms = watch.milliseconds();
    if (!module) {
        fprintf(stderr, "bench: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return false;
    }
    samples.kilobytes.push_back(privateKilobytes() - before);
    samples.ms.push_back(ms);
    FreeLibrary(module);
    return true;
}

std::string bareLibrary() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    while (n > 0 && path[n - 1] != '\\')
        --n;
    return std::string(path, n) + "bare_library.dll";
}

} // namespace

void runLoadCost(const PaintOptions &options) {
    std::string plugin = copyPlugin(options.folder), bare = bareLibrary();
    if (plugin.empty()) return;
    int loads = options.iterations / 10 > 10 ? options.iterations / 10 : 10;
    LoadSamples pluginLoads, bareLoads;
    for (int i = 0; i < loads; ++i)
        if (!loadOnce(plugin, pluginLoads) || !loadOnce(bare, bareLoads)) return;
    reportCost("Load of Warble.dll", median(pluginLoads.ms), median(bareLoads.ms), "ms", 0);
    reportCost("Private memory of DLL", median(pluginLoads.kilobytes), median(bareLoads.kilobytes),
               "KB", 0);
    reportDetail("median of %d loads each, alternating; LoadLibraryA to its return, and the "
                 "process's private memory before and after",
                 loads);
}
