/* Starting, driving and stopping the stand-in player. */
#include "link/player_process.h"
#include "common/pump.h"
#include "cad/cad.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "winamp/winamp.h"

#include <stdio.h>
#include <string.h>

static const ULONG_PTR REMOTE_CODE = 0x5753494D; /* the player's WM_COPYDATA code */
static PROCESS_INFORMATION playerProcess;
/* The player's job: closing its last handle ends the player, so that a benchmark that
   is killed or crashes leaves no player behind to answer in the next one's place. */
static HANDLE playerJob;
/* The class of the running player's window, by which it is found. */
static const char *playerClass = WINAMP_CLASS;

HWND startPlayer(const std::string &folder, bool cad) {
    playerClass = cad ? CAD_CLASS : WINAMP_CLASS;
    if (FindWindowA(playerClass, nullptr)) {
        fprintf(stderr, "bench: a %s window already exists on this display\n", playerClass);
        return nullptr;
    }
    std::string exe = binFolder() + "winamp-sim.exe";
    std::string line = "\"" + exe + "\"" + (cad ? " --cad" : "") + " --log \"" + folder +
                       (cad ? "cad-sim.log\"" : "winamp-sim.log\"");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string writable = line;
    playerJob = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!playerJob ||
        !SetInformationJobObject(playerJob, JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits) ||
        !CreateProcessA(exe.c_str(), &writable[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &playerProcess)) {
        fprintf(stderr, "bench: cannot start %s (set WARBLE_BIN)\n", exe.c_str());
        stopPlayer();
        return nullptr;
    }
    AssignProcessToJobObject(playerJob, playerProcess.hProcess);
    ResumeThread(playerProcess.hThread);
    HWND player = nullptr;
    pumpUntil([&] { return (player = FindWindowA(playerClass, nullptr)) != nullptr; }, 15000);
    if (!player) fprintf(stderr, "bench: winamp-sim.exe showed no window\n");
    return player;
}

void stopPlayer() {
    if (playerProcess.hProcess) {
        HWND player = FindWindowA(playerClass, nullptr);
        if (player) sendToPlayer(player, "quit");
        if (WaitForSingleObject(playerProcess.hProcess, 5000) != WAIT_OBJECT_0)
            TerminateProcess(playerProcess.hProcess, 1);
        CloseHandle(playerProcess.hThread);
        CloseHandle(playerProcess.hProcess);
        playerProcess = {};
    }
    if (playerJob) CloseHandle(playerJob);
    playerJob = nullptr;
}

void sendToPlayer(HWND player, const char *command) {
    COPYDATASTRUCT data = {};
    data.dwData = REMOTE_CODE;
    data.cbData = (DWORD)strlen(command) + 1;
    data.lpData = (void *)command;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(player, WM_COPYDATA, 0, (LPARAM)&data, SMTO_NORMAL, 10000, &ignored);
}

double timeRename(HWND player, const char *title, int number, const char *line) {
    char command[96];
    snprintf(command, sizeof command, "title %s %d", title, number);
    hostClearEvents();
    double start = nowSeconds();
    sendToPlayer(player, command);
    if (!pumpUntil([&] { return countEvents(line) > 0; }, 2000)) return -1;
    double took = (nowSeconds() - start) * 1e3;
    pumpFor(10);
    return took;
}
