/* The runners' own desktop: see own_desktop.h. */
#include "own_desktop.h"

#include <cstring>
#include <windows.h>

bool runOnOwnDesktop(int *exitCode) {
    static const char DESKTOP[] = "warble-tests";
    char current[64] = "";
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, current,
                              sizeof current, nullptr);
    if (strcmp(current, DESKTOP) == 0) return false;
    /* A new process's threads are on the desktop of the thread that started it (the
       desktop named in its start-up information is only its first thread's). */
    HDESK desktop = CreateDesktopA(DESKTOP, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (!desktop || !SetThreadDesktop(desktop)) return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = (char *)DESKTOP;
    PROCESS_INFORMATION runner = {};
    /* The runner ends with this process, also when this one is killed. */
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job ||
        !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !CreateProcessA(nullptr, GetCommandLineA(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &runner))
        return false;
    AssignProcessToJobObject(job, runner.hProcess);
    ResumeThread(runner.hThread);
    WaitForSingleObject(runner.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(runner.hProcess, &code);
    *exitCode = (int)code;
    CloseHandle(runner.hThread);
    CloseHandle(runner.hProcess);
    CloseHandle(job);
    return true;
}
