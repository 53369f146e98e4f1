/* The display window's procedure: a borderless tool window that floats (drag to move,
   Alt-drag to resize, snapping to edges only for the user's own drag) or sits docked
   in the shell's Slit. A table of messages, each handled by one OnXxx function that
   hands the work to the layer it belongs to. */
#include "plugin/window_proc.h"
#include "plugin/controller.h"
#include "plugin/instance.h"
#include "commands/dispatcher.h"
#include "commands/menu.h"
#include "winamp/mouse.h"
#include "display/placement.h"
#include "display/progress.h"
#include "display/render.h"
#include "display/surfaces.h"
#include "display/window.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"
#include "settings/watch.h"
#include "winamp/player.h"
#include "winamp/relay.h"

/* The shell's messages this window wants; the address goes with both
   registration and unregistration, so it lives as long as the module. */
static const UINT registeredMessages[] = {MSG_RECONFIGURE, MSG_BROADCAST, 0};

static const int MIN_TRACK_SIZE = 16;
static const int MIN_NOTIFIED_SIZE = 5;

/* The user drags or Alt-drags the window while the settings file is held: only the
   user's moves snap to the edges. A placement from the settings, a toggle or the Slit
   keeps the configured position. */
static bool userMoving() {
    return settingsFileHeld();
}

static LRESULT OnCreate(HWND w) {
    windowMade(w);
    SendMessageA(shellLink.host, MSG_REGISTER, (WPARAM)w, (LPARAM)registeredMessages);
    MakeSticky(w);
    createSurfaces();
    applyWindowState();
    return 0;
}

static LRESULT OnDestroy(HWND w) {
    RemoveSticky(w);
    cancelSettingsLook();
    releaseSurfaces();
    SendMessageA(shellLink.host, MSG_UNREGISTER, (WPARAM)w, (LPARAM)registeredMessages);
    return 0;
}

static LRESULT OnSize(LPARAM lParam) {
    int w = LOWORD(lParam), h = HIWORD(lParam);
    windowSized(w < MIN_NOTIFIED_SIZE ? MIN_NOTIFIED_SIZE : w,
                h < MIN_NOTIFIED_SIZE ? MIN_NOTIFIED_SIZE : h);
    recreateSurfaces();
    changed(CHANGED_SIZE);
    return 0;
}

static LRESULT OnPaint(HWND w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    /* Before the start is carried by its window, every paint composes afresh. */
    CaptionFrame fresh = {};
    Instance *running = instanceOf(w);
    bool refitted = paintWindow(dc, ps.rcPaint, running ? running->composed : fresh);
    EndPaint(w, &ps);
    if (refitted) changed(CHANGED_SIZE);
    return 0;
}

static LRESULT OnGetMinMaxInfo(MINMAXINFO *info) {
    info->ptMinTrackSize.x = MIN_TRACK_SIZE;
    info->ptMinTrackSize.y = MIN_TRACK_SIZE;
    return 0;
}

static LRESULT OnWindowPosChanging(HWND w, WINDOWPOS *pos) {
    if (userMoving() && !docked() && options.snapWindow && IsWindowVisible(w))
        SnapWindowToEdge(pos, 10, 1);
    return 0;
}

static LRESULT OnSettingsNotice(HWND w);

/* Nothing of the settings file is read or written during the drag; at its end the
   place is written on top of the file as it is then, and an edit saved meanwhile
   applies. */
static LRESULT OnMoveLoop(HWND w, bool entering) {
    holdSettingsFile(entering);
    if (!entering) OnSettingsNotice(w);
    return 0;
}

/* Handled without passing it on, so DefWindowProc sends no WM_SIZE for this change:
   whatever changed the size (the settings, the Slit, the last step of an Alt-drag),
   the surfaces follow it here. WM_SIZE still comes when the system sends it by itself,
   and OnSize follows it the same way. */
