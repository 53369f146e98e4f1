/* The performance counter as seconds, and order statistics that do not mind the
   odd sample stretched by the machine's other work. */
#include "common/timing.h"

#include <algorithm>

double nowSeconds() {
    static double period = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return 1.0 / (double)f.QuadPart;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart * period;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    if (share < 0) share = 0;
    if (share > 1) share = 1;
    size_t at = (size_t)(share * (double)(values.size() - 1) + 0.5);
    return values[at];
}
