/* The shell's settings files: text lines "key: value", keys matched without regard to
   case, the first line of a key counting. A file is parsed once for each stamp it has
   (size and last write) and every key is served from that, so a change made by hand or
   by another process is seen at once and a large file costs one read, not one a key; a
   file written a moment ago is compared by content too, as two writes that close may
   share a stamp. A write is compare-and-replace: it reads the file, writes the changed
   text to a temporary file in the same folder and, holding the file so that no other
   program can write it, checks that it is still the one it read, renames it aside and
   moves the new text in under its name (between the two renames the name is free for a
   moment: a new file saved then stands); the file is never seen half-written, and a
   save that lands meanwhile is never lost: the write reads again and redoes it. A
   file that cannot be read whole, is read-only, is held open by another program or was
   emptied a moment ago is never rewritten: the event record says why, and the writer
   finds its value not there. A write also removes the temporary files that killed
   writes left beside the file. Lines may end in LF, CRLF or a lone CR; a UTF-8
   byte-order mark is skipped and kept. */
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include "shell_internal.h"

namespace {

const size_t MAX_FILE_SIZE = 16 * 1024 * 1024; /* larger files read as empty */
const size_t READ_BUFFER_SIZE = 1024;

ShellLock &storeLock() {
    static ShellLock lock;
    return lock;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trim(const std::string &text) {
    size_t first = 0, last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

/* The key as it is compared: with its colon, blanks trimmed. */
std::string normalKey(const char *key) {
    std::string k = trim(key);
    if (k.empty() || k.back() != ':') k += ':';
    return k;
}

/* What reading a whole file gave. */
enum class FileRead { Whole, Missing, Unreadable };

/* A file too large or that fails part-way is unreadable: it reads as empty and is
   never rewritten, so that nothing of it is lost. */
FileRead readFile(const char *path, std::string &content) {
    content.clear();
    if (!path || !*path) return FileRead::Missing;
    FILE *file = fopen(path, "rb");
    if (!file)
        return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? FileRead::Unreadable
                                                                   : FileRead::Missing;
    char chunk[4096];
    size_t got;
    FileRead result = FileRead::Whole;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
        content.append(chunk, got);
        if (content.size() > MAX_FILE_SIZE) {
            result = FileRead::Unreadable;
            break;
        }
    }
    if (ferror(file)) result = FileRead::Unreadable;
    fclose(file);
    if (result != FileRead::Whole) content.clear();
    return result;
}

/* One line of a file: its text without the line break, and the break itself. */
struct Line {
    std::string text;
    std::string ending;
};

/* Lines end in LF, CRLF or a lone CR; each keeps its own ending. */
std::vector<Line> splitLines(const std::string &content) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find_first_of("\r\n", start);
        Line line;
        if (end == std::string::npos) {
            line.text = content.substr(start);
            start = content.size();
        } else {
            line.text = content.substr(start, end - start);
            bool crlf =
                content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
            line.ending = content.substr(end, crlf ? 2 : 1);
            start = end + line.ending.size();
        }
        lines.push_back(line);
    }
    return lines;
}

/* When the line holds the key, gives its value. Comment lines hold no key. */
bool lineValue(const std::string &line, const std::string &key, std::string &value) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    std::string lineKey = trim(line.substr(0, colon + 1));
    if (lineKey.empty() || lineKey[0] == '#' || lineKey[0] == '!') return false;
    if (lstrcmpiA(lineKey.c_str(), key.c_str()) != 0) return false;
    value = trim(line.substr(colon + 1));
    return true;
}

/* The key of a line as the index holds it, or empty for a line that holds none. */
std::string keyOfLine(const std::string &line) {
    size_t colon = line.find(':');
    if (colon == std::string::npos) return std::string();
    std::string key = trim(line.substr(0, colon + 1));
    if (key.size() < 2 || key[0] == '#' || key[0] == '!') return std::string();
    return key;
}

struct NoCase {
    bool operator()(const std::string &a, const std::string &b) const {
        return _stricmp(a.c_str(), b.c_str()) < 0;
    }
};

const char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";

/* A file saved as UTF-8 with a byte-order mark: the mark is not part of the first key. */
std::string withoutMark(const std::string &content, std::string &mark) {
    mark.clear();
    if (content.compare(0, 3, BYTE_ORDER_MARK) != 0) return content;
    mark = BYTE_ORDER_MARK;
    return content.substr(3);
}

