/* The caption format: a small template of %field% names over the track's title and
   times. A name it does not know is text like any other, so a format never fails. */
#include "winamp/caption_format.h"
#include "core/text.h"

#include <stdio.h>
#include <string.h>

/* Appends what fits of n units of text, never half a character. */
static void append(wchar_t *out, size_t size, size_t *used, const wchar_t *text, size_t n) {
    for (size_t i = 0; i < n && *used + 1 < size; ++i) {
        bool pair = isHighSurrogate(text[i]) && i + 1 < n;
        if (pair && *used + 2 >= size) break;
        out[(*used)++] = text[i];
        if (pair) out[(*used)++] = text[++i];
    }
    out[*used] = L'\0';
}

static void appendTime(wchar_t *out, size_t size, size_t *used, int seconds) {
    if (seconds < 0) seconds = 0;
    wchar_t text[32] = {};
    if (seconds >= 3600)
        _snwprintf(text, 31, L"%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        _snwprintf(text, 31, L"%d:%02d", seconds / 60, seconds % 60);
    append(out, size, used, text, wcslen(text));
}

static const wchar_t *const TIME_FIELDS[] = {L"%elapsed%", L"%remaining%", L"%length%"};

/* Whether text at this place starts with the field's name. */
static bool at(const wchar_t *text, const wchar_t *name, size_t *n) {
    *n = wcslen(name);
    return wcsncmp(text, name, *n) == 0;
}

void formatCaption(const wchar_t *format, const CaptionFields &fields, wchar_t *out, size_t size) {
    if (!size) return;
    size_t used = 0, n = 0;
    out[0] = L'\0';
    const wchar_t *dash = wcsstr(fields.bare, L" - ");
    bool stream = fields.length <= 0;
    for (const wchar_t *p = format; *p;) {
        if (at(p, L"%%", &n)) {
            append(out, size, &used, L"%", 1);
        } else if (at(p, L"%title%", &n)) {
            append(out, size, &used, fields.title, wcslen(fields.title));
        } else if (at(p, L"%artist%", &n)) {
            if (dash) append(out, size, &used, fields.bare, (size_t)(dash - fields.bare));
        } else if (at(p, L"%song%", &n)) {
            const wchar_t *song = dash ? dash + 3 : fields.bare;
            append(out, size, &used, song, wcslen(song));
        } else if (at(p, L"%track%", &n)) {
            append(out, size, &used, fields.track, wcslen(fields.track));
        } else if (at(p, TIME_FIELDS[0], &n)) {
            appendTime(out, size, &used, fields.elapsed);
        } else if (at(p, TIME_FIELDS[1], &n)) {
            if (!stream) appendTime(out, size, &used, fields.length - fields.elapsed);
        } else if (at(p, TIME_FIELDS[2], &n)) {
            if (!stream) appendTime(out, size, &used, fields.length);
        } else {
            n = 1;
            append(out, size, &used, p, isHighSurrogate(p[0]) && p[1] ? 2 : 1);
            if (isHighSurrogate(p[0]) && p[1]) n = 2;
        }
        p += n;
    }
}

bool formatShowsTime(const wchar_t *format) {
    for (const wchar_t *field : TIME_FIELDS)
        if (wcsstr(format, field)) return true;
    return false;
}
