/* The settings store's write: the whole file replaced under its name, so that the name
   always names a whole file, and a save that another program makes meanwhile is never
   carried away. A write goes so:
   1. It reads the file (its text, its stamp and which file it is), through a handle that
      lets no Windows program write it meanwhile, and makes its new text from it.
   2. It writes the new text to a temporary file beside it.
   3. It opens the file again, for reading and deleting, sharing only reading: while it
      holds it, no Windows program writes it, deletes it, renames it or moves another
      file over it (they fail with a sharing violation or access denied, and save again).
      Through this hold it checks that the file is still the one it read: the same file,
      stamp and, when written so recently that a second write may share the stamp, the
      same bytes. Not so, and a save landed: the write starts again from 1.
   4. It swaps the two names in one step (Linux's exchange of two names, under Wine): the
      new text is then under the file's name, and the file it displaced under the
      temporary's. No moment passes without a whole file under the name.
   5. It checks that what it displaced is the file it held, unchanged. A program outside
      Windows (a Linux editor) ignores the hold: it may have moved its own file in
      between 3 and 4, or written the held one in place. Then that save, displaced but
      whole, is swapped back under the name, and the write starts again from 1 on top of
      it. What that second swap displaces is the write's own text, unless a still newer
      save has taken the name meanwhile: that one goes back in its turn, and the older
      save it replaced is dropped, as its writer's own save would have dropped it.
   Nothing displaced is removed unless it was checked to be the held file or the write's
   own text; a file that cannot be told so is kept beside, with a name of its own, and
   the event record says where. Where the names cannot be swapped (on Windows itself),
   4 moves the new text over the name (MoveFileEx, atomic too) once the hold is let go,
   and a save landing in that moment is lost: the window is one call long.
   A write is refused, and the event record says why, for a file that cannot be read
   whole, is read-only, was emptied a moment ago (its writer may not have written its
   text yet) or is held open by a program that forbids renaming it; a file held open by
   a writer is waited for a few times. The file is held only from 3 to 5, about as long
   as the write of the temporary file. A write also removes the temporary files that
   killed writes left beside the file. */
#include "settings_replace.h"

#include <cstdio>
#include <cstring>
#include "shell_internal.h"

ULONGLONG msSinceWritten(const FILETIME &written) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER n = {{now.dwLowDateTime, now.dwHighDateTime}};
    ULARGE_INTEGER w = {{written.dwLowDateTime, written.dwHighDateTime}};
    return n.QuadPart > w.QuadPart ? (n.QuadPart - w.QuadPart) / 10000 : 0;
}

