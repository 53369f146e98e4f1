/* The benchmarks' clock and the summaries of repeated measurements. */
#pragma once

#include <vector>
#include <windows.h>

/* Seconds on the performance counter since an arbitrary start. */
double nowSeconds();

/* Times from a start mark. */
struct Stopwatch {
    double start = nowSeconds();
    double seconds() const { return nowSeconds() - start; }
    double milliseconds() const { return seconds() * 1e3; }
};

/* The middle value (the mean of the two middle ones for an even count); 0 when empty. */
double median(std::vector<double> values);
/* The value below which the given share (0..1) of the values lie; 0 when empty. */
double percentile(std::vector<double> values, double share);
