/* What tells whether a settings file changed, and whether a change has come to rest:
   its stamp (there or not, size, last write), and the rules for a file that may still
   be being written. */
#pragma once

#include <windows.h>

struct FileStamp {
    bool exists;
    DWORD sizeHigh, sizeLow;
    FILETIME written;
};

FileStamp stampFile(const char *path);
bool sameStamp(const FileStamp &a, const FileStamp &b);

/* How long to wait before a file with this stamp may be read: 0 once it has stood
   still for a quarter second, an empty file for 2 s (a writer may have truncated it
   and not written yet), and no program holds it open for writing. A file that is not
   there may be taken at once: no file is a state of its own. */
DWORD fileSettlesIn(const char *path, const FileStamp &stamp);
/* How long an empty file with this stamp must still stand before it may be taken: a
   writer may have truncated it and not written yet. 0 for any other file. */
DWORD emptySettlesIn(const FileStamp &stamp);
/* Milliseconds since the file was last written; a file dated in the future (a clock
   set back) counts as written long ago. */
ULONGLONG stampAge(const FileStamp &stamp);
/* The system's time now and the stamp's time of last write, in the file system's units
   (100 ns), so that a change of the plugin's and a save can be told apart in age. */
ULONGLONG timeNow();
ULONGLONG timeWritten(const FileStamp &stamp);