namespace {

/* The temporary file of a write: the file's own name, the writer's process and thread. */
std::string temporaryPath(const char *path) {
    char suffix[48];
    snprintf(suffix, sizeof suffix, ".%lu.%lu.tmp", GetCurrentProcessId(), GetCurrentThreadId());
    return path + std::string(suffix);
}

/* Reads a decimal number of at most 32 bits at text, up to the next dot. */
bool readNumber(const char *&text, DWORD &number) {
    unsigned long long value = 0;
    const char *start = text;
    for (; *text >= '0' && *text <= '9'; ++text)
        if ((value = value * 10 + (DWORD)(*text - '0')) > 0xFFFFFFFFull) return false;
    number = (DWORD)value;
    return text != start && *text == '.';
}

/* When name is a temporary file of the settings file named file ("<file>.<pid>.<tid>.tmp",
   matched without regard to case as the file system does), gives the writer's process. */
bool temporaryOf(const char *name, const std::string &file, DWORD &writer) {
    if (strlen(name) <= file.size() || _strnicmp(name, file.c_str(), file.size()) != 0)
        return false;
    const char *rest = name + file.size();
    DWORD thread;
    return *rest++ == '.' && readNumber(rest, writer) && readNumber(++rest, thread) &&
           lstrcmpiA(rest, ".tmp") == 0;
}

/* A process that cannot be looked at is taken to run: its files are left alone. */
bool processRuns(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

/* A writer killed between creating its temporary file and the swap leaves the file
   behind. Under the store's lock no other write of this process is under way, so all of
   this process's are left over; another process's are once that process has ended. */
void removeStaleTemporaries(const std::string &path) {
    size_t slash = path.find_last_of("\\/:");
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string file = path.substr(folder.size());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + ".*.*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        DWORD writer;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !temporaryOf(found.cFileName, file, writer))
            continue;
        if (writer != GetCurrentProcessId() && processRuns(writer)) continue;
        std::string stale = folder + found.cFileName;
        if (DeleteFileA(stale.c_str()))
            hostLog("store|%s|removed: left by an ended write", stale.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

/* What the replaced file's attributes say of it beyond its content: a hidden or system
   file stays one after the rewrite. */
const DWORD KEPT_ATTRIBUTES = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

/* Writes content to the temporary file beside the file; false when it could not. */
bool writeTemporary(const std::string &temporary, const std::string &content) {
    FILE *file = fopen(temporary.c_str(), "wb");
    if (!file) return false;
    bool written = fwrite(content.data(), 1, content.size(), file) == content.size();
    written = fflush(file) == 0 && written;
    return fclose(file) == 0 && written;
}

/* A file written this recently may still be emptied by a writer that has not written
   its text yet: no write is based on it. */
const ULONGLONG EMPTY_QUIET_MS = 2000;
/* How often a write reads the file again when it changed between the read and the
   replace, and how long it waits for a writer that holds the file open. */
const int WRITE_TRIES = 4;
const DWORD HELD_WAIT_MS = 5;

/* Which file a name held, and its stamp. */
struct FileIdentity {
    DWORD volume, indexHigh, indexLow, size;
    FILETIME written;
};

bool identityOf(HANDLE file, FileIdentity &id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) || info.nFileSizeHigh != 0) return false;
    id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, info.nFileSizeLow,
          info.ftLastWriteTime};
    return true;
}

bool sameFile(const FileIdentity &a, const FileIdentity &b) {
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

bool sameStamp(const FileIdentity &a, const FileIdentity &b) {
    return a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

/* The file a write is based on: whether it is there, which it is, and its bytes. */
struct WriteBase {
    bool exists;
    FileIdentity id;
    std::string content;
};

/* Reads the whole file through handle; false when it could not. */
bool readThrough(HANDLE file, DWORD size, std::string &content) {
    content.resize(size);
    DWORD got = 0;
    return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0 &&
           (size == 0 || ReadFile(file, &content[0], size, &got, nullptr)) && got == size;
}

/* Reads the file as a write's base through a handle that lets nobody write meanwhile.
   Null when it may be rewritten, else why not (held tells that another program has it
   open, which may pass). With keep, the handle is the write's hold (it may also delete
   the file, and shares nothing but reading), kept open. */
const char *readBase(const char *path, WriteBase &base, bool &held, HANDLE *keep = nullptr) {
    held = false;
    base = WriteBase();
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return "the file is read-only";
    DWORD access = GENERIC_READ | (keep ? DELETE : 0);
    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return nullptr;
        held = error == ERROR_SHARING_VIOLATION;
        return held ? "another program holds the file open" : "the file cannot be read whole";
    }
    bool whole = identityOf(file, base.id) && base.id.size <= MAX_SETTINGS_FILE;
    /* Held for the replace, the bytes are read again only when a second write may share
       the stamp: a large file is not read twice for nothing. */
    if (whole && (!keep || msSinceWritten(base.id.written) < SAME_STAMP_MS))
        whole = readThrough(file, base.id.size, base.content);
    if (keep && whole)
        *keep = file;
    else
        CloseHandle(file);
    if (!whole) return "the file cannot be read whole";
    base.exists = true;
    if (base.id.size == 0 && msSinceWritten(base.id.written) < EMPTY_QUIET_MS)
        return "the file was emptied a moment ago and may still be being written";
    return nullptr;
}

/* What a swap of the new text came to (Unswapped: the names cannot be swapped here). */
enum class Swap { Done, Changed, Refused, Unswapped };

/* Holds the file and checks that it is still the one the write read. Refused when
   nothing writes it but a program holding it open forbids renaming it. */
Swap holdBase(const char *path, const WriteBase &base, HANDLE &hold) {
    WriteBase now;
    bool held;
    if (readBase(path, now, held, &hold)) {
        if (!held) return Swap::Changed;
        WriteBase reading;
        return readBase(path, reading, held) ? Swap::Changed : Swap::Refused;
    }
    if (!now.exists || !sameFile(now.id, base.id) || !sameStamp(now.id, base.id))
        return Swap::Changed;
    bool same = msSinceWritten(now.id.written) >= SAME_STAMP_MS || now.content == base.content;
    return same ? Swap::Done : Swap::Changed;
}

/* Under Wine on Linux, a Windows path's name in the Linux file system; else empty. */
std::string linuxName(const std::string &path) {
    typedef void(CDECL * HostVersion)(const char **, const char **);
    typedef char *(CDECL * UnixName)(const WCHAR *);
    static HostVersion hostVersion =
        (HostVersion)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_host_version");
    static UnixName unixName = (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"),
                                                                "wine_get_unix_file_name");
    const char *system = nullptr, *release = nullptr;
    if (hostVersion) hostVersion(&system, &release);
    WCHAR wide[MAX_PATH];
    if (!unixName || !system || strcmp(system, "Linux") != 0 ||
        !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return std::string();
    char *name = unixName(wide);
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
}

/* A Linux system call, made directly: under Wine, the Linux kernel answers it. */
long linuxCall(long number, long a, long b, long c, long d, long e) {
#if defined(__i386__)
    long result;
    __asm__ volatile("push %%ebx\n\tmov %2, %%ebx\n\tint $0x80\n\tpop %%ebx"
                     : "=a"(result)
                     : "0"(number), "g"(a), "c"(b), "d"(c), "S"(d), "D"(e)
                     : "memory");
    return result;
#else
    (void)number, (void)a, (void)b, (void)c, (void)d, (void)e;
    return -38; /* ENOSYS */
#endif
}

const long AT_FDCWD = -100;

/* Which file a Linux name holds, and its stamp, as Linux's statx gives them: looked at
   in a few microseconds, without a call to Wine's server. */
struct LinuxStamp {
    unsigned long long inode, size;
    long long seconds;
    unsigned nanoseconds;
    bool operator==(const LinuxStamp &o) const {
        return inode == o.inode && size == o.size && seconds == o.seconds &&
               nanoseconds == o.nanoseconds;
    }
};

bool linuxStamp(const std::string &name, LinuxStamp &stamp) {
    const long STATX = 383, NO_FOLLOW = 0x100, BASIC_STATS = 0x7ff;
    unsigned char info[256] = {};
    if (linuxCall(STATX, AT_FDCWD, (long)name.c_str(), NO_FOLLOW, BASIC_STATS, (long)info) != 0)
        return false;
    memcpy(&stamp.inode, info + 32, 8);
    memcpy(&stamp.size, info + 40, 8);
    memcpy(&stamp.seconds, info + 112, 8);
    memcpy(&stamp.nanoseconds, info + 120, 4);
    return true;
}

/* Swaps the files under two Linux names in one step (renameat2's RENAME_EXCHANGE). */
bool swapNames(const std::string &a, const std::string &b) {
    const long RENAMEAT2 = 353, RENAME_EXCHANGE = 2;
    return linuxCall(RENAMEAT2, AT_FDCWD, (long)a.c_str(), AT_FDCWD, (long)b.c_str(),
                     RENAME_EXCHANGE) == 0;
}

/* The Linux names of the file and its temporary file. */
struct SwapNames {
    std::string file, temporary;
};

bool removeLinuxName(const std::string &name) {
    const long UNLINK = 10;
    return linuxCall(UNLINK, (long)name.c_str(), 0, 0, 0, 0) == 0;
}

/* The stamp is the one Wine gave for the file: the same file, size and last write. */
bool stampOf(const LinuxStamp &linux, const FileIdentity &id) {
    ULARGE_INTEGER written = {{id.written.dwLowDateTime, id.written.dwHighDateTime}};
    unsigned long long time = (linux.seconds + 11644473600ull) * 10000000 + linux.nanoseconds / 100;
    return linux.inode == ((unsigned long long)id.indexHigh << 32 | id.indexLow) &&
           linux.size == id.size && time == written.QuadPart;
}

/* A save displaced by the swap, under the temporary's name, goes back under the file's
   name. What comes out should be the write's own text (ours): it is removed. Else a
   newer save took the name meanwhile: it goes back in its turn, and the older save it
   replaced comes out and is removed. Whatever cannot be told so is kept beside. */
void putBack(const char *path, const std::string &temporary, const SwapNames &names,
             LinuxStamp expected) {
    for (int turn = 0; turn < 2; ++turn) {
        LinuxStamp goingBack, out;
        if (!linuxStamp(names.temporary, goingBack) || !swapNames(names.temporary, names.file))
            break;
        if (linuxStamp(names.temporary, out) && out == expected) {
            removeLinuxName(names.temporary);
            return;
        }
        expected = goingBack;
    }
    char kept[48];
    snprintf(kept, sizeof kept, ".kept-%lu-%lu", GetCurrentProcessId(), GetTickCount());
    if (MoveFileExA(temporary.c_str(), (path + std::string(kept)).c_str(), 0))
        hostLog("store|%s|a save displaced by a write is kept beside as %s%s", path, path, kept);
}

/* Steps 4 and 5, under the hold: the swap, and the check of what it displaced, each
   through Linux's own calls, so that what a Linux program saved meanwhile is under the
   name again within microseconds. The temporary file is gone afterwards, unless the
   names could not be swapped. */
Swap swapChecked(const char *path, const std::string &temporary, const SwapNames &names,
                 const WriteBase &base) {
    LinuxStamp before, ours, displaced;
    if (!linuxStamp(names.temporary, ours) || !linuxStamp(names.file, before))
        return Swap::Unswapped;
    if (!stampOf(before, base.id)) {
        DeleteFileA(temporary.c_str());
        return Swap::Changed;
    }
    if (!swapNames(names.temporary, names.file)) return Swap::Unswapped;
    if (linuxStamp(names.temporary, displaced) && displaced == before) {
        removeLinuxName(names.temporary);
        return Swap::Done;
    }
    putBack(path, temporary, names, ours);
    return Swap::Changed;
}

/* Puts the new text, in the temporary file, under the file's name in place of the base
   (steps 3 to 5 of the write). The temporary file is gone afterwards. */
Swap swapIn(const char *path, const std::string &temporary, const WriteBase &base) {
    if (!base.exists) {
        if (MoveFileExA(temporary.c_str(), path, MOVEFILE_WRITE_THROUGH)) return Swap::Done;
        DeleteFileA(temporary.c_str());
        return Swap::Changed;
    }
    SwapNames names = {linuxName(path), linuxName(temporary)};
    HANDLE hold = INVALID_HANDLE_VALUE;
    Swap swap = holdBase(path, base, hold);
    bool swapped = false;
    if (swap == Swap::Done) {
        bool swappable = !names.file.empty() && !names.temporary.empty();
        swap = swappable ? swapChecked(path, temporary, names, base) : Swap::Unswapped;
        swapped = swap != Swap::Unswapped;
    }
    if (hold != INVALID_HANDLE_VALUE) CloseHandle(hold);
    if (swapped) return swap;
    DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (swap == Swap::Unswapped)
        swap = MoveFileExA(temporary.c_str(), path, replace) ? Swap::Done : Swap::Refused;
    if (swap != Swap::Done) DeleteFileA(temporary.c_str());
    return swap;
}

} // namespace

const char *replaceSettingsFile(const char *path, const SettingsEdit &edit, Replaced &done) {
    const char *why = "the file kept changing while it was written";
    removeStaleTemporaries(path);
    std::string temporary = temporaryPath(path);
    for (int attempt = 0; attempt < WRITE_TRIES; ++attempt) {
        WriteBase base;
        bool held;
        if ((why = readBase(path, base, held))) {
            if (!held) return why;
            Sleep(HELD_WAIT_MS);
            continue;
        }
        done.text = edit.applyTo(base.content);
        if (!writeTemporary(temporary, done.text) ||
            !GetFileAttributesExA(temporary.c_str(), GetFileExInfoStandard, &done.stamp)) {
            DeleteFileA(temporary.c_str());
            return "the file could not be replaced";
        }
        DWORD attributes = GetFileAttributesA(path);
        Swap swap = swapIn(path, temporary, base);
        if (swap == Swap::Done) {
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & KEPT_ATTRIBUTES))
                SetFileAttributesA(path, attributes);
            return nullptr;
        }
        if (swap == Swap::Refused) return "the file could not be replaced";
        why = "the file kept changing while it was written";
    }
    return why;
}
