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