/* A file as last parsed: its stamp, what reading it gave, its first value for each key,
   and its bytes until it has been seen unchanged after its last write has aged. */
struct ParsedFile {
    WIN32_FILE_ATTRIBUTE_DATA stamp;
    FileRead result;
    std::map<std::string, std::string, NoCase> values;
    bool settled; /* seen as it is after the write aged: a later write changes the stamp */
    std::string content;
};

/* Within this long of its last write a file may be written again under the same stamp
   (file times are kept in steps of a few milliseconds). */
const ULONGLONG SAME_STAMP_MS = 100;

bool sameStamp(const WIN32_FILE_ATTRIBUTE_DATA &a, const WIN32_FILE_ATTRIBUTE_DATA &b) {
    return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

/* Written long enough ago that any later write gets another stamp. */
bool aged(const WIN32_FILE_ATTRIBUTE_DATA &stamp) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER n = {{now.dwLowDateTime, now.dwHighDateTime}};
    ULARGE_INTEGER w = {
        {stamp.ftLastWriteTime.dwLowDateTime, stamp.ftLastWriteTime.dwHighDateTime}};
    return n.QuadPart >= w.QuadPart && (n.QuadPart - w.QuadPart) / 10000 >= SAME_STAMP_MS;
}

/* The parsed files, by path; a few, as the shell reads its own files and the style too.
   Under the store's lock. */
std::map<std::string, ParsedFile, NoCase> &parsedFiles() {
    static std::map<std::string, ParsedFile, NoCase> files;
    return files;
}

const size_t PARSED_FILES = 8;

/* The file at path as it is now, parsed again only when it changed. Under the store's
   lock; the result is valid until the lock is let go. */
const ParsedFile *parsedFile(const char *path) {
    WIN32_FILE_ATTRIBUTE_DATA stamp;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &stamp)) return nullptr;
    auto &files = parsedFiles();
    auto found = files.find(path);
    std::string content;
    if (found != files.end() && sameStamp(found->second.stamp, stamp)) {
        ParsedFile &file = found->second;
        if (file.settled) return &file;
        bool isAged = aged(stamp);
        if (readFile(path, content) == file.result && content == file.content) {
            file.settled = isAged;
            if (isAged) file.content.clear();
            return &file;
        }
    }
    if (files.size() >= PARSED_FILES && found == files.end()) files.clear();
    ParsedFile &file = files[path];
    file.stamp = stamp;
    file.settled = aged(stamp);
    file.result = readFile(path, content);
    file.values.clear();
    std::string mark;
    for (const Line &line : splitLines(withoutMark(content, mark))) {
        std::string key = keyOfLine(line.text);
        if (!key.empty() && !file.values.count(key))
            file.values[key] = trim(line.text.substr(line.text.find(':') + 1));
    }
    file.content = file.settled ? std::string() : content;
    if (file.result == FileRead::Unreadable)
        hostLog("store|%s|not read: the file cannot be read whole", path);
    else
        hostLog("store|%s|read: %lu bytes", path, (unsigned long)content.size());
    if (!mark.empty())
        hostLog("store|%s|the file is UTF-8: its byte-order mark is skipped (save it as ANSI)",
                path);
    return &file;
}

bool findValue(const char *path, const char *key, std::string &value) {
    if (!path || !*path || !key || !*key) return false;
    Locked hold(storeLock());
    const ParsedFile *file = parsedFile(path);
    if (!file || file->result != FileRead::Whole) return false;
    auto found = file->values.find(normalKey(key));
    if (found == file->values.end()) return false;
    value = found->second;
    return true;
}

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

/* A writer killed between creating its temporary file and the move leaves the file
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

/* What moving the new text in came to. */
enum class Swap { Done, Refused, NameTaken };

/* Moves the new text in under the file's name. The file, held open so that no other
   program writes it, is first renamed aside: the new text then takes the name only if
   it is still free, so that a save made in that moment as a new file stands, and the
   old text goes once the new one is in. A file that was not there is made only if it
   still is not. */
