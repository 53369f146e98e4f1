/* The shell's event record: every broadcast, label, settings write, menu call and
   window registration in the order it happened, kept in memory for the runners that
   read it and, when asked, in a log file that is flushed line by line so that a watcher
   can follow it live. The record holds the texts as the plugins hand them over, in the
   ANSI code page; the file holds them in UTF-8, as the tools that read it expect. */
#include <cstdarg>
#include <cstdio>
#include "shell_internal.h"

namespace {

struct EventLog {
    ShellLock lock;
    std::vector<std::string> lines;
    FILE *file = nullptr;
    bool keepLines = true;
};

EventLog &eventLog() {
    static EventLog log;
    return log;
}

std::string inUtf8(const char *text) {
    int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide <= 0) return text;
    std::vector<wchar_t> unicode(wide);
    MultiByteToWideChar(CP_ACP, 0, text, -1, unicode.data(), wide);
    int size = WideCharToMultiByte(CP_UTF8, 0, unicode.data(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return text;
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, unicode.data(), -1, &utf8[0], size, nullptr, nullptr);
    utf8.resize(size - 1);
    return utf8;
}

} // namespace

void eventLogOpenFile(const char *path, bool keepLines) {
    EventLog &log = eventLog();
    Locked hold(log.lock);
    log.keepLines = keepLines;
    if (log.file) fclose(log.file);
    log.file = (path && *path) ? fopen(path, "ab") : nullptr;
}

void eventLogCloseFile() {
    EventLog &log = eventLog();
    Locked hold(log.lock);
    if (log.file) fclose(log.file);
    log.file = nullptr;
}

void hostLog(const char *format, ...) {
    char line[2048];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0) return;
    /* One event, one line: a text with line breaks in it must not split the record. */
    for (char *c = line; *c; ++c)
        if (*c == '\r' || *c == '\n') *c = ' ';

    EventLog &log = eventLog();
    Locked hold(log.lock);
    if (log.keepLines) log.lines.emplace_back(line);
    if (log.file) {
        fputs(inUtf8(line).c_str(), log.file);
        fputc('\n', log.file);
        fflush(log.file);
    }
}

std::vector<std::string> hostEvents() {
    EventLog &log = eventLog();
    Locked hold(log.lock);
    return log.lines;
}

void hostClearEvents() {
    EventLog &log = eventLog();
    Locked hold(log.lock);
    log.lines.clear();
}