static LRESULT OnWindowPosChanged(WINDOWPOS *pos) {
    if (fitSurfaces()) changed(CHANGED_SIZE);
    if (docked() || placement.placing) return 0;
    if (pos->cx < MIN_TRACK_SIZE) pos->cx = MIN_TRACK_SIZE;
    if (pos->cy < MIN_TRACK_SIZE) pos->cy = MIN_TRACK_SIZE;
    windowPlaced(pos->x, pos->y, pos->cx, pos->cy);
    return 0;
}

static LRESULT OnNcHitTest() {
    return docked() ? HTCLIENT : HTCAPTION;
}

/* With Ctrl held, a press on a window that shows the progress line seeks there
   instead of starting a drag; client is the press in client coordinates. */
static bool seekPress(POINT client, bool ctrl) {
    float fraction = 0;
    if (!ctrl || !progressAt(client.x, &fraction)) return false;
    seekClicked(fraction);
    return true;
}

/* Docked, the window is all client: the press carries its keys. */
static LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    seekPress({(short)LOWORD(lParam), (short)HIWORD(lParam)}, wParam & MK_CONTROL);
    return 0;
}

/* Floating, all caption: Ctrl as it was when the press came. */
static LRESULT OnNcLButtonDown(HWND w, LPARAM lParam) {
    POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ScreenToClient(w, &at);
    if (seekPress(at, GetKeyState(VK_CONTROL) < 0)) return 0;
    bool alt = GetAsyncKeyState(VK_MENU) & 0x8000;
    PostMessageA(w, WM_SYSCOMMAND, alt ? SC_SIZE | WMSZ_BOTTOMRIGHT : SC_MOVE | HTCAPTION, 0);
    return 0;
}

/* The press is taken here so that its release reaches the window: the default
   handling of a right press on a caption waits for the release itself. */
static LRESULT OnNcRButtonDown() {
    return 0;
}

static LRESULT OnRightButtonUp() {
    showConfigMenu(true);
    return 0;
}

/* Floating, the window is all caption; docked, all client: a double-click arrives as
   either. The first click's move ends where it began, so the window stays put. */
static LRESULT OnDoubleClick() {
    doubleClicked();
    return 0;
}

/* The mouse over the window is followed until it leaves. */
static void followMouse(HWND w, bool nonClient) {
    Instance *running = instanceOf(w);
    if (!running || running->hovering) return;
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE | (nonClient ? (DWORD)TME_NONCLIENT : 0), w,
                             0};
    if (!TrackMouseEvent(&track)) return;
    running->hovering = true;
    changed(CHANGED_HOVER);
}

static LRESULT OnMouseLeave(HWND w) {
    if (Instance *running = instanceOf(w)) running->hovering = false;
    changed(CHANGED_HOVER);
    return 0;
}

static LRESULT OnNcMouseMove(HWND w, LPARAM lParam) {
    if (Instance *running = instanceOf(w)) relayMouseMove(running->tooltip, lParam);
    followMouse(w, true);
    return 0;
}

static LRESULT OnMouseMove(HWND w, LPARAM lParam) {
    POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(w, &at);
    if (Instance *running = instanceOf(w)) relayMouseMove(running->tooltip, MAKELPARAM(at.x, at.y));
    followMouse(w, false);
    return 0;
}

static LRESULT OnMiddleClick() {
    middleClicked();
    return 0;
}

/* A fine wheel sends parts of a notch (WHEEL_DELTA), kept until they make a whole one. */
static LRESULT OnMouseWheel(HWND w, WPARAM wParam) {
    Instance *running = instanceOf(w);
    if (!running) return 0;
    running->wheelCarry += (short)HIWORD(wParam);
    int notches = running->wheelCarry / WHEEL_DELTA;
    running->wheelCarry -= notches * WHEEL_DELTA;
    if (notches) wheelTurned(notches);
    return 0;
}

static LRESULT OnSizing(RECT *proposed) {
    windowBeingSized(proposed->right - proposed->left, proposed->bottom - proposed->top);
    recreateSurfaces();
    changed(CHANGED_SIZE);
    return 0;
}

