/* soak.exe: a long listening session against two running stand-in shells, one with
   Warble and one without, both driven with the same traffic: a relay broadcast every
   100 ms to each, and a new title in the player every 2 s (the plugin scrolls it). Samples
   each shell's anonymous memory (from the kernel's view of its process), threads and
   handles, and prints the growth per second of each, fitted after a warm-up.

     soak.exe --warble-pid UNIX_PID --bare-pid UNIX_PID [--seconds S] [--every S]

   The pids are the shells' Linux processes; their memory is read through drive Z:. */
#define NOMINMAX
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>
#include <winternl.h>

namespace {

const char SHELL_CLASS[] = "NightjarShell";
const char PLUGIN_CLASS[] = "Warble";
const char PLAYER_CLASS[] = "Winamp v1.x";
const ULONG_PTR SHELL_BROADCAST = 1;         /* the shell's WM_COPYDATA code for --send */
const ULONG_PTR PLAYER_COMMAND = 0x5753494D; /* the player's WM_COPYDATA code */
const char RELAY[] = "@Warble_toWinamp WM_USER 104";
const NTSTATUS INFO_LENGTH_MISMATCH = (NTSTATUS)0xC0000004;
const DWORD RELAY_MS = 100, TITLE_MS = 2000, ANSWER_MS = 2000, FIND_MS = 20000;

/* One shell under watch and its samples. */
struct Shell {
    const char *name;
    DWORD unixPid = 0;
    HWND window = nullptr;
    DWORD process = 0;
    std::vector<double> seconds, anonKb;
    int threads[2] = {}, handles[2] = {}; /* first and last sample */
    int peakThreads = 0, peakHandles = 0;
};

bool sendText(HWND window, ULONG_PTR code, const std::string &text) {
    COPYDATASTRUCT data = {code, (DWORD)text.size() + 1, (void *)text.c_str()};
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, ANSWER_MS,
                               &answer) != 0;
}

/* The resident anonymous memory in /proc/PID/status; false when the process is gone. */
bool readAnonymousKb(DWORD unixPid, double &anonKb) {
    char path[64], line[256];
    snprintf(path, sizeof path, "Z:\\proc\\%lu\\status", unixPid);
    FILE *file = fopen(path, "rb");
    if (!file) return false;
    bool found = false;
    while (!found && fgets(line, sizeof line, file))
        if (!strncmp(line, "RssAnon:", 8)) found = (anonKb = atof(line + 8)) >= 0;
    fclose(file);
    return found;
}

/* Threads and handles of a process as Windows counts them (Wine gives the handle count
   only in the system's process list). */
bool countObjects(DWORD process, int &threads, int &handles) {
    std::vector<BYTE> list(1 << 16);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemProcessInformation, list.data(),
                                              (ULONG)list.size(), &needed)) == INFO_LENGTH_MISMATCH)
        list.resize(list.size() * 2);
    for (size_t at = 0; status == 0;) {
        const SYSTEM_PROCESS_INFORMATION *entry = (SYSTEM_PROCESS_INFORMATION *)&list[at];
        if ((DWORD)(ULONG_PTR)entry->UniqueProcessId == process) {
            threads = (int)entry->NumberOfThreads;
            handles = (int)entry->HandleCount;
            return true;
        }
        if (!entry->NextEntryOffset) break;
        at += entry->NextEntryOffset;
    }
    return false;
}

struct ShellSearch {
    Shell *warble, *bare;
    DWORD pluginProcess;
};

/* The shell whose process also holds the plugin's window is Warble's. */
BOOL CALLBACK matchShell(HWND window, LPARAM into) {
    ShellSearch *search = (ShellSearch *)into;
    char name[32] = "";
    DWORD process = 0;
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, SHELL_CLASS) != 0) return TRUE;
    GetWindowThreadProcessId(window, &process);
    Shell *shell = process == search->pluginProcess ? search->warble : search->bare;
    shell->window = window;
    shell->process = process;
    return TRUE;
}

bool findShells(Shell &warble, Shell &bare) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < FIND_MS; Sleep(100)) {
        ShellSearch search = {&warble, &bare, 0};
        HWND plugin = FindWindowA(PLUGIN_CLASS, nullptr);
        if (!plugin) continue;
        GetWindowThreadProcessId(plugin, &search.pluginProcess);
        EnumWindows(matchShell, (LPARAM)&search);
        if (warble.window && bare.window) return true;
    }
    return false;
}

void sample(Shell &shell, double at) {
    double anonKb = 0;
    int threads = 0, handles = 0;
    if (!readAnonymousKb(shell.unixPid, anonKb) || !countObjects(shell.process, threads, handles))
        return;
    if (shell.seconds.empty()) shell.threads[0] = threads, shell.handles[0] = handles;
    shell.threads[1] = threads, shell.handles[1] = handles;
    shell.peakThreads = std::max(shell.peakThreads, threads);
    shell.peakHandles = std::max(shell.peakHandles, handles);
    shell.seconds.push_back(at);
    shell.anonKb.push_back(anonKb);
}

