/* The shell's settings files: text lines "key: value", keys matched without regard to
   case, the first line of a key counting. A file is parsed once for each stamp it has
   (size and last write) and every key is served from that, so a change made by hand or
   by another process is seen at once and a large file costs one read, not one a key; a
   file written a moment ago is compared by content too, as two writes that close may
   share a stamp. A write changes one line and replaces the whole file under its name
   (settings_replace.cpp says how, and why no save of another program is lost); the
   text it wrote becomes the parse of the file's new stamp, so that reading the file
   back costs no parse. A file that cannot be read whole (over 32 MB, or failing part
   way) reads as empty and is never rewritten. Lines may end in LF, CRLF or a lone CR;
   a UTF-8 byte-order mark is skipped and kept. Texts are walked in place, line by
   line, without copying a line that holds no key, so a large file of comments costs
   little more than its read. */
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include "settings_replace.h"
#include "shell_internal.h"

namespace {

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
   never rewritten, so that nothing of it is lost. Read to its end in one call when
   its size holds still, as it does but for a writer at work. */
FileRead readFile(const char *path, std::string &content) {
    content.clear();
    if (!path || !*path) return FileRead::Missing;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? FileRead::Unreadable
                                                                   : FileRead::Missing;
    DWORD high = 0, size = GetFileSize(file, &high), got = 0;
    FileRead result = high || size > MAX_SETTINGS_FILE ? FileRead::Unreadable : FileRead::Whole;
    while (result == FileRead::Whole) {
        size_t had = content.size();
        content.resize(had + size + 1);
        if (!ReadFile(file, &content[had], size + 1, &got, nullptr)) result = FileRead::Unreadable;
        content.resize(had + got);
        if (got == 0 || content.size() > MAX_SETTINGS_FILE) break;
        size = 4096;
    }
    CloseHandle(file);
    if (content.size() > MAX_SETTINGS_FILE) result = FileRead::Unreadable;
    if (result != FileRead::Whole) content.clear();
    return result;
}

/* Walks a text's lines: each ends in LF, CRLF or a lone CR, the last maybe in none. The
   next break of each kind is looked for once, so a long text costs one pass. */
class LineWalk {
  public:
    LineWalk(const std::string &text, size_t from)
        : text_(text), at_(from), lf_(find('\n')), cr_(find('\r')) {}
    /* The next line: where it starts, where its text ends and where its break ends. */
    bool next(size_t &start, size_t &end, size_t &after) {
        if (at_ >= text_.size()) return false;
        if (lf_ < at_) lf_ = find('\n');
        if (cr_ < at_) cr_ = find('\r');
        start = at_;
        end = lf_ < cr_ ? lf_ : cr_;
        bool crlf = end == cr_ && cr_ + 1 == lf_ && lf_ < text_.size();
        after = end == text_.size() ? end : end + (crlf ? 2 : 1);
        at_ = after;
        return true;
    }

