/* winamp-sim.exe driven from a test: see winamp_sim.h. */
#include "winamp_sim.h"
#include "harness.h"
#include "cad/cad.h"
#include "winamp/winamp.h"

#include <algorithm>
#include <cstring>

namespace {

/* What winamp-sim expects in dwData of a remote command. */
const ULONG_PTR REMOTE_COPYDATA_CODE = 0x5753494D;
const DWORD START_TIMEOUT_MS = 8000;
const DWORD QUIT_TIMEOUT_MS = 5000;

struct PlayerSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK matchPlayerWindow(HWND window, LPARAM into) {
    PlayerSearch *search = (PlayerSearch *)into;
    char className[32] = "";
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, className, sizeof className);
    /* The process is one player: Winamp's, or a CAD one (started with --cad). */
    bool player = strcmp(className, WINAMP_CLASS) == 0 || strcmp(className, CAD_CLASS) == 0;
    if (process == search->process && player) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findPlayerWindow(DWORD process) {
    PlayerSearch search = {process, nullptr};
    EnumWindows(matchPlayerWindow, (LPARAM)&search);
    return search.found;
}

} // namespace

WinampSim::WinampSim() {
    folder_ = makeTempFolder("winamp-sim");
    playlistPath_ = folder_ + "playlist.txt";
    logPath_ = folder_ + "messages.log";
}

WinampSim::~WinampSim() {
    /* By now the test is over and the plugin ended: nobody waits for a proper close. */
    kill();
    removeFolder(folder_);
}

void WinampSim::setPlaylist(const std::vector<std::string> &tracks) {
    std::string content;
    for (const std::string &track : tracks)
        content += track + "\r\n";
    writeFile(playlistPath_, content);
}

bool WinampSim::start(const std::string &options) {
    if (running()) return false;
    std::string exe = binDir() + "winamp-sim.exe";
    std::string commandLine = "\"" + exe + "\" --log \"" + logPath_ + "\"";
    if (fileExists(playlistPath_)) commandLine += " --playlist \"" + playlistPath_ + "\"";
    if (!options.empty()) commandLine += " " + options;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    /* The player runs in a job of its own that ends it when the job's last handle
       closes: when this runner is killed or crashes too, no player outlives its test to
       confuse the next one. */
    job_ = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job_ ||
        !SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process_)) {
        kill();
        return false;
    }
    bool inJob = AssignProcessToJobObject(job_, process_.hProcess);
    ResumeThread(process_.hThread);
    if (!inJob) {
        kill();
        return false;
    }
    /* Found among all windows by class and process: another player may be running. */
    pumpUntil(
        [&] {
            window_ = findPlayerWindow(process_.dwProcessId);
            return window_ != nullptr || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        },
        START_TIMEOUT_MS);
    return window_ != nullptr;
}

bool WinampSim::send(const std::string &command, bool block, DWORD timeoutMs) {
    if (!window_) return false;
    COPYDATASTRUCT data = {};
    data.dwData = REMOTE_COPYDATA_CODE;
    data.cbData = (DWORD)command.size() + 1;
    data.lpData = (void *)command.c_str();
    DWORD_PTR answer = 0;
    UINT flags = block ? SMTO_BLOCK : SMTO_NORMAL;
    return SendMessageTimeoutA(window_, WM_COPYDATA, 0, (LPARAM)&data, flags, timeoutMs, &answer) !=
           0;
}

void WinampSim::quit() {
    if (!process_.hProcess) return;
    if (running() && window_ && IsWindow(window_)) send("quit");
    pumpUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
              QUIT_TIMEOUT_MS);
    kill();
}

void WinampSim::kill() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, QUIT_TIMEOUT_MS);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    if (job_) CloseHandle(job_);
    process_ = {};
    job_ = nullptr;
    window_ = nullptr;
}

bool WinampSim::running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<std::string> WinampSim::log() const {
    return readLines(logPath_);
}

std::vector<std::string> WinampSim::logSince(size_t mark) const {
    std::vector<std::string> lines = log();
    if (mark >= lines.size()) return {};
    return std::vector<std::string>(lines.begin() + mark, lines.end());
}

bool WinampSim::received(size_t mark, const std::string &line, DWORD timeoutMs) const {
    return pumpUntil(
        [&] {
            std::vector<std::string> lines = logSince(mark);
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        },
        timeoutMs);
}
