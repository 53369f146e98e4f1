/* Starting, driving and stopping the stand-in player. */
#include "link/player_process.h"
#include "common/pump.h"
#include "common/setup.h"
#include "winamp/winamp.h"

#include <stdio.h>
#include <string.h>

static const ULONG_PTR REMOTE_CODE = 0x5753494D; /* the player's WM_COPYDATA code */
static PROCESS_INFORMATION playerProcess;

HWND startPlayer(const std::string &folder) {
    if (FindWindowA(WINAMP_CLASS, nullptr)) {
        fprintf(stderr, "bench: a Winamp window already exists on this display\n");
        return nullptr;
    }
    std::string exe = binFolder() + "winamp-sim.exe";
    std::string line = "\"" + exe + "\" --log \"" + folder + "winamp-sim.log\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string writable = line;
    if (!CreateProcessA(exe.c_str(), &writable[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &playerProcess)) {
        fprintf(stderr, "bench: cannot start %s (set WARBLE_BIN)\n", exe.c_str());
        return nullptr;
    }
    HWND player = nullptr;
    pumpUntil([&] { return (player = FindWindowA(WINAMP_CLASS, nullptr)) != nullptr; }, 15000);
    if (!player) fprintf(stderr, "bench: winamp-sim.exe showed no window\n");
    return player;
}

void stopPlayer() {
    if (!playerProcess.hProcess) return;
    HWND player = FindWindowA(WINAMP_CLASS, nullptr);
    if (player) sendToPlayer(player, "quit");
    if (WaitForSingleObject(playerProcess.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(playerProcess.hProcess, 1);
    CloseHandle(playerProcess.hThread);
    CloseHandle(playerProcess.hProcess);
    playerProcess = {};
}

void sendToPlayer(HWND player, const char *command) {
    COPYDATASTRUCT data = {};
    data.dwData = REMOTE_CODE;
    data.cbData = (DWORD)strlen(command) + 1;
    data.lpData = (void *)command;
    SendMessageA(player, WM_COPYDATA, 0, (LPARAM)&data);
}
