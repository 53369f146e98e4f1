/* Title change to shell: the bench renames the player (as "winamp-sim --send title"
   would) and times the plugin's "@Warble_fromWinamp_TitleChange" reaching the shell's
   event record. The bare figure is the same rename reaching a plain out-of-context
   window-event hook on a thread of its own, timed in the same iterations. */
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"
#include "link/player_process.h"

#include <stdio.h>
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

void runTitleLatency(const LinkOptions &options, HWND player) {
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
}
