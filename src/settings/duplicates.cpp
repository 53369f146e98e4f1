/* Looking through the settings file for keys of the options written twice. It is read
   once a look, shared with any writer, at most its first 64 KB. */
#include "settings/duplicates.h"
#include "core/owners.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "nightjar/nightjar.h"

#include <stdio.h>
#include <string.h>

namespace {

enum { LOOKED_THROUGH = 64 * 1024 };

/* The file's first bytes, in a block the caller owns; the count is 0 when it cannot be read. */
struct FileStart {
    char *bytes;
    DWORD count;
};

FileStart readFileStart(const char *path) {
    FileStart read = {nullptr, 0};
    Handle file(CreateFileA(path, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return read;
    read.bytes = (char *)HeapAlloc(GetProcessHeap(), 0, LOOKED_THROUGH);
    if (read.bytes && !ReadFile(file, read.bytes, LOOKED_THROUGH, &read.count, nullptr))
        read.count = 0;
    return read;
}

/* FNV-1a over the bytes, never 0 (the watch's "not looked yet"). */
DWORD hashOf(const char *bytes, DWORD count) {
    DWORD hash = 2166136261u;
    for (DWORD i = 0; i < count; ++i)
        hash = (hash ^ (unsigned char)bytes[i]) * 16777619u;
    return hash ? hash : 1;
}

/* The row whose key the line from at to end holds, as the shell reads a key: from its
   first non-blank character to its first colon, in any case; comment lines hold none. */
const OptionRow *rowOfLine(const char *at, const char *end) {
    while (at < end && (*at == ' ' || *at == '\t'))
        ++at;
    const char *colon = (const char *)memchr(at, ':', end - at);
    if (!colon || colon - at >= 64 || *at == '#' || *at == '!') return nullptr;
    char key[64];
    memcpy(key, at, colon - at + 1);
    key[colon - at + 1] = '\0';
    for (const OptionRow &row : optionRows())
        if (lstrcmpiA(key, row.key) == 0) return &row;
    return nullptr;
}

/* The first key that a later line holds again, or null. */
const OptionRow *firstDuplicate(const char *bytes, DWORD count) {
    unsigned long long seen = 0;
    const char *end = bytes + count;
    for (const char *line = bytes; line < end;) {
        const char *next = (const char *)memchr(line, '\n', end - line);
        next = next ? next + 1 : end;
        const OptionRow *row = rowOfLine(line, next);
        if (row && (seen & rowBit(*row))) return row;
        if (row) seen |= rowBit(*row);
        line = next;
    }
    return nullptr;
}

} // namespace

void tellDuplicateKeys(DuplicateWatch &watch, const char *path) {
    FileStart read = readFileStart(path);
    DWORD state = hashOf(read.bytes, read.count);
    const OptionRow *twice =
        state == watch.lastState ? nullptr : firstDuplicate(read.bytes, read.count);
    if (read.bytes) HeapFree(GetProcessHeap(), 0, read.bytes);
    watch.lastState = state;
    if (!twice) return;
    const char *name = strrchr(path, '\\');
    char notice[128];
    snprintf(notice, sizeof notice, "WarblePlugin -> %s: %s appears twice; the first counts",
             name ? name + 1 : path, twice->key);
    SendMessageA(shellLink.host, MSG_SET_LABEL, 0, (LPARAM)notice);
}
