/* Text work on Winamp's window title and the idle time, free of any window. */
#pragma once

#include <stddef.h>
#include <time.h>
#include <wchar.h>

/* Index of the first place where pattern (length m) matches text read as a
   ring, or -1; an empty text gives -1. */
int findRotated(const wchar_t *text, const wchar_t *pattern, int m);

/* Turns Winamp's window title, in any of its forms (plain, paused or stopped,
   each also as the scrolling ring), into the track title: undoes the rotation,
   cuts " - Winamp" and what follows, and drops Winamp's leading track number
   ("12. ") unless showTrackNumber. out holds size units; a character is never
   cut in half. */
void cleanWinampTitle(const wchar_t *title, bool showTrackNumber, wchar_t *out, size_t size);

/* Formats the time with format into out; a format the C library would reject
   falls back to the default one, so a bad setting never takes the shell down. */
void formatIdleTime(const char *format, const struct tm *when, char *out, size_t size);
