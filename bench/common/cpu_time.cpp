/* Process times from Linux's /proc, read through drive Z:, which is where Wine shows
   the Unix root: the run time of every thread in nanoseconds (task/N/schedstat),
   since the clock-tick counts of /proc/PID/stat and of GetProcessTimes under Wine
   step by 10 ms, too coarse for a few milliseconds of load a second. When /proc
   cannot be read: GetProcessTimes for this process, stat's ticks for the servers.
   Wine opens files in the wineserver, so /proc/self is the wineserver: this process
   finds its own Linux process by the command line Wine writes over its arguments. */
#include "common/cpu_time.h"
#include "common/timing.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>

static double fileTimeSeconds(const FILETIME &t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return (double)v.QuadPart * 1e-7;
}

static double processSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return fileTimeSeconds(kernel) + fileTimeSeconds(user);
}

static double ticksPerSecond() {
    const char *text = getenv("WARBLE_CLK_TCK");
    double ticks = text ? atof(text) : 0;
    return ticks > 0 ? ticks : 100;
}

/* utime + stime (fields 14 and 15) of a Linux process, counted after the command
   name, which sits in parentheses and may hold blanks; < 0 when unreadable. */
static double unixProcessSeconds(const char *pid) {
    char path[64];
    snprintf(path, sizeof path, "Z:\\proc\\%s\\stat", pid);
    FILE *file = fopen(path, "rb");
    if (!file) return -1;
    char line[1024];
    size_t n = fread(line, 1, sizeof line - 1, file);
    fclose(file);
    line[n] = '\0';
    const char *p = strrchr(line, ')');
    if (!p) return -1;
    unsigned long long utime = 0, stime = 0;
    /* After ")": state, ppid, pgrp, session, tty, tpgid, flags, minflt, cminflt,
       majflt, cmajflt, then utime and stime. */
    if (sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) !=
        2)
        return -1;
    return (double)(utime + stime) / ticksPerSecond();
}

/* The summed run time of the threads of a Linux process; < 0 when
   unreadable. A thread that ends between two samples takes its time with it, so the
   benchmarks measure phases in which no thread ends. */
static double unixThreadSeconds(const char *pid) {
    std::string tasks = std::string("Z:\\proc\\") + pid + "\\task\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((tasks + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    unsigned long long total = 0;
    int threads = 0;
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9') continue;
        FILE *file = fopen((tasks + found.cFileName + "\\schedstat").c_str(), "rb");
        if (!file) continue;
        unsigned long long ns = 0;
        if (fscanf(file, "%llu", &ns) == 1) {
            total += ns;
            ++threads;
        }
        fclose(file);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return threads ? (double)total * 1e-9 : -1;
}

/* The whole of a small /proc file, NULs and all; empty when unreadable. */
static std::string readProcFile(const std::string &path) {
    std::string content;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return content;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0 && content.size() < (1u << 20))
        content.append(chunk, got);
    fclose(file);
    return content;
}

static std::string lowered(std::string text) {
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
    return text;
}

static std::string baseName(const std::string &path) {
    size_t slash = path.find_last_of("\\/");
    return lowered(slash == std::string::npos ? path : path.substr(slash + 1));
}

/* Whether a /proc cmdline (the arguments as given to wine, NUL-separated) is this
   program's: the same file name, then the same arguments. */
static bool isOwnCommandLine(const std::string &cmdline) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < cmdline.size()) {
        size_t end = cmdline.find('\0', start);
        if (end == std::string::npos) end = cmdline.size();
        words.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    while (!words.empty() && words.back().empty())
        words.pop_back();
    if ((int)words.size() != __argc || __argc < 1) return false;
    if (baseName(words[0]) != baseName(__argv[0])) return false;
    for (int i = 1; i < __argc; ++i)
        if (words[i] != __argv[i]) return false;
    return true;
}

/* The Linux process with this program's command line in this Wine prefix; empty
   when there is not exactly one. */
static std::string findOwnUnixPid() {
    const char *prefix = getenv("WINEPREFIX");
    std::string prefixEntry = std::string("WINEPREFIX=") + (prefix ? prefix : "") + '\0';
    std::string match;
    int matches = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    do {
        const char *pid = found.cFileName;
        if (strspn(pid, "0123456789") != strlen(pid)) continue;
        std::string folder = std::string("Z:\\proc\\") + pid + "\\";
        if (!isOwnCommandLine(readProcFile(folder + "cmdline"))) continue;
        if (prefix && readProcFile(folder + "environ").find(prefixEntry) == std::string::npos)
            continue;
        match = pid;
        ++matches;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return matches == 1 ? match : "";
}

static double ownSeconds(bool *precise) {
    static std::string pid = findOwnUnixPid();
    double seconds = pid.empty() ? -1 : unixThreadSeconds(pid.c_str());
    *precise = seconds >= 0;
    return seconds >= 0 ? seconds : processSeconds();
}

static double serverSeconds(const char *pidVariable) {
    const char *pid = getenv(pidVariable);
    if (!pid || !*pid || strspn(pid, "0123456789") != strlen(pid) || strlen(pid) > 10) return -1;
    double seconds = unixThreadSeconds(pid);
    return seconds >= 0 ? seconds : unixProcessSeconds(pid);
}

CpuSample sampleCpu() {
    CpuSample s;
    s.wall = nowSeconds();
    s.process = ownSeconds(&s.processPrecise);
    s.wineserver = serverSeconds("WARBLE_WINESERVER_PID");
    s.xserver = serverSeconds("WARBLE_XSERVER_PID");
    return s;
}

static double perSecond(double from, double to, double wall) {
    if (from < 0 || to < 0 || wall <= 0) return -1;
    return (to - from) * 1e3 / wall;
}

CpuLoad cpuLoad(const CpuSample &from, const CpuSample &to) {
    double wall = to.wall - from.wall;
    CpuLoad load;
    load.process = perSecond(from.process, to.process, wall);
    load.wineserver = perSecond(from.wineserver, to.wineserver, wall);
    load.xserver = perSecond(from.xserver, to.xserver, wall);
    return load;
}
