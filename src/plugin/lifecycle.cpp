/* Start-up and shut-down of the plugin, in the order the shell relies on, and
   the answers of pluginInfo. */
#include "plugin/lifecycle.h"
#include "core/owners.h"
#include "core/threads.h"
#include "core/version.h"
#include "display/caption.h"
#include "display/scroller.h"
#include "display/surfaces.h"
#include "display/window.h"
#include "nightjar/nightjar.h"
#include "plugin/instance.h"
#include "plugin/window_proc.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"
#include "settings/watch.h"
#include "winamp/player.h"
#include "players/link.h"
#include "winamp/poller.h"
#include "winamp/relay.h"
#include "winamp/watcher.h"

static const char CLASS_NAME[] = "Warble";

/* The running start, from the start until its end: endPlugin is handed no more than
   the module, so the lifecycle keeps it here. The window procedure finds it through
   the window; the change path and the controller, which the player side calls with no
   window, through runningInstance. */
static HeapBlock<Instance> running;

static void startupError(HWND owner, const char *text) {
    MessageBoxA(owner, text, WARBLE_NAME_VERSION, MB_OK | MB_ICONERROR | MB_TOPMOST);
}

static bool registerWindowClass(HINSTANCE instance, WindowClass &windowClass) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = warbleWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = CLASS_NAME;
    return windowClass.registerClass(wc);
}

static void deriveFromOptions() {
    changed(CHANGED_OPTIONS);
}

/* The poller (the link thread of the start's player link), the scroll thread and the
   settings watch of this start, each handed a block of its own that holds what it
   shares with the start (the context; the poller its copy of the options and the link,
   the scroll thread the caption model); the tooltip; and everything derived from the
   options and the caption, handed over before they run. False when one of them could
   not be started. */
static bool startWorkers(Instance *start) {
    SharedScroll scroll;
    start->context = createStartContext(start->window);
    if (!start->context || !start->poller.create() || !createLink(start->player.link) ||
        !scroll.create())
        return false;
    start->poller->start = start->context.share();
    start->poller->shell = shellLink.host;
    start->poller->link = start->player.link.share();
    scroll->start = start->context.share();
    scroll->caption = start->display.caption.share();
    createTooltip(start->tooltip, start->window);
    changed(CHANGED_EVERYTHING);
    return startWorker(pollThread, start->poller) && startWorker(scrollThread, scroll) &&
           startSettingsWatch(start->context, start->settings);
}

/* Asks the threads of the start to stop, and lets go of its context: each thread
   holds its own (see threads.h). The window no longer carries the start. The poller's
   block is let go with the start itself, after the messages sent to this thread are
   taken: a broadcast of the poller that the shell takes late still reads its text. */
static void stopWorkers() {
    if (!running) return;
    if (running->context) SetEvent(running->context->stop);
    if (IsWindow(running->window)) SetWindowLongPtrA(running->window, GWLP_USERDATA, 0);
    running->context.reset();
    running->player.link.reset();
}

/* Messages the plugin's threads sent to this thread before they were asked to stop
   are taken now, while the window they may speak of still exists. */
static void takeSentMessages() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

/* The window goes, and with it the rest of the start. */
static void destroyWindow() {
    if (running) running->window.reset();
    if (running) windowGone(running->display);
    running.reset();
}

/* Undoes a start that failed after registering its class: nothing of it stays behind,
   so that the next start in this process begins afresh. */
static int failedStart(const char *text) {
    stopWorkers();
    takeSentMessages();
    destroyWindow();
    startupError(nullptr, text);
    return 1;
}

extern "C" int beginPlugin(HINSTANCE instance) {
    resetRelays();
    shellHandedOver(instance, GetNJWnd());
    HeapBlock<Instance> made;
    if (!made.create()) {
        startupError(nullptr, "Error creating window");
        return 1;
    }
    if (!registerWindowClass(instance, made->windowClass)) {
        startupError(shellLink.host, "Error registering window class");
        return 1;
    }
    running = HeapBlock<Instance>(made.release());
    learnLayering(running->display);
    if (!createCaptionModel(running->display.caption)) return failedStart("Error creating window");
    setOptionsListener(running->settings, deriveFromOptions);
    readSettings(running->settings);
    tellDuplicateKeys(running->duplicates, running->settings.path);
    loadStyle(running->display.style);
    remakeCaptionFont(running->display);

    DWORD exStyle =
        WS_EX_TOOLWINDOW | (running->display.placement.layeredSupported ? WS_EX_LAYERED : 0);
    RECT shown = shownPlace();
    running->window.reset(CreateWindowExA(
        exStyle, CLASS_NAME, nullptr, WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
        shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, nullptr, nullptr,
        instance, running.get()));
    if (!running->window) return failedStart("Error creating window");
    setSettingsWindow(running->settings, running->window);
    if (!startWorkers(running.get())) return failedStart("Error creating threads");
    installEventHook(running->player);
    firstLookAtPlayer(running->player);
    return 0;
}

extern "C" int beginSlitPlugin(HINSTANCE instance, HWND slit) {
    slitHandedOver(slit);
    int result = beginPlugin(instance);
    /* After a failed start there is no window to hand over. */
    if (docked() && running && running->display.placement.window)
        SendMessageA(shellLink.slit, MSG_SLIT_ADD, 0, (LPARAM)running->display.placement.window);
    return result;
}

extern "C" int beginPluginEx(HINSTANCE instance, HWND slit) {
    return beginSlitPlugin(instance, slit);
}

/* Waits for nothing, whatever the player does: the threads are asked to stop and
   finish by themselves. Each holds the module (see threads.h) and its own start's
   context, and an abandoned relay touches only its own copy and its ticket, so a
   later start shares nothing with them and nothing of theirs is reported. */
extern "C" void endPlugin(HINSTANCE instance) {
    removeEventHook();
    stopWorkers();
    abandonRelays();
    takeSentMessages();
    forgetPlayer();

    if (running && docked()) {
        HWND window = running->display.placement.window;
        SendMessageA(shellLink.slit, MSG_SLIT_REMOVE, 0, (LPARAM)window);
        SetWindowPos(window, nullptr, options.xPos, options.yPos, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        leaveSlitAtEnd(running->settings);
    }
    destroyWindow();
}

Instance *runningInstance() {
    return running && running->context ? running.get() : nullptr;
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
