/* Cleaning Winamp's window title into a track title, and the idle time text. */
#include "winamp/title.h"
#include "core/text.h"
#include "settings/options.h"

#include <string.h>

int findRotated(const wchar_t *text, const wchar_t *pattern, int m) {
    int n = (int)wcslen(text);
    for (int i = 0; i < n; ++i) {
        bool match = true;
        for (int j = 0; j < m; ++j)
            if (text[(i + j) % n] != pattern[j]) match = false;
        if (match) return i;
    }
    return -1;
}

/* Winamp's scrolling title is its whole plain title, the paused or stopped
   mark included, followed by " *** " and read as a ring: one of these marks
   stands between the end of the track title and its start. */
static const wchar_t *const RING_MARKERS[] = {
    L"- Winamp ***",
    L"- Winamp [Paused] ***",
    L"- Winamp [Stopped] ***",
};

/* Rebuilds the ring from just after its marker to just before it, without the
   blank that stood before " - Winamp" and the one after "***". A title that is
   no ring stays as it is. */
static void unrollRing(wchar_t *title) {
    for (const wchar_t *marker : RING_MARKERS) {
        int m = (int)wcslen(marker);
        int pos = findRotated(title, marker, m);
        if (pos == -1) continue;
        int n = (int)wcslen(title);
        wchar_t ring[TEXT_SIZE];
        int k = 0;
        for (int i = (pos + m) % n; i != pos; i = (i + 1) % n)
            ring[k++] = title[i];
        int start = k > 0 && ring[0] == L' ' ? 1 : 0;
        if (k > start && ring[k - 1] == L' ') --k;
        ring[k] = L'\0';
        copyText(title, ring + start, TEXT_SIZE);
        return;
    }
}

/* Length of Winamp's track number at the start of title: a run of digits and
   ". "; 0 when the title does not start with one. */
static size_t trackNumberLength(const wchar_t *title) {
    size_t i = 0;
    while (title[i] >= L'0' && title[i] <= L'9')
        ++i;
    return i > 0 && title[i] == L'.' && title[i + 1] == L' ' ? i + 2 : 0;
}

void cleanWinampTitle(const wchar_t *raw, bool showTrackNumber, wchar_t *out, size_t size) {
    wchar_t title[TEXT_SIZE];
    copyText(title, raw, TEXT_SIZE);
    unrollRing(title);

    wchar_t *suffix = wcsstr(title, L" - Winamp");
    if (suffix) *suffix = L'\0';
    /* Half a pair left at the end by the window text's own limit is no character. */
    size_t n = wcslen(title);
    if (n > 0 && isHighSurrogate(title[n - 1])) title[n - 1] = L'\0';

    const wchar_t *result = title;
    if (!showTrackNumber) result += trackNumberLength(title);
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
