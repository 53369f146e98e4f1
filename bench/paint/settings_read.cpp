/* A large settings file: the plugin's reconfigure (every key read and applied) with a
   15 MB Warble.rc just saved, against the shell reading one key of the same file once;
   and a toggle from the menu on that file (the plugin's write of the key and its read
   back), against the shell's own single write of one key of it. The file is saved anew
   before each measurement, so every one reads it afresh. */
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "nightjar/nightjar.h"
#include "paint/paint_bench.h"

#include <stdio.h>
#include <string>
#include <vector>

static const size_t LARGE_FILE = 15 << 20;

/* The keys the plugin reads, then comment lines up to the size: what a file grown by
   hand or by a tool that appends notes looks like. */
static std::string largeSettings(int round) {
    std::string text = "Warble.plugin.x: " + std::to_string(100 + round % 2) +
                       "\r\nWarble.plugin.y: 100\r\nWarble.plugin.width: 300\r\n"
                       "Warble.plugin.height: 20\r\n";
    std::string note = "# a note kept with the settings, as long as a line usually is\r\n";
    while (text.size() < LARGE_FILE)
        text += note;
    return text;
}

static bool save(const std::string &path, const std::string &text) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
}

/* A toggle of the border through the shell, as the menu sends it, against the shell's
   own write of the same key, each on the file saved a moment before: long enough before
   that the plugin has taken the save (its watch, on this thread, reads a file that keeps
   changing once a second at most) and writes at once rather than waiting for the file
   to settle. */
static const DWORD SETTLED_MS = 1300;
/* The toggled key is in every file saved: a key gone from a save waits 2 s. */
static const std::string BORDER = "Warble.plugin.showBorder: true\r\n";

static void measureToggle(const std::string &path, int rounds) {
    std::vector<double> plugin, bare;
    for (int round = 0; round < rounds; ++round) {
        if (!save(path, BORDER + largeSettings(round))) break;
        pumpFor(SETTLED_MS);
        Stopwatch toggle;
        hostBroadcast("@WarbleInternal ToggleBorder");
        plugin.push_back(toggle.milliseconds());
        if (!save(path, BORDER + largeSettings(round + 1))) break;
        pumpFor(SETTLED_MS);
        Stopwatch write;
        WriteString(path.c_str(), "Warble.plugin.showBorder:", round % 2 ? "true" : "false");
        bare.push_back(write.milliseconds());
    }
    if (plugin.empty() || bare.empty()) return;
    reportCost("A menu toggle with a 15 MB Warble.rc (vs the shell writing one key of it)",
               median(plugin), median(bare), "ms", 1.2);
    reportDetail("median of %d rounds; the toggle writes the key and reads it back", rounds);
}

void runSettingsRead(const PaintOptions &options) {
    std::string path = options.folder + "Warble.rc";
    if (!startLinkedPlugin()) {
        fprintf(stderr, "bench: the plugin did not start\n");
        return;
    }
    int rounds = options.rounds > 0 ? options.rounds : 3;
    std::vector<double> plugin, bare;
    for (int round = 0; round < rounds; ++round) {
        /* As the watch would take it: a quarter second after the save. */
        if (!save(path, largeSettings(round))) break;
        Sleep(300);
        Stopwatch reconfigure;
        SendMessageA(linkedPluginWindow(), MSG_RECONFIGURE, 0, 0);
        plugin.push_back(reconfigure.milliseconds());
        if (!save(path, largeSettings(round + 1))) break;
        Sleep(300);
        Stopwatch read;
        ReadString(path.c_str(), "Warble.plugin.x:", "");
        bare.push_back(read.milliseconds());
    }
    if (!plugin.empty() && !bare.empty()) {
        reportCost("Reconfigure with a 15 MB Warble.rc (vs the shell reading one key of it)",
                   median(plugin), median(bare), "ms", 0);
        reportDetail("median of %d rounds; aim: read and applied in under 1000 ms", rounds);
    }
    measureToggle(path, rounds);
    endLinkedPlugin();
    save(path, largeSettings(0).substr(0, 200));
}
