/* The link benchmarks (Winamp and CAD players) and what they share: the options and the player. */
#pragma once

#include <string>
#include <windows.h>

struct LinkOptions {
    int iterations = 50; /* title changes and relay round trips */
    int commands = 500;  /* relayed commands for the throughput */
    int inFlight = 8;    /* commands waiting at once; the plugin has 10 slots and
                            evicts the oldest when all are busy */
    int rounds = 3;      /* alternating rounds of the caption format's CPU figure */
    double seconds = 5;  /* length of each of its measurements */
};

/* Unloads the plugin for its equal-work figure and loads it again. */
void runTitleLatency(const LinkOptions &options, HWND player, const char *plugin);
void runRelaySpeed(const LinkOptions &options, HWND player);
void runFormatCpu(const LinkOptions &options, const std::string &folder);
/* Unloads the plugin for the bare rounds and loads it again. */
void runDragCpu(const LinkOptions &options, const char *plugin);
/* Leaves the plugin unloaded: run it last. */
void runHangBlock(const LinkOptions &options, HWND player, const char *plugin);
/* The same with a CAD player: a title change against equal work (unloads the plugin
   and loads it again), and the shell's longest message while the player hangs. */
void runCadTitleLatency(const LinkOptions &options, HWND player, const char *plugin);
void runCadHangBlock(const LinkOptions &options, HWND player, const char *plugin);
