/* The shell's settings files: text lines "key: value", keys matched without regard to
   case. A file is parsed once for each stamp it has (size and last write) and every key
   is served from that, so a change made by hand or by another process is seen at once
   and a large file costs one read, not one a key; a file written a moment ago is
   compared by content too, as two writes that close may share a stamp. Every write rewrites the
   file through a temporary file in the same folder and a replacing move, so the file
   is never seen half-written. A file that
   cannot be read whole, or that is read-only, is never rewritten: the event record says
   why, and the plugin keeps the change in memory. A write also removes the temporary
   files that killed writes left beside the file. Lines may end in LF, CRLF or a lone CR. */
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
    for (const Line &line : splitLines(content)) {
        std::string key = keyOfLine(line.text);
        if (!key.empty() && !file.values.count(key))
            file.values[key] = trim(line.text.substr(line.text.find(':') + 1));
    }
    file.content = file.settled ? std::string() : content;
    if (file.result == FileRead::Unreadable)
        hostLog("store|%s|not read: the file cannot be read whole", path);
    else
        hostLog("store|%s|read: %lu bytes", path, (unsigned long)content.size());
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

bool writeWhole(const char *path, const std::string &content) {
    removeStaleTemporaries(path);
    DWORD attributes = GetFileAttributesA(path);
    DWORD kept = attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes & KEPT_ATTRIBUTES;
    std::string temporary = temporaryPath(path);
    FILE *file = fopen(temporary.c_str(), "wb");
    if (!file) return false;
    bool written = fwrite(content.data(), 1, content.size(), file) == content.size();
    written = fflush(file) == 0 && written;
    written = fclose(file) == 0 && written;
    if (written &&
        MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (kept) SetFileAttributesA(path, attributes);
        return true;
    }
    DeleteFileA(temporary.c_str());
    return false;
}

/* Why the file must be left as it is, or null when it may be rewritten; content gets
   what it holds. */
const char *keptBecause(const char *path, std::string &content) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return "the file is read-only";
    if (readFile(path, content) == FileRead::Unreadable) return "the file cannot be read whole";
    return nullptr;
}

void storeValue(const char *path, const char *key, const char *value) {
    if (!path || !*path || !key || strpbrk(key, "\r\n") || trim(key).empty()) return;
    /* A value is one line: a line break in it would make a second, stray line. */
    std::string text = value ? value : "";
    text = trim(text.substr(0, text.find_first_of("\r\n")));
    std::string wanted = normalKey(key);
    std::string newLine = trim(key);
    if (newLine.back() != ':') newLine += ':';
    newLine += " " + text;

    Locked hold(storeLock());
    std::string content;
    if (const char *why = keptBecause(path, content)) {
        hostLog("store|%s|not rewritten: %s", path, why);
        return;
    }
    std::vector<Line> lines = splitLines(content);
    bool replaced = false;
    std::string ignored;
    for (Line &line : lines) {
        if (lineValue(line.text, wanted, ignored)) {
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
    std::string out;
    for (const Line &line : lines)
        out += line.text + line.ending;
    writeWhole(path, out);
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
