/* Text work on Winamp's window title and the idle time, free of any window. */
#pragma once

#include <stddef.h>
#include <time.h>

/* Index of the first place where pattern (length m) matches text read as a
   ring, or -1; an empty text gives -1. */
int findRotated(const char *text, const char *pattern, int m);

/* Turns Winamp's window title into the track title: undoes the scrolling
   rotation, cuts " - Winamp" and what follows, and drops the track number
   unless showTrackNumber. out holds size characters. */
void cleanWinampTitle(const char *title, bool showTrackNumber, char *out, size_t size);

/* Formats the time with format into out; a format the C library would reject
   falls back to the default one, so a bad setting never takes the shell down. */
void formatIdleTime(const char *format, const struct tm *when, char *out, size_t size);