void applySettings() {
    loadStyle();
    remakeCaptionFont();
    showLastStatus();
    changed(CHANGED_STYLE);
    applyWindowState();
}

void applySettingsLater() {
    PostMessageA(placement.window, MSG_SETTINGS_APPLY, 0, 0);
}

static LRESULT OnReconfigure() {
    rereadSettings();
    applySettings();
    return 0;
}

/* An edit of the settings file applies as the shell's reconfigure would, once it has
   settled; not while the user drags or sizes the window (the drag's end looks). */
static LRESULT OnSettingsNotice(HWND w) {
    if (settingsEditSettled(w) && rereadSettings(false)) applySettings();
    runWaitingToggles();
    return 0;
}

static LRESULT OnTimer(HWND w, WPARAM id) {
    if (id == SETTINGS_WATCH_TIMER) OnSettingsNotice(w);
    if (id == NOTICE_TIMER) noticeEnded();
    return 0;
}

static LRESULT OnBroadcast(LPARAM lParam) {
    if (lParam && handleBroadcast((const char *)lParam)) changed(CHANGED_CAPTION);
    return 0;
}

/* The poller's findings count only for the start still running. */
static LRESULT OnPlayerLookOf(HWND w, WPARAM wParam, LPARAM lParam) {
    Instance *running = instanceOf(w);
    if (!running || stopRequested(running->start)) return 0;
    return OnPlayerLook(wParam, lParam);
}

LRESULT CALLBACK warbleWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(w);
    case WM_DESTROY: return OnDestroy(w);
    case WM_SIZE: return OnSize(lParam);
    case WM_PAINT: return OnPaint(w);
    case WM_CLOSE: return 0;
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo((MINMAXINFO *)lParam);
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging(w, (WINDOWPOS *)lParam);
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged((WINDOWPOS *)lParam);
    case WM_NCHITTEST: return OnNcHitTest();
    case WM_NCLBUTTONDOWN: return OnNcLButtonDown(w, lParam);
    case WM_LBUTTONDOWN: return OnLButtonDown(wParam, lParam);
    case WM_NCRBUTTONDOWN: return OnNcRButtonDown();
    case WM_NCRBUTTONUP: return OnRightButtonUp();
    case WM_RBUTTONUP: return OnRightButtonUp();
    case WM_NCLBUTTONDBLCLK: return OnDoubleClick();
    case WM_LBUTTONDBLCLK: return OnDoubleClick();
    case WM_MOUSEWHEEL: return OnMouseWheel(w, wParam);
    case WM_NCMBUTTONUP:
    case WM_MBUTTONUP: return OnMiddleClick();
    case WM_NCMOUSEMOVE: return OnNcMouseMove(w, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(w, lParam);
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE: return OnMouseLeave(w);
    case WM_SIZING: return OnSizing((RECT *)lParam);
    case WM_ENTERSIZEMOVE: return OnMoveLoop(w, true);
    case WM_EXITSIZEMOVE: return OnMoveLoop(w, false);
    case MSG_RECONFIGURE: return OnReconfigure();
    case WM_TIMER: return OnTimer(w, wParam);
    case MSG_SETTINGS_NOTICE: return OnSettingsNotice(w);
    case MSG_SETTINGS_APPLY: applySettings(); return 0;
    case MSG_BROADCAST: return OnBroadcast(lParam);
    case MSG_PLAYER_LOOK: return OnPlayerLookOf(w, wParam, lParam);
    case MSG_PLAYER_TIMES: return OnPlayerTimes(wParam, lParam);
    case MSG_PLAYER_VOLUME: return OnPlayerVolume(wParam);
    case MSG_RELAY_RESULT: return OnRelayResult(wParam, lParam);
    case MSG_RELAY_CLOSED: return OnRelayClosed(wParam);
    }
    return DefWindowProcA(w, message, wParam, lParam);
}
