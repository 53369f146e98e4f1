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

/* The start comes with the window's creation, so that it is there for every message
   of the creation itself (the first size and place are the settings' too). */
static LRESULT OnNcCreate(HWND w, const CREATESTRUCTA *create) {
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)create->lpCreateParams);
    return DefWindowProcA(w, WM_NCCREATE, 0, (LPARAM)create);
}

static LRESULT OnCreate(HWND w, Instance &self) {
    windowMade(self.display, w);
    SendMessageA(shellLink.host, MSG_REGISTER, (WPARAM)w, (LPARAM)registeredMessages);
    MakeSticky(w);
    createSurfaces(self.display);
    applyWindowState(self.display);
    return 0;
}

/* Also after the start's end, when the window goes. */
static LRESULT OnDestroy(HWND w, Instance *self) {
    RemoveSticky(w);
    if (self) cancelSettingsLook(self->settings);
    if (self) releaseSurfaces(self->display);
    SendMessageA(shellLink.host, MSG_UNREGISTER, (WPARAM)w, (LPARAM)registeredMessages);
    return 0;
}

static LRESULT OnSize(Instance &self, LPARAM lParam) {
    int w = LOWORD(lParam), h = HIWORD(lParam);
    windowSized(self.settings, w < MIN_NOTIFIED_SIZE ? MIN_NOTIFIED_SIZE : w,
                h < MIN_NOTIFIED_SIZE ? MIN_NOTIFIED_SIZE : h);
    recreateSurfaces(self.display);
    changed(CHANGED_SIZE);
    return 0;
}

static LRESULT OnPaint(HWND w, Instance &self) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    int played = self.poller ? self.poller->played : 0;
    bool refitted = paintWindow(self.display, dc, ps.rcPaint, self.composed, played);
    EndPaint(w, &ps);
    if (refitted) changed(CHANGED_SIZE);
    return 0;
}

static LRESULT OnGetMinMaxInfo(MINMAXINFO *info) {
    info->ptMinTrackSize.x = MIN_TRACK_SIZE;
    info->ptMinTrackSize.y = MIN_TRACK_SIZE;
    return 0;
}

/* A move that brings the window this near a screen edge (pixels) puts it on the edge;
   the shell's one flag, which the shell's own windows pass too. */
enum { SNAP_DISTANCE = 10, SNAP_FLAGS = 1 };

/* The user drags or Alt-drags the window while the settings file is held: only the
   user's moves snap to the edges. A placement from the settings, a toggle or the Slit
   keeps the configured position. */
static LRESULT OnWindowPosChanging(HWND w, Instance &self, WINDOWPOS *pos) {
    if (settingsFileHeld(self.settings) && !docked() && options.snapWindow && IsWindowVisible(w))
        SnapWindowToEdge(pos, SNAP_DISTANCE, SNAP_FLAGS);
    return 0;
}

static LRESULT OnSettingsNotice(Instance &self);

/* Nothing of the settings file is read or written during the drag; at its end the
   place is written on top of the file as it is then, and an edit saved meanwhile
   applies. */
static LRESULT OnMoveLoop(Instance &self, bool entering) {
    holdSettingsFile(self.settings, entering);
    if (!entering) OnSettingsNotice(self);
    return 0;
}

/* Handled without passing it on, so DefWindowProc sends no WM_SIZE for this change:
   whatever changed the size (the settings, the Slit, the last step of an Alt-drag),
   the surfaces follow it here. WM_SIZE still comes when the system sends it by itself,
   and OnSize follows it the same way. */
static LRESULT OnWindowPosChanged(HWND w, Instance &self, WINDOWPOS *pos) {
    if (fitSurfaces(self.display)) changed(CHANGED_SIZE);
    if (docked() || self.display.placement.placing) return 0;
    if (pos->cx < MIN_TRACK_SIZE) pos->cx = MIN_TRACK_SIZE;
    if (pos->cy < MIN_TRACK_SIZE) pos->cy = MIN_TRACK_SIZE;
    windowPlaced(self.settings, pos->x, pos->y, pos->cx, pos->cy);
    return 0;
}

static LRESULT OnNcHitTest() {
    return docked() ? HTCLIENT : HTCAPTION;
}

/* With Ctrl held, a press on a window that shows the progress line seeks there
   instead of starting a drag; client is the press in client coordinates. */
static bool seekPress(Instance &self, POINT client, bool ctrl) {
    float fraction = 0;
    if (!ctrl || !progressAt(self.display, client.x, &fraction)) return false;
    seekClicked(self.player.link.get(), fraction);
    return true;
}

