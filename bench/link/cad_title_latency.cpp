/* Title change of a CAD player to the shell: the bench renames the track of a player
   speaking the CD Art Display protocol (as "winamp-sim --cad --send title" would) and
   times the plugin's "@Warble_fromWinamp_TitleChange" reaching the shell's event record.
   The equal-work figure, with the plugin unloaded (a CAD player keeps one client), is a
   bare receiver window on a thread of its own, registered with the player, that does
   what the plugin must for a new track: takes the player's notice, asks for the track,
   takes the text that answers it, splits its fields, and sends the shell two
   broadcasts. Both are timed in alternating rounds. */
#include "cad/cad.h"
#include "common/pump.h"
#include "common/report.h"
#include "common/setup.h"
#include "common/timing.h"
#include "host.h"
#include "link/link_bench.h"
#include "link/player_process.h"
#include "nightjar/nightjar.h"

#include <stdio.h>
#include <string.h>
#include <vector>

static const char TITLE_CHANGE[] = "broadcast|@Warble_fromWinamp_TitleChange";
static const char EQUAL_CHANGE[] = "broadcast|@Bare_fromWinamp_TitleChange";

/* The bare receiver's thread, its window and the track it read last. */
struct BareReceiver {
    HWND player, window;
    HANDLE ready;
    DWORD threadId;
    wchar_t title[260], artist[260];
};
static BareReceiver bare;

/* The first fields of the track's text (title, artist), each cut to its buffer. */
static void takeTrack(const COPYDATASTRUCT *data) {
    const wchar_t *text = (const wchar_t *)data->lpData;
    size_t count = data->cbData / sizeof(wchar_t), at = 0;
    wchar_t *fields[] = {bare.title, bare.artist};
    int field = 0;
    for (size_t i = 0; i < count && text[i] && field < 2; ++i) {
        if (text[i] == L'\t') {
            fields[field++][at] = L'\0';
            at = 0;
        } else if (at < 259) {
            fields[field][at++] = text[i];
        }
    }
    if (field < 2) fields[field][at] = L'\0';
}

static LRESULT CALLBACK bareReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
        if (data && data->lpData && data->dwData == CAD_TRACK_COPYDATA) takeTrack(data);
        return TRUE;
    }
    if (message == WM_USER && lParam == CAD_TRACK_CHANGED) {
        /* The 701 comes in while this waits: sent messages are let through. */
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(bare.player, WM_USER, 0, CAD_GET_TRACK, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            300, &ignored);
        SendMessageA(GetNJWnd(), MSG_BROADCAST, 0, (LPARAM) "@Bare_fromWinamp_Playing");
        SendMessageA(GetNJWnd(), MSG_BROADCAST, 0, (LPARAM) "@Bare_fromWinamp_TitleChange");
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static DWORD WINAPI bareReceiverThread(LPVOID) {
    bare.window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"bare CAD receiver", WS_POPUP, 0, 0,
                                  0, 0, nullptr, nullptr, nullptr, nullptr);
    if (bare.window) SetWindowLongPtrW(bare.window, GWLP_WNDPROC, (LONG_PTR)bareReceiverProc);
    DWORD_PTR ignored = 0;
    if (bare.window)
        SendMessageTimeoutW(bare.player, WM_USER, (WPARAM)bare.window, CAD_REGISTER,
                            SMTO_NORMAL | SMTO_ABORTIFHUNG, 300, &ignored);
    SetEvent(bare.ready);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    SendMessageTimeoutW(bare.player, WM_USER, 0, CAD_CLIENT_GONE, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        300, &ignored);
    if (bare.window) DestroyWindow(bare.window);
    return 0;
}

/* Renames timed with the bare receiver alone, the plugin unloaded meanwhile and loaded
   again. */
static void timeEqualWork(int count, HWND player, const char *plugin, std::vector<double> *times) {
    hostUnloadPlugins();
    bare.player = player;
    bare.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, bareReceiverThread, nullptr, 0, &bare.threadId);
    WaitForSingleObject(bare.ready, 5000);
    pumpFor(200);
    for (int i = 0; i < count; ++i) {
        double took = timeRename(player, "CAD Artist - CAD Title", i, EQUAL_CHANGE);
        if (took >= 0) times->push_back(took);
    }
    PostThreadMessageA(bare.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000); /* its last words go to the player only */
    CloseHandle(thread);
    CloseHandle(bare.ready);
    hostClearEvents();
    hostLoadPlugin(plugin, false);
    pumpUntil([] { return countEvents("broadcast|@Warble_fromWinamp_Playing") > 0; }, 3000);
    pumpFor(300);
}

void runCadTitleLatency(const LinkOptions &options, HWND player, const char *plugin) {
    const int ROUNDS = 5;
    int each = options.iterations / ROUNDS > 0 ? options.iterations / ROUNDS : 1;
    std::vector<double> alone, equal;
    int missed = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        for (int i = 0; i < each; ++i) {
            double took = timeRename(player, "CAD Artist - CAD Title", i, TITLE_CHANGE);
            if (took >= 0)
                alone.push_back(took);
            else
                ++missed;
        }
        timeEqualWork(each, player, plugin, &equal);
    }
    reportCost("CAD title change, equal work", median(alone), median(equal), "ms", 1.3);
    reportDetail("p90 %.3f vs bare %.3f ms; %d (%d missed) and %d timed in %d alternating "
                 "rounds; bare: a receiver window on a thread of its own that takes the notice, "
                 "asks for the track (110), takes its text (701) and sends two broadcasts",
                 percentile(alone, 0.9), percentile(equal, 0.9), (int)alone.size(), missed,
                 (int)equal.size(), ROUNDS);
}