/* Least-squares slope of the samples taken from warmUp on, and its standard error. */
void growth(const Shell &shell, double warmUp, double &slope, double &error) {
    std::vector<double> t, y;
    for (size_t i = 0; i < shell.seconds.size(); ++i)
        if (shell.seconds[i] >= warmUp) t.push_back(shell.seconds[i]), y.push_back(shell.anonKb[i]);
    slope = error = 0;
    size_t n = t.size();
    if (n < 3) return;
    double tm = 0, ym = 0, stt = 0, sty = 0, residual = 0;
    for (size_t i = 0; i < n; ++i)
        tm += t[i] / n, ym += y[i] / n;
    for (size_t i = 0; i < n; ++i)
        stt += (t[i] - tm) * (t[i] - tm), sty += (t[i] - tm) * (y[i] - ym);
    slope = sty / stt;
    for (size_t i = 0; i < n; ++i) {
        double off = y[i] - ym - slope * (t[i] - tm);
        residual += off * off;
    }
    error = std::sqrt(residual / (n - 2) / stt);
}

void report(const Shell &shell, double slope, double error) {
    printf("  %-7s anonymous memory %.0f -> %.0f kB, growth %.3f +- %.3f kB/s; threads %d -> %d "
           "(peak %d); handles %d -> %d (peak %d)\n",
           shell.name, shell.anonKb.front(), shell.anonKb.back(), slope, error, shell.threads[0],
           shell.threads[1], shell.peakThreads, shell.handles[0], shell.handles[1],
           shell.peakHandles);
}

int usage(const char *problem) {
    fprintf(stderr,
            "soak: %s\nusage: soak.exe --warble-pid PID --bare-pid PID [--seconds S] "
            "[--every S]\n",
            problem);
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    Shell warble, bare;
    warble.name = "warble";
    bare.name = "bare";
    long seconds = 600, every = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        long value = atol(argv[i + 1]);
        if (!strcmp(argv[i], "--warble-pid"))
            warble.unixPid = value;
        else if (!strcmp(argv[i], "--bare-pid"))
            bare.unixPid = value;
        else if (!strcmp(argv[i], "--seconds"))
            seconds = value;
        else if (!strcmp(argv[i], "--every"))
            every = value;
        else
            return usage("unknown option");
    }
    if (argc % 2 == 0 || !warble.unixPid || !bare.unixPid || seconds < 10 || every < 1)
        return usage("bad or missing values");
    HWND player = nullptr;
    for (DWORD start = GetTickCount(); !player && GetTickCount() - start < FIND_MS; Sleep(100))
        player = FindWindowA(PLAYER_CLASS, nullptr);
    if (!player || !findShells(warble, bare)) {
        fprintf(stderr, "soak: the player or the two shells did not show their windows\n");
        return 1;
    }

    DWORD start = GetTickCount(), nextRelay = 0, nextTitle = 0, nextSample = 0;
    unsigned titles = 0, unanswered = 0;
    for (;;) {
        DWORD now = GetTickCount() - start;
        if (now >= nextSample) {
            sample(warble, now / 1000.0);
            sample(bare, now / 1000.0);
            nextSample += every * 1000;
            if (now >= (DWORD)seconds * 1000) break;
        }
        if (now >= nextTitle) {
            char command[128];
            snprintf(command, sizeof command,
                     "title Soak Artist - A Title Long Enough To Scroll Across The Window %u",
                     ++titles);
            if (!sendText(player, PLAYER_COMMAND, command)) ++unanswered;
            nextTitle += TITLE_MS;
        }
        if (now >= nextRelay) {
            for (Shell *shell : {&warble, &bare})
                if (!sendText(shell->window, SHELL_BROADCAST, RELAY)) ++unanswered;
            nextRelay += RELAY_MS;
        }
        DWORD next = std::min(nextSample, std::min(nextTitle, nextRelay));
        now = GetTickCount() - start;
        if (next > now) Sleep(next - now);
    }

    if (warble.seconds.size() < 3 || bare.seconds.size() < 3) {
        fprintf(stderr, "soak: a shell ended or its memory could not be read\n");
        return 1;
    }
    double warmUp = std::min(60.0, seconds / 5.0), ws, we, bs, be;
    growth(warble, warmUp, ws, we);
    growth(bare, warmUp, bs, be);
    printf("Soak over %ld s (fitted after %.0f s), %u titles, %lu unanswered sends:\n", seconds,
           warmUp, titles, (unsigned long)unanswered);
    report(warble, ws, we);
    report(bare, bs, be);
    bool within = ws - bs <= 2 * std::sqrt(we * we + be * be);
    printf("Soak memory growth: %.3f kB/s vs bare %.3f kB/s  ratio - (%s the bare's)\n", ws, bs,
           within ? "within" : "BEYOND");
    return 0;
}
