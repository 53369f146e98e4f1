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
    "    --slit             draw the Slit at the screen's right edge and hand it to the\n"
    "                       plugins (beginPluginEx/beginSlitPlugin); the default\n"
    "    --no-slit          run without a Slit: the plugins are told there is none\n"
    "    --style PATH       style file (default: key nightjar.style: in nightjar.rc,\n"
    "                       else the built-in style)\n"
    "    --shell-dir DIR    the folder reported as the shell's (default: this exe's)\n"
    "    --log PATH         append the shell's event record to this file\n"
    "    --no-popup-menus   build and record plugin menus but never pop them up\n"
    "  Another ordinary start while a shell runs simply starts a second shell; the\n"
    "  remote-control forms below talk to the first one found.\n"
    "\n"
    "Control the running shell (one request, nothing else on the line):\n"
    "  nightjar.exe --send \"TEXT\"    broadcast TEXT to the registered windows; quote it\n"
    "                                when it has spaces: --send \"@Warble GetWinampInfo\"\n"
    "  nightjar.exe --reconfigure    re-read the style and tell the plugins\n"
    "  nightjar.exe --quit           end the plugins and exit\n"
    "  nightjar.exe --help           this text\n"
    "  The running shell must use the same Wine prefix (WINEPREFIX) as the request.\n"
    "\n"
    "Exit codes:\n"
    "  0  the shell ran and ended, or took the request (it carries it out at once,\n"
    "     even when that opens a dialog box that waits for the user)\n"
    "  1  a plugin could not be loaded or started, the shell's windows could not be\n"
    "     created, or (requests) no shell runs\n"
    "  2  the command line is wrong: an unknown option, a missing value, extra words,\n"
    "     a style file or shell folder that does not exist\n"
    "  3  (requests) the shell runs but did not take the request within 10 s (hung)\n";

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
        fprintf(stderr, "nightjar: no running shell (start one first: nightjar.exe --plugin "
                        "PATH, in the same Wine prefix)\n");
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

int usageError(const char *message, const char *argument, const char *hint = "") {
    fprintf(stderr, "nightjar: %s%s%s\n(try --help)\n", message, argument, hint);
    return 2;
}

/* A request is the whole command line: words after it would be lost silently (an
   unquoted --send text keeps only its first word). */
int sendAlone(int argc, char **argv, int at, ULONG_PTR code, const char *text) {
    int extra = at + (text ? 2 : 1);
    if (extra >= argc) return sendRemote(code, text);
    if (code == REMOTE_BROADCAST)
        return usageError("more than one word after --send: ", argv[extra],
                          "\n  quote the whole text: --send \"@Warble SetCaptionNow Hi\"");
    return usageError("unexpected words after the request: ", argv[extra]);
}

/* A path the shell will read must be there: a mistyped one would fall back silently. */
bool exists(const char *path, bool folder) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES &&
           ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

} // namespace

int main(int argc, char **argv) {
    HostOptions options;
    options.keepEvents = false; /* nobody here reads the record back: the log file has it */
    std::vector<const char *> plugins;
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
            return sendAlone(argc, argv, i, REMOTE_BROADCAST, next);
        } else if (is("--reconfigure")) {
            return sendAlone(argc, argv, i, REMOTE_RECONFIGURE, nullptr);
        } else if (is("--quit")) {
            return sendAlone(argc, argv, i, REMOTE_QUIT, nullptr);
        } else if (is("--plugin")) {
            plugins.push_back(argv[++i]);
        } else if (is("--style")) {
            options.stylePath = argv[++i];
            if (!exists(next, false)) return usageError("no such style file: ", next);
        } else if (is("--shell-dir")) {
            options.shellDir = argv[++i];
            if (!exists(next, true)) return usageError("no such folder for --shell-dir: ", next);
        } else if (is("--log")) {
            options.logPath = argv[++i];
        } else if (is("--slit")) {
            options.showSlit = true;
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
        /* The Slit on the screen is the plugins' to dock in. */
        if (hostLoadPlugin(path, options.showSlit, &problem) == 0) continue;
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
