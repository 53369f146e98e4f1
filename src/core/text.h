/* Caption text in its two forms: UTF-16 for what the window shows, and the
   system code page for what the shell and other plugins exchange as text. */
#pragma once

#include <stddef.h>
#include <wchar.h>

/* The size of every text the plugin keeps, terminator included. */
enum { TEXT_SIZE = 260 };

/* value brought inside low to high. */
inline int clampInt(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

inline bool isHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

/* Copies at most size - 1 characters and always terminates. */
void copyText(char *to, const char *from, size_t size);

/* Copies at most size - 1 UTF-16 units and always terminates; a cut never
   leaves the first half of a surrogate pair at the end. */
void copyText(wchar_t *to, const wchar_t *from, size_t size);

/* Text in the system code page to UTF-16, cut to size - 1 units (size at most
   260) as copyText cuts. */
void widenText(const char *text, wchar_t *out, size_t size);

/* UTF-16 to the system code page; characters it cannot hold become the
   system's default character ("?"). Cut at whole characters so that at most
   size - 1 bytes and a terminator are written. */
void narrowText(const wchar_t *text, char *out, size_t size);
