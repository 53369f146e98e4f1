/* The benchmarks' output: one line per figure, the plugin's against the bare one. */
#pragma once

/* Prints "NAME: V UNIT vs bare B UNIT  ratio R (aim <= A)"; the ratio is value / bare,
   so above 1 the plugin costs more; aim 0 leaves the aim out. */
void reportCost(const char *name, double value, double bare, const char *unit, double aim);
/* For rates, where more is better: the ratio printed is still the plugin's cost
   against the bare one's, bare / value. */
void reportRate(const char *name, double value, double bare, const char *unit, double aim);
/* An indented detail line under a figure. */
void reportDetail(const char *format, ...);
