/* The caption format: a small template of %field% names over the track's title and
   times, with optional sections in brackets that vanish when a field inside them has
   nothing to show. A name it does not know, or a bracket without its partner, is text
   like any other, so a format never fails. */
#include "winamp/caption_format.h"
#include "core/text.h"

#include <stdio.h>
#include <string.h>

namespace {

/* The caption as it is written: out holds used units and always ends in a null. */
struct Writer {
    wchar_t *out;
    size_t size, used;
};

/* Appends what fits of n units of text, never half a character. */
void append(Writer &w, const wchar_t *text, size_t n) {
    for (size_t i = 0; i < n && w.used + 1 < w.size; ++i) {
        bool pair = isHighSurrogate(text[i]) && i + 1 < n;
        if (pair && w.used + 2 >= w.size) break;
        w.out[w.used++] = text[i];
        if (pair) w.out[w.used++] = text[++i];
    }
    w.out[w.used] = L'\0';
}

void appendTime(Writer &w, int seconds) {
    if (seconds < 0) seconds = 0;
    wchar_t text[32] = {};
    if (seconds >= 3600)
        _snwprintf(text, 31, L"%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        _snwprintf(text, 31, L"%d:%02d", seconds / 60, seconds % 60);
    append(w, text, wcslen(text));
}

/* What a piece of the format is: a field, a section's start or end, or text. */
enum Piece {
    TEXT,
    PERCENT,
    OPEN_BRACKET,  /* %[ : a bracket shown */
    CLOSE_BRACKET, /* %] */
    SECTION_START,
    SECTION_END,
    TITLE,
    ARTIST,
    SONG,
    TRACK,
    ELAPSED,
    REMAINING,
    LENGTH,
    STATE,
    ALBUM
};

struct Name {
    const wchar_t *text;
    Piece piece;
};

const Name NAMES[] = {
    {L"%%", PERCENT},      {L"%[", OPEN_BRACKET},   {L"%]", CLOSE_BRACKET},
    {L"%title%", TITLE},   {L"%artist%", ARTIST},   {L"%song%", SONG},
    {L"%track%", TRACK},   {L"%elapsed%", ELAPSED}, {L"%remaining%", REMAINING},
    {L"%length%", LENGTH}, {L"%state%", STATE},     {L"%album%", ALBUM},
};

/* The piece at p and its length in units. */
Piece pieceAt(const wchar_t *p, size_t *n) {
    for (const Name &name : NAMES) {
        *n = wcslen(name.text);
        if (wcsncmp(p, name.text, *n) == 0) return name.piece;
    }
    *n = isHighSurrogate(p[0]) && p[1] ? 2 : 1;
    if (p[0] == L'[') return SECTION_START;
    if (p[0] == L']') return SECTION_END;
    return TEXT;
}

/* Whether the section starting after p's bracket has its closing bracket. */
bool sectionCloses(const wchar_t *p) {
    int depth = 1;
    size_t n = 0;
    for (; *p; p += n) {
        Piece piece = pieceAt(p, &n);
        if (piece == SECTION_START) ++depth;
        if (piece == SECTION_END && --depth == 0) return true;
    }
    return false;
}

/* One run of the format, at one depth of sections. */
struct Formatter {
    const CaptionFields &fields;
    Writer &w;

    void text(const wchar_t *text, size_t n, bool *complete) {
        if (!n) *complete = false;
        append(w, text, n);
    }

    void time(int seconds, bool known, bool *complete) {
        if (known)
            appendTime(w, seconds);
        else
            *complete = false;
    }

    void field(Piece piece, bool *complete);
    const wchar_t *run(const wchar_t *p, bool inSection, bool *complete);
};

void Formatter::field(Piece piece, bool *complete) {
    const wchar_t *dash = wcsstr(fields.bare, L" - ");
    bool stream = fields.length <= 0;
    switch (piece) {
    case TITLE: text(fields.title, wcslen(fields.title), complete); break;
    case ARTIST: text(fields.bare, dash ? (size_t)(dash - fields.bare) : 0, complete); break;
    case SONG: {
        const wchar_t *song = dash ? dash + 3 : fields.bare;
        text(song, wcslen(song), complete);
        break;
    }
    case TRACK: text(fields.track, wcslen(fields.track), complete); break;
    case ELAPSED: time(fields.elapsed, true, complete); break;
    case REMAINING: time(fields.length - fields.elapsed, !stream, complete); break;
    case LENGTH: time(fields.length, !stream, complete); break;
    case STATE: text(L"Paused", fields.paused ? 6 : 0, complete); break;
    case ALBUM: text(fields.album, fields.album ? wcslen(fields.album) : 0, complete); break;
    default: break;
    }
}

/* Writes the format from p to the end of the section (or of the format at the top),
   and returns where the format goes on. complete turns false when a field had nothing
   to show; a section with such a field, in itself or in a section of its own, is taken
   back whole. */
const wchar_t *Formatter::run(const wchar_t *p, bool inSection, bool *complete) {
    size_t n = 0;
    for (; *p; p += n) {
        Piece piece = pieceAt(p, &n);
        if (piece == SECTION_END && inSection) return p + n;
        if (piece == SECTION_START && sectionCloses(p + n)) {
            size_t mark = w.used;
            bool inner = true;
            p = run(p + n, true, &inner);
            n = 0;
            if (inner) continue;
            w.used = mark;
            w.out[mark] = L'\0';
            *complete = false;
        } else if (piece == TEXT || piece == SECTION_START || piece == SECTION_END) {
            append(w, p, n);
        } else if (piece == PERCENT || piece == OPEN_BRACKET || piece == CLOSE_BRACKET) {
            append(w, p + 1, 1);
        } else {
            field(piece, complete);
        }
    }
    return p;
}

const wchar_t *const TIME_FIELDS[] = {L"%elapsed%", L"%remaining%", L"%length%"};

} // namespace

void formatCaption(const wchar_t *format, const CaptionFields &fields, wchar_t *out, size_t size) {
    if (!size) return;
    out[0] = L'\0';
    Writer w = {out, size, 0};
    Formatter formatter = {fields, w};
    bool complete = true;
    formatter.run(format, false, &complete);
}

bool formatShowsTime(const wchar_t *format) {
    for (const wchar_t *field : TIME_FIELDS)
        if (wcsstr(format, field)) return true;
    return false;
}