Swap swapIn(const char *path, const std::string &temporary, bool exists) {
    if (!exists)
        return MoveFileExA(temporary.c_str(), path, MOVEFILE_WRITE_THROUGH) ? Swap::Done
                                                                            : Swap::NameTaken;
    std::string aside = temporary + ".old";
    if (!MoveFileExA(path, aside.c_str(), 0)) return Swap::Refused;
    bool moved = MoveFileExA(temporary.c_str(), path, MOVEFILE_WRITE_THROUGH);
    /* Back under its name, unless a new save took it meanwhile. */
    if (!moved) MoveFileExA(aside.c_str(), path, 0);
    DeleteFileA(aside.c_str());
    return moved ? Swap::Done : Swap::NameTaken;
}

/* A file written this recently may still be emptied by a writer that has not written
   its text yet: no write is based on it. */
const ULONGLONG EMPTY_QUIET_MS = 2000;
/* How often a write reads the file again when it changed between the read and the
   replace, and how long it waits for a writer that holds the file open. */
const int WRITE_TRIES = 4;
const DWORD HELD_WAIT_MS = 5;

ULONGLONG msSinceWritten(const FILETIME &written) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER n = {{now.dwLowDateTime, now.dwHighDateTime}};
    ULARGE_INTEGER w = {{written.dwLowDateTime, written.dwHighDateTime}};
    return n.QuadPart > w.QuadPart ? (n.QuadPart - w.QuadPart) / 10000 : 0;
}

/* The file a write is based on: whether it is there, its stamp and its bytes. */
struct WriteBase {
    bool exists;
    DWORD size;
    FILETIME written;
    std::string content;
};

/* Reads the file as a write's base through a handle that lets nobody write meanwhile.
   Null when it may be rewritten, else why not (held tells that another program has it
   open, which may pass). */
const char *readBase(const char *path, WriteBase &base, bool &held, HANDLE *keep = nullptr) {
    held = false;
    base = WriteBase();
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return "the file is read-only";
    DWORD share = FILE_SHARE_READ | (keep ? FILE_SHARE_DELETE : 0);
    HANDLE file = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return nullptr;
        held = error == ERROR_SHARING_VIOLATION;
        return held ? "another program holds the file open" : "the file cannot be read whole";
    }
    BY_HANDLE_FILE_INFORMATION info;
    bool whole = GetFileInformationByHandle(file, &info) && info.nFileSizeHigh == 0 &&
                 info.nFileSizeLow <= MAX_FILE_SIZE;
    /* Held for the replace, the bytes are read again only when a second write may share
       the stamp: a large file is not read twice for nothing. */
    if (whole && (!keep || msSinceWritten(info.ftLastWriteTime) < SAME_STAMP_MS)) {
        base.content.resize(info.nFileSizeLow);
        DWORD got = 0;
        whole = ReadFile(file, &base.content[0], info.nFileSizeLow, &got, nullptr) &&
                got == info.nFileSizeLow;
    }
    if (keep && whole)
        *keep = file;
    else
        CloseHandle(file);
    if (!whole) return "the file cannot be read whole";
    base.exists = true;
    base.size = info.nFileSizeLow;
    base.written = info.ftLastWriteTime;
    if (base.size == 0 && msSinceWritten(base.written) < EMPTY_QUIET_MS)
        return "the file was emptied a moment ago and may still be being written";
    return nullptr;
}

/* The file is still the one the write read: same stamp and, when it was written so
   recently that a second write may share the stamp, the same bytes. While it is, hold
   keeps it open so that no other program can write it until the move. */
bool stillBase(const char *path, const WriteBase &base, HANDLE &hold) {
    WriteBase now;
    bool held;
    if (readBase(path, now, held, &hold) && (held || base.exists)) return false;
    if (now.exists != base.exists) return false;
    if (!now.exists) return true;
    if (now.size != base.size || CompareFileTime(&now.written, &base.written) != 0) return false;
    return msSinceWritten(now.written) >= SAME_STAMP_MS || now.content == base.content;
}