/* Docked, the window is all client: the press carries its keys. */
static LRESULT OnLButtonDown(Instance &self, WPARAM wParam, LPARAM lParam) {
    seekPress(self, {(short)LOWORD(lParam), (short)HIWORD(lParam)}, wParam & MK_CONTROL);
    return 0;
}

/* Floating, all caption: Ctrl and Alt as they were when the press came (GetKeyState
   follows the messages taken; the keys' state now may be that of a later moment). */
static LRESULT OnNcLButtonDown(HWND w, Instance &self, LPARAM lParam) {
    POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ScreenToClient(w, &at);
    if (seekPress(self, at, GetKeyState(VK_CONTROL) < 0)) return 0;
    bool alt = GetKeyState(VK_MENU) < 0;
    PostMessageA(w, WM_SYSCOMMAND, alt ? SC_SIZE | WMSZ_BOTTOMRIGHT : SC_MOVE | HTCAPTION, 0);
    return 0;
}

/* The press is taken here so that its release reaches the window: the default
   handling of a right press on a caption waits for the release itself. */
static LRESULT OnNcRButtonDown() {
    return 0;
}

static LRESULT OnRightButtonUp(Instance &self) {
    showConfigMenu(self.display, true);
    return 0;
}

/* Floating, the window is all caption; docked, all client: a double-click arrives as
   either. The first click's move ends where it began, so the window stays put. */
static LRESULT OnDoubleClick(Instance &self) {
    doubleClicked(self.player.link.get());
    return 0;
}

/* Whether the system follows the mouse over the window, in that part of it, until it
   leaves. */
static bool leaveFollowed(HWND w, DWORD flags) {
    TRACKMOUSEEVENT now = {sizeof now, TME_QUERY, nullptr, 0};
    return TrackMouseEvent(&now) && now.hwndTrack == w &&
           (now.dwFlags & (TME_LEAVE | TME_NONCLIENT)) == flags;
}

/* The mouse over the window is followed until it leaves. Hovering is what the system
   follows, not a flag of ours: a move handled once the pointer has gone already starts
   no following (Wine then sends no leave, Windows one at once), and a flag set then
   would keep the caption scrolling on hover for good, as no later move followed it. */
static void followMouse(HWND w, Instance &self, bool nonClient) {
    DWORD flags = TME_LEAVE | (nonClient ? (DWORD)TME_NONCLIENT : 0);
    if (self.hovering && leaveFollowed(w, flags)) return;
    TRACKMOUSEEVENT track = {sizeof track, flags, w, 0};
    TrackMouseEvent(&track);
    bool over = leaveFollowed(w, flags);
    if (over == self.hovering) return;
    self.hovering = over;
    changed(CHANGED_HOVER);
}

static LRESULT OnMouseLeave(Instance &self) {
    self.hovering = false;
    changed(CHANGED_HOVER);
    return 0;
}

static LRESULT OnNcMouseMove(HWND w, Instance &self, LPARAM lParam) {
    relayMouseMove(self.tooltip, lParam);
    followMouse(w, self, true);
    return 0;
}

static LRESULT OnMouseMove(HWND w, Instance &self, LPARAM lParam) {
    POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(w, &at);
    relayMouseMove(self.tooltip, MAKELPARAM(at.x, at.y));
    followMouse(w, self, false);
    return 0;
}

static LRESULT OnMiddleClick(Instance &self) {
    middleClicked(self.player.link.get());
    return 0;
}

/* A fine wheel sends parts of a notch (WHEEL_DELTA), kept until they make a whole one. */
static LRESULT OnMouseWheel(Instance &self, WPARAM wParam) {
    self.wheelCarry += (short)HIWORD(wParam);
    int notches = self.wheelCarry / WHEEL_DELTA;
    self.wheelCarry -= notches * WHEEL_DELTA;
    if (notches) wheelTurned(self.player.link.get(), notches);
    return 0;
}

static LRESULT OnSizing(Instance &self, RECT *proposed) {
    windowBeingSized(self.settings, proposed->right - proposed->left,
                     proposed->bottom - proposed->top);
    recreateSurfaces(self.display);
    changed(CHANGED_SIZE);
    return 0;
}

void applySettings(Instance &self) {
    tellDuplicateKeys(self.duplicates, self.settings.path);
    loadStyle(self.display.style);
    remakeCaptionFont(self.display);
    showLastStatus(self.player);
    changed(CHANGED_STYLE);
    applyWindowState(self.display);
}

