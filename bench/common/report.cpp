/* Formatting the figures: enough digits to compare, no more. */
#include "common/report.h"

#include <stdarg.h>
#include <stdio.h>

static void number(char *out, size_t size, double v) {
    double a = v < 0 ? -v : v;
    const char *format = a >= 100 ? "%.0f" : a >= 10 ? "%.1f" : a >= 1 ? "%.2f" : "%.3f";
    snprintf(out, size, format, v);
}

static void printFigure(const char *name, double value, double bare, const char *unit, double ratio,
                        bool haveRatio, double aim) {
    char v[32], b[32];
    number(v, sizeof v, value);
    number(b, sizeof b, bare);
    printf("%s: %s %s vs bare %s %s", name, v, unit, b, unit);
    if (haveRatio)
        printf("  ratio %.2f", ratio);
    else
        printf("  ratio n/a");
    if (aim > 0) printf(" (aim <= %.3g)", aim);
    printf("\n");
    fflush(stdout);
}

void reportCost(const char *name, double value, double bare, const char *unit, double aim) {
    printFigure(name, value, bare, unit, bare > 0 ? value / bare : 0, bare > 0, aim);
}

void reportRate(const char *name, double value, double bare, const char *unit, double aim) {
    printFigure(name, value, bare, unit, value > 0 ? bare / value : 0, value > 0, aim);
}

void reportDetail(const char *format, ...) {
    va_list args;
    va_start(args, format);
    printf("    ");
    vprintf(format, args);
    printf("\n");
    va_end(args);
    fflush(stdout);
}
