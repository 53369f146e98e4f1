/* The paint benchmarks and what they share: the options, the captions, and the
   plugin's own code started inside this program. */
#pragma once

#include <string>
#include <windows.h>

struct PaintOptions {
    int iterations = 2000; /* paints per round */
    int rounds = 0;        /* alternating plugin and bare rounds, medians reported;
                              0: 5 for the paints, 3 for the CPU load */
    double seconds = 5;    /* length of each CPU load measurement */
    std::string folder;    /* the working folder with Warble.rc (and Warble.dll) */
};

/* A title of everyday length that fits the 300-pixel window, and one that must scroll. */
extern const char SHORT_CAPTION[];
extern const char LONG_CAPTION[];

/* The plugin's code linked into this program, started as the shell would start it. */
bool startLinkedPlugin();
void endLinkedPlugin();
/* Its display window, null when it is not started. */
HWND linkedPluginWindow();

void runGdiWork(const PaintOptions &options);
void runPaintCycle(const PaintOptions &options);
void runCpuLoad(const PaintOptions &options);
void runLoadCost(const PaintOptions &options);
void runSettingsRead(const PaintOptions &options);
