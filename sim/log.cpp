/* Message log output: a file opened for appending, or stdout. */
#include "log.h"
#include "utf8.h"

#include <cstdarg>
#include <cstdio>

static FILE *logFile = nullptr;

void logOpen(const char *path) {
    logClose();
    if (path) logFile = _wfopen(fromUtf8(path).c_str(), L"a");
}

void logClose() {
    if (logFile) fclose(logFile);
    logFile = nullptr;
}

void logLine(const char *format, ...) {
    char line[600];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    /* Keep one record per line even if a remote text carried line breaks. */
    for (char *p = line; *p; p++)
        if (*p == '\r' || *p == '\n') *p = ' ';
    FILE *out = logFile ? logFile : stdout;
    fprintf(out, "%s\n", line);
    fflush(out);
}
