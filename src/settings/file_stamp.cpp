/* Stamps of the settings file and the rules that keep a file still being written from
   being read. The time a file was last written is the file system's own, so a change
   is judged the same whether it was noticed at once or late. */
#include "settings/file_stamp.h"
#include "core/owners.h"

#include <string.h>

enum { QUIET_MS = 250, EMPTY_QUIET_MS = 2000 };

FileStamp stampFile(const char *path) {
    FileStamp stamp;
    memset(&stamp, 0, sizeof stamp);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.sizeHigh = data.nFileSizeHigh;
    stamp.sizeLow = data.nFileSizeLow;
    stamp.written = data.ftLastWriteTime;
    return stamp;
}

bool sameStamp(const FileStamp &a, const FileStamp &b) {
    return a.exists == b.exists && a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow &&
           CompareFileTime(&a.written, &b.written) == 0;
}

/* Another program may be writing the file: it has it open with write access, or lets
   nobody else read it. Either way this open, which reads and lets others only read,
   fails with a sharing violation. */
static bool heldForWriting(const char *path) {
    Handle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION;
}

static ULONGLONG ticksOf(const FILETIME &time) {
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

ULONGLONG timeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ticksOf(now);
}

ULONGLONG timeWritten(const FileStamp &stamp) {
    return ticksOf(stamp.written);
}

ULONGLONG stampAge(const FileStamp &stamp) {
    ULONGLONG now = timeNow(), written = timeWritten(stamp);
    if (now <= written) return ~0ull;
    /* Over seven minutes old is old enough for every rule here: no 64-bit division. */
    ULONGLONG ticks = now - written;
    return ticks >> 32 ? ~0ull : (DWORD)ticks / 10000;
}

static bool emptyFile(const FileStamp &stamp) {
    return stamp.exists && stamp.sizeHigh == 0 && stamp.sizeLow == 0;
}

DWORD emptySettlesIn(const FileStamp &stamp) {
    ULONGLONG age = stampAge(stamp);
    return emptyFile(stamp) && age < EMPTY_QUIET_MS ? (DWORD)(EMPTY_QUIET_MS - age) : 0;
}

DWORD fileSettlesIn(const char *path, const FileStamp &stamp) {
    if (!stamp.exists) return 0;
    DWORD quiet = emptyFile(stamp) ? EMPTY_QUIET_MS : QUIET_MS;
    ULONGLONG age = stampAge(stamp);
    if (age < quiet) return (DWORD)(quiet - age);
    return heldForWriting(path) ? QUIET_MS : 0;
}
