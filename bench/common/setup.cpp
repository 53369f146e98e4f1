/* Preparing and clearing a benchmark's working folder, and reading the shell's
   event record. */
#include "common/setup.h"
#include "host.h"

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

static std::string withBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

/* Wine reaches the Unix file system through drive Z:. */
static std::string windowsPath(const char *path) {
    std::string p = path;
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    for (char &c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string binFolder() {
    const char *bin = getenv("WARBLE_BIN");
    if (bin && *bin) return withBackslash(windowsPath(bin));
    char exe[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    if (n == 0 || n >= sizeof exe) return ".\\";
    std::string folder = exe;
    folder.resize(folder.find_last_of('\\') + 1);
    return folder + "..\\..\\bin\\";
}

std::string makeBenchFolder(const char *name) {
    char temp[MAX_PATH] = "";
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) return "";
    char folder[MAX_PATH + 64];
    snprintf(folder, sizeof folder, "%swarble-bench-%s-%lu", temp, name,
             (unsigned long)GetCurrentProcessId());
    CreateDirectoryA(folder, nullptr);
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "";
    return withBackslash(folder);
}

bool writeSettings(const std::string &folder, const char *lines) {
    FILE *file = fopen((folder + "Warble.rc").c_str(), "wb");
    if (!file) return false;
    bool written = fputs(lines, file) >= 0;
    return fclose(file) == 0 && written;
}

std::string copyPlugin(const std::string &folder) {
    std::string from = binFolder() + "Warble.dll";
    std::string to = folder + "Warble.dll";
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
        fprintf(stderr, "bench: cannot copy %s (set WARBLE_BIN)\n", from.c_str());
        return "";
    }
    return to;
}

void removeBenchFolder(const std::string &folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

int countEvents(const char *line) {
    int count = 0;
    for (const std::string &event : hostEvents())
        if (event == line) ++count;
    return count;
}
