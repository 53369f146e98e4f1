/* Title change to shell: the bench renames the player (as "winamp-sim --send title"
   would) and times the plugin's "@Warble_fromWinamp_TitleChange" reaching the shell's
   event record. The bare figure is the same rename reaching a plain out-of-context
   window-event hook on a thread of its own, timed in the same iterations. The
   equal-work figure, with the plugin unloaded, is a hook on the shell's thread that
   does what the plugin must for a title change: checks the window's class, asks the
   play status, reads the title and sends two broadcasts. */
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"
#include "link/player_process.h"
#include "nightjar/nightjar.h"
#include "winamp/winamp.h"

#include <stdio.h>
#include <string.h>
#include <vector>

static const char TITLE_CHANGE[] = "broadcast|@Warble_fromWinamp_TitleChange";

/* The bare hook's thread and what it saw last. */
struct BareHook {
    HWND player;
    HANDLE ready;
    DWORD threadId;
    volatile LONG seen;
    volatile double at;
};
static BareHook bareHook;

static void CALLBACK onBareEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD,
                                 DWORD) {
    if (window != bareHook.player || object != OBJID_WINDOW) return;
    bareHook.at = nowSeconds();
    InterlockedIncrement(&bareHook.seen);
}

static DWORD WINAPI bareHookThread(LPVOID) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                         onBareEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); /* the queue exists before WM_QUIT can come */
    SetEvent(bareHook.ready);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    if (hook) UnhookWinEvent(hook);
    return 0;
}

static const char EQUAL_CHANGE[] = "broadcast|@Bare_fromWinamp_TitleChange";
static HWND equalPlayer;

static void CALLBACK onEqualWorkEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG,
                                      DWORD, DWORD) {
    if (event != EVENT_OBJECT_NAMECHANGE || object != OBJID_WINDOW) return;
    char className[64];
    if (!RealGetWindowClassA(window, className, sizeof className) ||
        strcmp(className, WINAMP_CLASS) != 0 || window != equalPlayer)
        return;
    DWORD_PTR status = 0;
    SendMessageTimeoutA(window, WM_USER, 0, IPC_ISPLAYING, SMTO_NORMAL | SMTO_ABORTIFHUNG, 300,
                        &status);
    wchar_t title[260];
    GetWindowTextW(window, title, 260);
    SendMessageA(GetNJWnd(), MSG_BROADCAST, 0, (LPARAM) "@Bare_fromWinamp_Playing");
    SendMessageA(GetNJWnd(), MSG_BROADCAST, 0, (LPARAM) "@Bare_fromWinamp_TitleChange");
}

/* Renames timed with the equal-work hook alone, the plugin unloaded meanwhile and
   loaded again. */
static void timeEqualWork(int count, HWND player, const char *plugin, std::vector<double> *times) {
    hostUnloadPlugins();
    equalPlayer = player;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, nullptr, onEqualWorkEvent, 0,
                        0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNTHREAD);
    pumpFor(200);
    for (int i = 0; i < count; ++i) {
        double took = timeRename(player, "Bench Artist - Bench Title", i, EQUAL_CHANGE);
        if (took >= 0) times->push_back(took);
    }
    if (hook) UnhookWinEvent(hook);
    hostClearEvents();
    hostLoadPlugin(plugin, false);
    pumpUntil([] { return countEvents("broadcast|@Warble_fromWinamp_Playing") > 0; }, 3000);
    pumpFor(300);
}

/* The plugin alone against the equal-work hook alone, in alternating rounds, so that
   what else the machine does falls on both alike. */
static void equalWork(const LinkOptions &options, HWND player, const char *plugin) {
    const int ROUNDS = 5;
    int each = options.iterations / ROUNDS > 0 ? options.iterations / ROUNDS : 1;
    std::vector<double> alone, equal;
    for (int round = 0; round < ROUNDS; ++round) {
        for (int i = 0; i < each; ++i) {
            double took = timeRename(player, "Bench Artist - Bench Title", i, TITLE_CHANGE);
            if (took >= 0) alone.push_back(took);
        }
        timeEqualWork(each, player, plugin, &equal);
    }
    reportCost("title change, equal work", median(alone), median(equal), "ms", 1.3);
    reportDetail("p90 %.3f vs bare %.3f ms; %d and %d timed in %d alternating rounds; bare: a "
                 "hook on the shell's thread that checks the class, asks the play status, reads "
                 "the title and sends two broadcasts",
                 percentile(alone, 0.9), percentile(equal, 0.9), (int)alone.size(),
                 (int)equal.size(), ROUNDS);
}

void runTitleLatency(const LinkOptions &options, HWND player, const char *pluginPath) {
    bareHook.player = player;
    bareHook.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, bareHookThread, nullptr, 0, &bareHook.threadId);
    WaitForSingleObject(bareHook.ready, 5000);
    pumpFor(200);

    std::vector<double> plugin, bare;
    int missed = 0;
    for (int i = 0; i < options.iterations; ++i) {
        char command[96];
        snprintf(command, sizeof command, "title Bench Artist - Bench Title %d", i);
        hostClearEvents();
        LONG seenBefore = bareHook.seen;
        double seenAt = 0;
        double start = nowSeconds();
        sendToPlayer(player, command);
        bool both = pumpUntil(
            [&] {
                if (seenAt == 0 && countEvents(TITLE_CHANGE) > 0) seenAt = nowSeconds();
                return seenAt != 0 && bareHook.seen != seenBefore;
            },
            2000);
        if (!both) {
            ++missed;
            continue;
        }
        plugin.push_back((seenAt - start) * 1e3);
        bare.push_back((bareHook.at - start) * 1e3);
        pumpFor(10); /* the plugin's other broadcasts for this change settle */
    }
    PostThreadMessageA(bareHook.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(bareHook.ready);

    reportCost("title change to shell", median(plugin), median(bare), "ms", 0);
    reportDetail("p90 %.3f vs bare %.3f ms; %d of %d changes timed (%d missed)",
                 percentile(plugin, 0.9), percentile(bare, 0.9), (int)plugin.size(),
                 options.iterations, missed);
    equalWork(options, player, pluginPath);
}
