/* The integration runner's harness: see harness.h. */
#include "harness.h"
#include "host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tlhelp32.h>

namespace {

std::string theShellDir;

} // namespace

void pump(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return;
        DWORD slice = ms - elapsed < 10 ? ms - elapsed : 10;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    }
}

bool pumpUntil(const std::function<bool()> &done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return done();
        pump(10);
    }
    return true;
}

std::string binDir() {
    const char *env = getenv("WARBLE_BIN");
    std::string folder;
    if (env && *env) {
        folder = env;
        /* ctest hands over a Unix path; Wine shows the Unix root as drive Z:. */
        if (folder[0] == '/') folder = "Z:" + folder;
        for (char &c : folder)
            if (c == '/') c = '\\';
    } else {
        char exe[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, exe, sizeof exe);
        folder = exe;
        folder = folder.substr(0, folder.rfind('\\') + 1) + "..\\..\\bin";
    }
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

std::string shellDir() {
    return theShellDir;
}
void setShellDir(const std::string &folder) {
    theShellDir = folder;
}

std::string makeTempFolder(const char *stem) {
    static int counter = 0;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    for (;;) {
        char name[MAX_PATH + 64];
        snprintf(name, sizeof name, "%s%s-%lu-%d-%lu", temp, stem, GetCurrentProcessId(), ++counter,
                 GetTickCount());
        if (CreateDirectoryA(name, nullptr)) return std::string(name) + "\\";
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
    }
}

void removeFolder(const std::string &folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeFolder(folder + name + "\\");
            else
                DeleteFileA((folder + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void writeFile(const std::string &path, const std::string &content) {
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

std::string readFile(const std::string &path) {
    /* Shared for everything: winamp-sim may be appending to its log meanwhile. */
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        content.append(chunk, got);
    CloseHandle(file);
    return content;
}

std::vector<std::string> readLines(const std::string &path) {
    std::vector<std::string> lines;
    std::string content = readFile(path), line;
    for (char c : content) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

bool fileExists(const std::string &path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> events() {
    return hostEvents();
}

int findEvent(const std::vector<std::string> &list, const std::string &line, int from) {
    for (size_t i = from < 0 ? 0 : (size_t)from; i < list.size(); ++i)
        if (list[i] == line) return (int)i;
    return -1;
}

std::vector<std::string> eventsStartingWith(const std::string &prefix) {
    std::vector<std::string> matching;
    for (const std::string &line : hostEvents())
        if (line.compare(0, prefix.size(), prefix) == 0) matching.push_back(line);
    return matching;
}

bool waitForEvent(const std::string &line, DWORD timeoutMs) {
    return pumpUntil([&] { return findEvent(hostEvents(), line) >= 0; }, timeoutMs);
}

std::string hexWindow(HWND window) {
    char text[16];
    snprintf(text, sizeof text, "%08lX", (unsigned long)(UINT_PTR)window);
    return text;
}

int threadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++count;
    CloseHandle(snapshot);
    return count;
}

HWND pluginWindow() {
    return FindWindowA("Warble", nullptr);
}

RECT windowRect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

/* ---- message boxes ---------------------------------------------------------------------- */

MessageBoxCloser::MessageBoxCloser(const char *caption) : caption_(caption) {
    thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

MessageBoxCloser::~MessageBoxCloser() {
    InterlockedExchange(&stop_, 1);
    if (thread_) {
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
}

std::string MessageBoxCloser::closedText(DWORD timeoutMs) {
    if (thread_) {
        pumpUntil([&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }, timeoutMs);
        InterlockedExchange(&stop_, 1);
    }
    return text_;
}

static BOOL CALLBACK collectStaticText(HWND child, LPARAM into) {
    char className[64] = "", text[512] = "";
    GetClassNameA(child, className, sizeof className);
    GetWindowTextA(child, text, sizeof text);
    if (lstrcmpiA(className, "Static") == 0 && text[0]) *(std::string *)into = text;
    return TRUE;
}

struct DialogSearch {
    HWND found = nullptr;
};

/* Any dialog of this process: a box whose caption is not the expected one must not stop
   the test thread for ever either. */
static BOOL CALLBACK findOwnDialog(HWND window, LPARAM into) {
    char className[16] = "";
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && strcmp(className, "#32770") == 0 &&
        IsWindowVisible(window)) {
        ((DialogSearch *)into)->found = window;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI MessageBoxCloser::watch(LPVOID self) {
    const DWORD ANY_DIALOG_AFTER_MS = 3000, GIVE_UP_MS = 10000;
    MessageBoxCloser *closer = (MessageBoxCloser *)self;
    DWORD start = GetTickCount();
    while (!closer->stop_ && GetTickCount() - start < GIVE_UP_MS) {
        HWND box = FindWindowA("#32770", closer->caption_.c_str());
        bool expected = box != nullptr;
        if (!box && GetTickCount() - start >= ANY_DIALOG_AFTER_MS) {
            DialogSearch search;
            EnumWindows(findOwnDialog, (LPARAM)&search);
            box = search.found;
        }
        if (box) {
            std::string text;
            EnumChildWindows(box, collectStaticText, (LPARAM)&text);
            if (!expected) {
                char caption[256] = "";
                GetWindowTextA(box, caption, sizeof caption);
                text = std::string("[box captioned \"") + caption + "\"] " + text;
            }
            closer->text_ = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

/* ---- the plugin ------------------------------------------------------------------------- */

void PluginTest::SetUp() {
    folder_ = makeTempFolder("warble-plugin");
    ASSERT_FALSE(folder_.empty());
    dllPath_ = folder_ + "Warble.dll";
    ASSERT_TRUE(CopyFileA((binDir() + "Warble.dll").c_str(), dllPath_.c_str(), FALSE))
        << "cannot copy " << binDir() << "Warble.dll";
    hostClearEvents();
}

void PluginTest::TearDown() {
    if (loadedByShell_) hostUnloadPlugins();
    if (startedByHand_) endPlugin();
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    loadedByShell_ = startedByHand_ = false;
    /* Threads still finishing a wait hold the library: it goes when they end. */
    pumpUntil([&] { return !GetModuleHandleA(dllPath_.c_str()); }, 3000);
    SetCursorPos(0, 0); /* off every test's window: no tooltip left over the next one */
    pump(20);
    removeFolder(folder_);
}

void PluginTest::writeSettings(const std::string &content, const char *name) {
    writeFile(folder_ + name, content);
}

int PluginTest::startThroughShell(bool withSlit) {
    loadedByShell_ = true;
    int result = hostLoadPlugin(dllPath_.c_str(), withSlit);
    pump(20);
    return result;
}

HMODULE PluginTest::loadLibraryOnly() {
    module_ = LoadLibraryA(dllPath_.c_str());
    return module_;
}

int PluginTest::beginPlugin() {
    auto begin = (BeginPluginFn)GetProcAddress(module_, "beginPlugin");
    if (!begin) return -1;
    int result = begin((HINSTANCE)module_);
    if (result == 0) startedByHand_ = true;
    return result;
}

int PluginTest::beginSlitPlugin(HWND slit) {
    auto begin = (BeginSlitPluginFn)GetProcAddress(module_, "beginSlitPlugin");
    if (!begin) return -1;
    int result = begin((HINSTANCE)module_, slit);
    if (result == 0) startedByHand_ = true;
    return result;
}

void PluginTest::endPlugin() {
    auto end = (EndPluginFn)GetProcAddress(module_, "endPlugin");
    if (end) end((HINSTANCE)module_);
    startedByHand_ = false;
}

const char *PluginTest::pluginInfo(int index) {
    HMODULE module = module_ ? module_ : GetModuleHandleA(dllPath_.c_str());
    auto info = (PluginInfoFn)GetProcAddress(module, "pluginInfo");
    return info ? info(index) : nullptr;
}

std::string PluginTest::labelCommand(const std::string &caption) {
    return "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"" + caption + "\"";
}

bool PluginTest::waitForLabel(const std::string &caption, DWORD timeoutMs) {
    return waitForEvent("broadcast|" + labelCommand(caption), timeoutMs);
}
