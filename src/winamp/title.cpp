/* Cleaning Winamp's window title into a track title, and the idle time text. */
#include "winamp/title.h"
#include "plugin/state.h"
#include "settings/settings.h"

#include <string.h>

int findRotated(const char *text, const char *pattern, int m) {
    int n = (int)strlen(text);
    for (int i = 0; i < n; ++i) {
        bool match = true;
        for (int j = 0; j < m; ++j)
            if (text[(i + j) % n] != pattern[j]) match = false;
        if (match) return i;
    }
    return -1;
}

static const char MARKER[] = "- Winamp ***";
static const int MARKER_LENGTH = 12;

void cleanWinampTitle(const char *raw, bool showTrackNumber, char *out, size_t size) {
    char title[TEXT_SIZE];
    copyText(title, raw, sizeof title);

    int pos = findRotated(title, MARKER, MARKER_LENGTH);
    if (pos != -1) {
        int n = (int)strlen(title);
        char ring[TEXT_SIZE];
        int k = 0;
        for (int i = (pos + MARKER_LENGTH) % n; i != pos; i = (i + 1) % n)
            ring[k++] = title[i];
        ring[k] = '\0';
        copyText(title, ring, sizeof title);
    }

    char *suffix = strstr(title, " - Winamp");
    if (suffix) *suffix = '\0';

    const char *result = title;
    const char *point = strchr(title, '.');
    if (!showTrackNumber && point) result = point[1] ? point + 2 : point + 1;
    copyText(out, result, size);
}

/* The conversions every C library's strftime knows; msvcrt ends the process
   on others, so a format using anything else is not handed to it. */
static bool isSafeTimeFormat(const char *format) {
    for (const char *p = format; *p; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '#') ++p;
        if (!*p || !strchr("aAbBcdHIjmMpSUwWxXyYzZ%", *p)) return false;
    }
    return true;
}

void formatIdleTime(const char *format, const struct tm *when, char *out, size_t size) {
    if (!isSafeTimeFormat(format)) format = DEFAULT_TIME_FORMAT;
    if (strftime(out, size, format, when) == 0 && size) out[0] = '\0';
}
