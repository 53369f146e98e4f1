/* nightjar.exe: the stand-in Nightjar shell. Starts the shell, loads the plugins named
   on the command line and runs until asked to quit; or, in its remote-control forms,
   hands one request to the shell that is already running and exits. */
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "shell_internal.h"

namespace {

const char HELP[] =
    "nightjar.exe - the stand-in Nightjar shell\n"
    "\n"
    "Start the shell:\n"
    "  nightjar.exe [--plugin PATH]... [--slit] [--no-slit] [--style PATH]\n"
    "               [--shell-dir DIR] [--log PATH] [--no-popup-menus] [--keep-running]\n"
    "    --plugin PATH      load this plugin DLL (may be given more than once)\n"
    "    --keep-running     go on when a plugin cannot be loaded or started (default:\n"
    "                       say why and exit with code 1)\n"
    "    --slit             hand the Slit to the plugins (beginPluginEx/beginSlitPlugin)\n"
    "    --no-slit          run without a Slit window\n"
    "    --style PATH       style file (default: key nightjar.style: in nightjar.rc,\n"
    "                       else the built-in style)\n"
    "    --shell-dir DIR    the folder reported as the shell's (default: this exe's)\n"
    "    --log PATH         append the shell's event record to this file\n"
    "    --no-popup-menus   build and record plugin menus but never pop them up\n"
    "  Another ordinary start while a shell runs simply starts a second shell; the\n"
    "  remote-control forms below talk to the first one found.\n"
    "\n"
    "Control the running shell (exit 0 when delivered, 1 when no shell runs):\n"
    "  nightjar.exe --send TEXT      broadcast TEXT to the registered windows\n"
    "  nightjar.exe --reconfigure    re-read the style and tell the plugins\n"
    "  nightjar.exe --quit           end the plugins and exit\n"
    "  nightjar.exe --help           this text\n";

DWORD mainThread;
static const DWORD REMOTE_ANSWER_MS = 10000;

/* Ctrl+C ends the shell as --quit does, so that the plugins are ended properly. */
BOOL WINAPI OnConsoleControl(DWORD event) {
    PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
    return TRUE;
}

int sendRemote(ULONG_PTR code, const char *text) {
    HWND shell = FindWindowA(SHELL_CLASS, nullptr);
    if (!shell) {
        fprintf(stderr, "nightjar: no running shell\n");
        return 1;
    }
    COPYDATASTRUCT data = {};
    data.dwData = code;
    data.cbData = text ? (DWORD)strlen(text) + 1 : 0;
    data.lpData = (void *)text;
    /* A shell that does not answer must not hang whoever drives it. */
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(shell, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG,
                             REMOTE_ANSWER_MS, &answer)) {
        fprintf(stderr, "nightjar: the shell did not answer within %lu ms\n", REMOTE_ANSWER_MS);
        return 3;
    }
    return 0;
}

int usageError(const char *message, const char *argument) {
    fprintf(stderr, "nightjar: %s%s\n(try --help)\n", message, argument);
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    HostOptions options;
    options.keepEvents = false; /* nobody here reads the record back: the log file has it */
    std::vector<const char *> plugins;
    bool slitForPlugins = false;
    bool keepRunning = false;

    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto is = [&](const char *name) { return strcmp(arg, name) == 0; };
        bool takesValue =
            is("--plugin") || is("--style") || is("--shell-dir") || is("--log") || is("--send");
        if (takesValue && !next) return usageError("missing value after ", arg);

        if (is("--help") || is("-h") || is("/?")) {
            fputs(HELP, stdout);
            return 0;
        } else if (is("--send")) {
            return sendRemote(REMOTE_BROADCAST, next);
        } else if (is("--reconfigure")) {
            return sendRemote(REMOTE_RECONFIGURE, nullptr);
        } else if (is("--quit")) {
            return sendRemote(REMOTE_QUIT, nullptr);
        } else if (is("--plugin")) {
            plugins.push_back(argv[++i]);
        } else if (is("--style")) {
            options.stylePath = argv[++i];
        } else if (is("--shell-dir")) {
            options.shellDir = argv[++i];
        } else if (is("--log")) {
            options.logPath = argv[++i];
        } else if (is("--slit")) {
            slitForPlugins = true;
        } else if (is("--no-slit")) {
            options.showSlit = false;
        } else if (is("--keep-running")) {
            keepRunning = true;
        } else if (is("--no-popup-menus")) {
            options.popupMenus = false;
        } else {
            return usageError("unknown option ", arg);
        }
    }

    mainThread = GetCurrentThreadId();
    if (!hostStart(options)) {
        fprintf(stderr, "nightjar: cannot create the shell's windows\n");
        return 1;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    bool allStarted = true;
    for (const char *path : plugins) {
        std::string problem;
        if (hostLoadPlugin(path, slitForPlugins, &problem) == 0) continue;
        fprintf(stderr, "nightjar: cannot load the plugin %s: %s\n", path, problem.c_str());
        allStarted = false;
    }
    if (!allStarted && !keepRunning) {
        fprintf(stderr, "nightjar: exiting (give --keep-running to run without it)\n");
        hostStop();
        return 1;
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    hostStop();
    return 0;
}