static LRESULT OnReconfigure(Instance &self) {
    rereadSettings(self.settings);
    applySettings(self);
    return 0;
}

/* An edit of the settings file applies as the shell's reconfigure would, once it has
   settled; not while the user drags or sizes the window (the drag's end looks). */
static LRESULT OnSettingsNotice(Instance &self) {
    if (settingsEditSettled(self.settings) && rereadSettings(self.settings, false))
        applySettings(self);
    runWaitingToggles({self.settings, self.player, self.display});
    return 0;
}

static LRESULT OnTimer(Instance &self, WPARAM id) {
    if (id == SETTINGS_WATCH_TIMER) OnSettingsNotice(self);
    if (id == NOTICE_TIMER) noticeEnded();
    return 0;
}

static LRESULT OnBroadcast(Instance &self, LPARAM lParam) {
    if (lParam && handleBroadcast({self.settings, self.player, self.display}, (const char *)lParam))
        changed(CHANGED_CAPTION);
    return 0;
}

/* The poller's findings count only for the start still running. */
static LRESULT OnPlayerLookOf(Instance &self, WPARAM wParam, LPARAM lParam) {
    if (!self.context || stopRequested(self.context)) return 0;
    return OnPlayerLook(self.player, wParam, lParam);
}

/* The messages that need no start: before the window carries it (the first size
   limits come before its creation message) and after the start's end. */
static LRESULT withoutStart(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: return OnNcCreate(w, (const CREATESTRUCTA *)lParam);
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo((MINMAXINFO *)lParam);
    case WM_DESTROY: return OnDestroy(w, nullptr);
    case WM_CLOSE: return 0;
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

/* The shell's messages and the plugin's own, all numbered from WM_USER up. */
static LRESULT OnOwnMessage(HWND w, Instance &self, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case MSG_RECONFIGURE: return OnReconfigure(self);
    case MSG_SETTINGS_NOTICE: return OnSettingsNotice(self);
    case MSG_SETTINGS_APPLY: applySettings(self); return 0;
    case MSG_BROADCAST: return OnBroadcast(self, lParam);
    case MSG_PLAYER_LOOK: return OnPlayerLookOf(self, wParam, lParam);
    case MSG_PLAYER_TIMES: return OnPlayerTimes(self.player, wParam, lParam);
    case MSG_PLAYER_VOLUME: return OnPlayerVolume(wParam);
    case MSG_RELAY_RESULT: return OnRelayResult(wParam, lParam);
    case MSG_RELAY_CLOSED: return OnRelayClosed(wParam);
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

LRESULT CALLBACK warbleWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    Instance *running = instanceOf(w);
    if (!running) return withoutStart(w, message, wParam, lParam);
    Instance &self = *running;
    if (message >= WM_USER) return OnOwnMessage(w, self, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: return OnCreate(w, self);
    case WM_DESTROY: return OnDestroy(w, &self);
    case WM_SIZE: return OnSize(self, lParam);
    case WM_PAINT: return OnPaint(w, self);
    case WM_CLOSE: return 0;
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo((MINMAXINFO *)lParam);
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging(w, self, (WINDOWPOS *)lParam);
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(w, self, (WINDOWPOS *)lParam);
    case WM_NCHITTEST: return OnNcHitTest();
    case WM_NCLBUTTONDOWN: return OnNcLButtonDown(w, self, lParam);
    case WM_LBUTTONDOWN: return OnLButtonDown(self, wParam, lParam);
    case WM_NCRBUTTONDOWN: return OnNcRButtonDown();
    case WM_NCRBUTTONUP:
    case WM_RBUTTONUP: return OnRightButtonUp(self);
    case WM_NCLBUTTONDBLCLK: return OnDoubleClick(self);
    case WM_LBUTTONDBLCLK: return OnDoubleClick(self);
    case WM_MOUSEWHEEL: return OnMouseWheel(self, wParam);
    case WM_NCMBUTTONUP:
    case WM_MBUTTONUP: return OnMiddleClick(self);
    case WM_NCMOUSEMOVE: return OnNcMouseMove(w, self, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(w, self, lParam);
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE: return OnMouseLeave(self);
    case WM_SIZING: return OnSizing(self, (RECT *)lParam);
    case WM_ENTERSIZEMOVE: return OnMoveLoop(self, true);
    case WM_EXITSIZEMOVE: return OnMoveLoop(self, false);
    case WM_TIMER: return OnTimer(self, wParam);
    }
    return DefWindowProcA(w, message, wParam, lParam);
}
