/* The caption made from the user's format: the title's fields and the times, free of
   any window. */
#pragma once

#include <stddef.h>
#include <wchar.h>

/* What a format can show of the track playing. Times in seconds; a length of 0 or less
   is a stream, which has none. */
struct CaptionFields {
    const wchar_t *title; /* as shown, with or without the track number */
    const wchar_t *bare;  /* without the track number */
    const wchar_t *track; /* the playlist number, or empty */
    int elapsed, length;
    bool paused;
    const wchar_t *album; /* empty where the player does not give it (Winamp's title) */
};

/* Fills out (size units) from format: %title%, %artist% and %song% (the bare title split
   at its first " - "; without one, no artist and the whole title), %track%, %elapsed%,
   %remaining%, %length% (m:ss, or h:mm:ss from an hour; %remaining% and %length% empty
   for a stream), %state% ("Paused" while paused, else empty), %album% (empty where the
   player does not give it), %% for a percent sign.
   Text in [ ] shows only when every field inside it, nested sections' included, has
   something to show; %[ and %] are brackets shown. Anything else, a bracket without its
   partner included, stands as it is; a long result is cut at a whole character. */
void formatCaption(const wchar_t *format, const CaptionFields &fields, wchar_t *out, size_t size);
/* Whether a format shows a time, which changes every second. */
bool formatShowsTime(const wchar_t *format);
