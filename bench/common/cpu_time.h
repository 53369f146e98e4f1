/* CPU time spent for a benchmark: by this process, and by the programs that serve
   it - the wineserver and the X server - whose process ids the driver passes in
   $WARBLE_WINESERVER_PID and $WARBLE_XSERVER_PID (clock ticks per second in
   $WARBLE_CLK_TCK, 100 when unset). */
#pragma once

struct CpuSample {
    double wall;         /* seconds on the performance counter */
    double process;      /* seconds of CPU, user and kernel */
    bool processPrecise; /* from the threads' run times; else GetProcessTimes' 10 ms steps */
    double wineserver;   /* < 0 when unknown */
    double xserver;      /* < 0 when unknown */
};

CpuSample sampleCpu();

/* CPU milliseconds per second of wall time between two samples. */
struct CpuLoad {
    double process, wineserver, xserver; /* < 0 when unknown */
    double total() const { return process + (wineserver > 0 ? wineserver : 0); }
};

CpuLoad cpuLoad(const CpuSample &from, const CpuSample &to);