/* The file's text with the key set to newLine: its line replaced, or one added. */
std::string withLine(const std::string &content, const std::string &key,
                     const std::string &newLine) {
    std::string mark;
    std::vector<Line> lines = splitLines(withoutMark(content, mark));
    bool replaced = false;
    std::string ignored;
    for (Line &line : lines) {
        if (lineValue(line.text, key, ignored)) {
            line.text = newLine;
            replaced = true;
            break;
        }
    }
    if (!replaced) {
        std::string ending = lines.empty() || lines[0].ending.empty() ? "\r\n" : lines[0].ending;
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = ending;
        lines.push_back({newLine, ending});
    }
    std::string out = mark;
    for (const Line &line : lines)
        out += line.text + line.ending;
    return out;
}

/* Compare and replace: the new text is based on the file as read, and replaces it only
   if the file is still that one; a save that landed meanwhile is read and the change
   made again on top of it. Why it failed, or null. */
const char *replaceLine(const char *path, const std::string &key, const std::string &newLine) {
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
        if (!writeTemporary(temporary, withLine(base.content, key, newLine)))
            return "the file could not be replaced";
        DWORD attributes = GetFileAttributesA(path);
        HANDLE hold = INVALID_HANDLE_VALUE;
        Swap swap =
            stillBase(path, base, hold) ? swapIn(path, temporary, base.exists) : Swap::NameTaken;
        if (hold != INVALID_HANDLE_VALUE) CloseHandle(hold);
        if (swap == Swap::Done) {
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & KEPT_ATTRIBUTES))
                SetFileAttributesA(path, attributes);
            return nullptr;
        }
        DeleteFileA(temporary.c_str());
        if (swap == Swap::Refused) return "the file could not be replaced";
        why = "the file kept changing while it was written";
    }
    return why;
}

void storeValue(const char *path, const char *key, const char *value) {
    if (!path || !*path || !key || strpbrk(key, "\r\n") || trim(key).empty()) return;
    /* A value is one line: a line break in it would make a second, stray line. */
    std::string text = value ? value : "";
    text = trim(text.substr(0, text.find_first_of("\r\n")));
    std::string newLine = trim(key);
    if (newLine.back() != ':') newLine += ':';
    newLine += " " + text;

    Locked hold(storeLock());
    if (const char *why = replaceLine(path, normalKey(key), newLine))
        hostLog("store|%s|not rewritten: %s", path, why);
}

} // namespace

/* The words a flag is written with, in any case. */
const char *const TRUE_WORDS[] = {"true", "yes", "on", "1"};
const char *const FALSE_WORDS[] = {"false", "no", "off", "0"};

NJ_API bool ReadBool(const char *path, const char *key, bool defaultValue) {
    std::string value;
    if (!findValue(path, key, value)) return defaultValue;
    for (int i = 0; i < 4; ++i) {
        if (lstrcmpiA(value.c_str(), TRUE_WORDS[i]) == 0) return true;
        if (lstrcmpiA(value.c_str(), FALSE_WORDS[i]) == 0) return false;
    }
    return defaultValue;
}

NJ_API int ReadInt(const char *path, const char *key, int defaultValue) {
    std::string value;
    if (!findValue(path, key, value) || value.empty()) return defaultValue;
    char *end = nullptr;
    errno = 0;
    long long number = strtoll(value.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < INT_MIN || number > INT_MAX) return defaultValue;
    return (int)number;
}

std::string shellReadString(const char *path, const char *key, const char *fallback) {
    std::string value;
    return findValue(path, key, value) ? value : std::string(fallback ? fallback : "");
}

NJ_API const char *ReadString(const char *path, const char *key, const char *defaultValue) {
    static thread_local char buffer[READ_BUFFER_SIZE];
    std::string value;
    if (!findValue(path, key, value)) return defaultValue;
    shellCopyText(buffer, sizeof buffer, value.c_str());
    return buffer;
}

NJ_API void WriteBool(const char *path, const char *key, bool value) {
    hostLog("write|%s|%s|%s", path ? path : "", key ? key : "", value ? "true" : "false");
    storeValue(path, key, value ? "true" : "false");
}

NJ_API void WriteInt(const char *path, const char *key, int value) {
    hostLog("write|%s|%s|%d", path ? path : "", key ? key : "", value);
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    storeValue(path, key, text);
}

NJ_API void WriteString(const char *path, const char *key, const char *value) {
    hostLog("write|%s|%s|%s", path ? path : "", key ? key : "", value ? value : "");
    storeValue(path, key, value);
}

NJ_API bool FileExists(const char *path) {
    if (!path || !*path) return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
