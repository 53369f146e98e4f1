/* Start-up and shut-down of the plugin, in the order the shell relies on, and
   the answers of pluginInfo. */
#include "plugin/lifecycle.h"
#include "display/render.h"
#include "display/scroller.h"
#include "display/window.h"
#include "plugin/state.h"
#include "plugin/threads.h"
#include "plugin/version.h"
#include "settings/settings.h"
#include "settings/style.h"
#include "winamp/player.h"
#include "winamp/poller.h"
#include "winamp/relay.h"
#include "winamp/watcher.h"

static const char CLASS_NAME[] = "Warble";
/* endPlugin's whole wait for the plugin's threads: they are asked to end and each of
   them waits on the player for at most a few hundred milliseconds at a time. */
static const DWORD END_WAIT_MS = 600;

static void startupError(HWND owner, const char *text) {
    MessageBoxA(owner, text, WARBLE_NAME_VERSION, MB_OK | MB_ICONERROR | MB_TOPMOST);
}

static bool registerWindowClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = warbleWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = CLASS_NAME;
    return RegisterClassA(&wc) != 0;
}

static HANDLE startThread(LPTHREAD_START_ROUTINE routine, DWORD *id) {
    return startPluginThread(routine, nullptr, id);
}

extern "C" int beginPlugin(HINSTANCE instance) {
    HMODULE user32 = LoadLibraryA("user32.dll");
    if (user32)
        warble.pSetLayeredWindowAttributes =
            (SetLayeredWindowAttributesFn)GetProcAddress(user32, "SetLayeredWindowAttributes");
    warble.pausedBlend = {AC_SRC_OVER, 0, 30, 0};
    /* Relay threads of an earlier start may still be finishing: they hold tickets
       of their own and never take a slot back. */
    for (RelaySlot &slot : warble.relaySlots)
        slot.owner = 0;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    warble.layeredSupported =
        version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4;

    warble.hwndHost = GetNJWnd();
    warble.hInstance = instance;
    if (!registerWindowClass(instance)) {
        startupError(warble.hwndHost, "Error registering window class");
        return 1;
    }
    readSettings();
    loadStyle();

    DWORD exStyle = WS_EX_TOOLWINDOW | (warble.layeredSupported ? WS_EX_LAYERED : 0);
    HWND window = CreateWindowExA(exStyle, CLASS_NAME, nullptr,
                                  WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  options.xPos, options.yPos, options.width, options.height,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        startupError(nullptr, "Error creating window");
        return 1;
    }
    warble.hStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    warble.hScrollWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    warble.hPollThread = startThread(pollThread, &warble.pollThreadId);
    installEventHook();
    warble.hScrollThread = startThread(scrollThread, &warble.scrollThreadId);
    firstLookAtPlayer();
    return 0;
}

extern "C" int beginSlitPlugin(HINSTANCE instance, HWND slit) {
    options.inSlit = true;
    warble.hwndSlit = slit;
    int result = beginPlugin(instance);
    /* After a failed start there is no window to hand over. */
    if (options.inSlit && warble.hwndSlit && warble.hwndPlugin)
        SendMessageA(warble.hwndSlit, MSG_SLIT_ADD, 0, (LPARAM)warble.hwndPlugin);
    return result;
}

extern "C" int beginPluginEx(HINSTANCE instance, HWND slit) {
    return beginSlitPlugin(instance, slit);
}

bool waitHandlingSentMessages(HANDLE thread, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return false;
        DWORD r =
            MsgWaitForMultipleObjects(1, &thread, FALSE, milliseconds - elapsed, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

static DWORD timeLeft(DWORD start) {
    DWORD elapsed = GetTickCount() - start;
    return elapsed < END_WAIT_MS ? END_WAIT_MS - elapsed : 0;
}

/* The poller and the scroll thread are asked to stop and waited for, never ended by
   force; true when the thread ended within the time. */
static bool stopWorker(HANDLE *thread, DWORD milliseconds) {
    if (!*thread) return true;
    bool ended = waitHandlingSentMessages(*thread, milliseconds);
    CloseHandle(*thread);
    *thread = nullptr;
    return ended;
}

/* Messages the plugin's threads sent to this thread before they ended are taken
   now, while the window they may speak of still exists. */
static void takeSentMessages() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

/* Returns within END_WAIT_MS whatever the player does. A thread still in a bounded
   wait on the player then finishes by itself: it holds the module (see threads.h),
   and an abandoned relay touches only its own copy and its ticket, so it reports
   nothing. Only the events of threads that ended are closed. */
extern "C" void endPlugin(HINSTANCE instance) {
    DWORD start = GetTickCount();
    removeEventHook();
    if (warble.hStopEvent) SetEvent(warble.hStopEvent);
    abandonRelays();
    bool ended = stopWorker(&warble.hPollThread, timeLeft(start));
    ended = stopWorker(&warble.hScrollThread, timeLeft(start)) && ended;
    waitForRelayThreads(timeLeft(start));
    takeSentMessages();
    if (ended) {
        if (warble.hStopEvent) CloseHandle(warble.hStopEvent);
        if (warble.hScrollWake) CloseHandle(warble.hScrollWake);
        warble.hStopEvent = warble.hScrollWake = nullptr;
    }
    warble.hwndWinamp = nullptr;

    if (options.inSlit && warble.hwndSlit) {
        SendMessageA(warble.hwndSlit, MSG_SLIT_REMOVE, 0, (LPARAM)warble.hwndPlugin);
        SetWindowPos(warble.hwndPlugin, nullptr, options.xPos, options.yPos, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        options.inSlit = false;
    }
    DestroyWindow(warble.hwndPlugin);
    warble.hwndPlugin = nullptr;
    UnregisterClassA(CLASS_NAME, instance);
    DisplayLock lock;
    if (warble.hFont) {
        DeleteObject(warble.hFont);
        warble.hFont = nullptr;
    }
}

extern "C" const char *pluginInfo(int index) {
    switch (index) {
    case 1: return "Warble";
    case 2: return "v" WARBLE_VERSION;
    case 3: return WARBLE_AUTHOR;
    case 4: return WARBLE_RELEASE_DATE;
    case 5: return WARBLE_WEB;
    case 6: return WARBLE_EMAIL;
    case 7: return "@Warble SetCaption@Warble SetCaptionNow@Warble GetWinampInfo";
    case 8: return options.updateUrl;
    default: return WARBLE_NAME_VERSION;
    }
}