  private:
    size_t find(char c) const {
        const void *hit = memchr(text_.data() + at_, c, text_.size() - at_);
        return hit ? (const char *)hit - text_.data() : text_.size();
    }
    const std::string &text_;
    size_t at_, lf_, cr_;
};

/* The key a line holds, with its colon, blanks before it skipped: [keyStart, colon]. A
   comment line (# or !) holds none. */
bool keyOfLine(const std::string &text, size_t start, size_t end, size_t &keyStart, size_t &colon) {
    const char *found = (const char *)memchr(text.data() + start, ':', end - start);
    if (!found) return false;
    colon = found - text.data();
    keyStart = start;
    while (keyStart < colon && isBlank(text[keyStart]))
        ++keyStart;
    return colon > keyStart && text[keyStart] != '#' && text[keyStart] != '!';
}

/* The value of a key line: after the colon, blanks trimmed. */
std::string valueOfLine(const std::string &text, size_t colon, size_t end) {
    size_t first = colon + 1;
    while (first < end && isBlank(text[first]))
        ++first;
    while (end > first && isBlank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

struct NoCase {
    bool operator()(const std::string &a, const std::string &b) const {
        return _stricmp(a.c_str(), b.c_str()) < 0;
    }
};

const char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";

/* Where a file's first key may start: after a UTF-8 byte-order mark, which is not part
   of it. */
size_t textStart(const std::string &content) {
    return content.compare(0, 3, BYTE_ORDER_MARK) == 0 ? 3 : 0;
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

bool sameStamp(const WIN32_FILE_ATTRIBUTE_DATA &a, const WIN32_FILE_ATTRIBUTE_DATA &b) {
    return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
           CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}

/* Written long enough ago that any later write gets another stamp. */
bool aged(const WIN32_FILE_ATTRIBUTE_DATA &stamp) {
    return msSinceWritten(stamp.ftLastWriteTime) >= SAME_STAMP_MS;
}

/* The parsed files, by path; a few, as the shell reads its own files and the style too.
   Under the store's lock. */
std::map<std::string, ParsedFile, NoCase> &parsedFiles() {
    static std::map<std::string, ParsedFile, NoCase> files;
    return files;
}

const size_t PARSED_FILES = 8;

/* The entry of path, made anew from content (moved in) read or written under stamp. */
ParsedFile &parse(const char *path, const WIN32_FILE_ATTRIBUTE_DATA &stamp, FileRead result,
                  std::string &content) {
    auto &files = parsedFiles();
    if (files.size() >= PARSED_FILES && !files.count(path)) files.clear();
    ParsedFile &file = files[path];
    file.stamp = stamp;
    file.settled = aged(stamp);
    file.result = result;
    file.values.clear();
    LineWalk lines(content, textStart(content));
    size_t start, end, after, key, colon;
    while (lines.next(start, end, after)) {
        if (!keyOfLine(content, start, end, key, colon)) continue;
        std::string name = content.substr(key, colon + 1 - key);
        if (!file.values.count(name)) file.values[name] = valueOfLine(content, colon, end);
    }
    file.content.clear();
    if (!file.settled) file.content.swap(content);
    return file;
}

/* The file at path holds exactly content: compared a piece at a time as it is read,
   so that a large file costs no copy of itself. */
bool stillHolds(const char *path, const std::string &content) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    static char piece[256 * 1024];
    size_t at = 0;
    DWORD got = 0;
    bool same = true;
    while (same && ReadFile(file, piece, sizeof piece, &got, nullptr) && got > 0) {
        same = at + got <= content.size() && memcmp(piece, content.data() + at, got) == 0;
        at += got;
    }
    CloseHandle(file);
    return same && at == content.size();
}

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
        bool same = file.result == FileRead::Whole ? stillHolds(path, file.content)
                                                   : readFile(path, content) == file.result;
        if (same) {
            file.settled = isAged;
            if (isAged) file.content.clear();
            return &file;
        }
    }
    FileRead result = readFile(path, content);
    size_t size = content.size();
    bool marked = textStart(content) != 0;
    ParsedFile &file = parse(path, stamp, result, content);
    if (result == FileRead::Unreadable)
        hostLog("store|%s|not read: the file cannot be read whole", path);
    else
        hostLog("store|%s|read: %lu bytes", path, (unsigned long)size);
    if (marked)
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

/* A write's change: the key's first line made newLine, or newLine added at the end. */
struct SetLine : SettingsEdit {
    std::string key, newLine;
    std::string applyTo(const std::string &content) const override;
};

std::string SetLine::applyTo(const std::string &content) const {
    size_t from = textStart(content), start, end, after, keyStart, colon;
    LineWalk lines(content, from);
    std::string ending;
    for (bool first = true; lines.next(start, end, after); first = false) {
        if (first) ending = content.substr(end, after - end);
        if (keyOfLine(content, start, end, keyStart, colon) && colon + 1 - keyStart == key.size() &&
            _strnicmp(content.data() + keyStart, key.c_str(), key.size()) == 0)
            return content.substr(0, start) + newLine + content.substr(end);
    }
    /* Added after the last line, with the first line's break (CRLF in a file without);
       a last line without a break is given one. */
    if (ending.empty()) ending = "\r\n";
    std::string out = content;
    if (out.size() > from && out.back() != '\n' && out.back() != '\r') out += ending;
    return out + newLine + ending;
}

void storeValue(const char *path, const char *key, const char *value) {
    if (!path || !*path || !key || strpbrk(key, "\r\n") || trim(key).empty()) return;
    /* A value is one line: a line break in it would make a second, stray line. */
    std::string text = value ? value : "";
    text = trim(text.substr(0, text.find_first_of("\r\n")));
    SetLine change;
    change.key = normalKey(key);
    change.newLine = trim(key);
    if (change.newLine.back() != ':') change.newLine += ':';
    change.newLine += " " + text;

    Locked hold(storeLock());
    Replaced done;
    if (const char *why = replaceSettingsFile(path, change, done))
        hostLog("store|%s|not rewritten: %s", path, why);
    else
        parse(path, done.stamp, FileRead::Whole, done.text);
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

/* A number as the most common shells read it, atoi's way: blanks skipped, a sign, the
   digits up to the first other character, and 0 when there are none ("", "abc"); a
   number beyond an int is held at INT_MIN or INT_MAX rather than wrapped. Only a key
   that is not there gives the default. */
NJ_API int ReadInt(const char *path, const char *key, int defaultValue) {
    std::string value;
    if (!findValue(path, key, value)) return defaultValue;
    const char *digit = value.c_str();
    while (isBlank(*digit))
        ++digit;
    bool negative = *digit == '-';
    if (*digit == '-' || *digit == '+') ++digit;
    long long number = 0;
    for (; *digit >= '0' && *digit <= '9' && number <= INT_MAX; ++digit)
        number = number * 10 + (*digit - '0');
    if (negative) number = -number;
    return number < INT_MIN ? INT_MIN : number > INT_MAX ? INT_MAX : (int)number;
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
