/* Caption text in UTF-16 and in the system code page, cut without splitting a
   character. */
#include "core/text.h"

#include <string.h>
#include <windows.h>

/* Copies units until the terminator or size - 1 of them; how many it copied. */
template <typename Unit> static size_t copyUnits(Unit *to, const Unit *from, size_t size) {
    size_t i = 0;
    if (from)
        for (; i + 1 < size && from[i]; ++i)
            to[i] = from[i];
    return i;
}

void copyText(char *to, const char *from, size_t size) {
    if (size == 0) return;
    to[copyUnits(to, from, size)] = '\0';
}

void copyText(wchar_t *to, const wchar_t *from, size_t size) {
    if (size == 0) return;
    size_t i = copyUnits(to, from, size);
    /* A pair cut after its first half would draw as a box: the half goes too. */
    if (from && from[i] && i > 0 && isHighSurrogate(to[i - 1])) --i;
    to[i] = L'\0';
}

void widenText(const char *text, wchar_t *out, size_t size) {
    if (size == 0) return;
    /* No code page takes more than three bytes for one unit of the result:
       this many bytes fill a caption, and a character that the byte limit
       splits lies past the cut. */
    enum { WINDOW = 4 * 260 };
    wchar_t wide[WINDOW + 1];
    int n = text ? (int)strnlen(text, WINDOW) : 0;
    int got = n > 0 ? MultiByteToWideChar(CP_ACP, 0, text, n, wide, WINDOW) : 0;
    wide[got > 0 ? got : 0] = L'\0';
    copyText(out, wide, size);
}

/* Bytes that the first n units of text take in the system code page. */
static int narrowLength(const wchar_t *text, int n) {
    return n > 0 ? WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr) : 0;
}

void narrowText(const wchar_t *text, char *out, size_t size) {
    if (size == 0) return;
    int room = (int)size - 1;
    int n = text ? (int)wcslen(text) : 0;
    /* Drop whole characters from the end until the rest fits: a double-byte
       character or a pair is never cut in half. */
    while (n > 0 && narrowLength(text, n) > room)
        n -= n >= 2 && isHighSurrogate(text[n - 2]) ? 2 : 1;
    int got = n > 0 ? WideCharToMultiByte(CP_ACP, 0, text, n, out, room, nullptr, nullptr) : 0;
    out[got > 0 ? got : 0] = '\0';
}
