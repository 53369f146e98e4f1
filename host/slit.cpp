/* The Slit: a docking strip at the right edge of the screen. Plugin windows handed to
   it stay top-level windows of their own; the Slit stacks them inside its rectangle,
   keeps them there when they move or change size, and sizes itself around them. */
#include <algorithm>
#include "shell_internal.h"

namespace {

const char SLIT_CLASS[] = "NightjarSlit";
const int MARGIN = 4;
const int EMPTY_SIZE = 24;
const UINT_PTR LAYOUT_TIMER = 1;
const UINT LAYOUT_INTERVAL_MS = 250;

HWND slit;
std::vector<HWND> occupants;

unsigned long hex(HWND window) {
    return (unsigned long)(UINT_PTR)window;
}

SIZE windowSize(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

/* Puts occupant at x, y and above the Slit, unless it is there already. */
void place(HWND occupant, int x, int y) {
    RECT now;
    GetWindowRect(occupant, &now);
    bool onTop = (GetWindowLongA(occupant, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (now.left == x && now.top == y && onTop) return;
    SetWindowPos(occupant, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void layout() {
    if (!slit) return;
    occupants.erase(
        std::remove_if(occupants.begin(), occupants.end(), [](HWND w) { return !IsWindow(w); }),
        occupants.end());
    int width = EMPTY_SIZE, height = occupants.empty() ? EMPTY_SIZE : MARGIN;
    for (HWND occupant : occupants) {
        SIZE size = windowSize(occupant);
        width = std::max(width, (int)size.cx + 2 * MARGIN);
        height += size.cy + MARGIN;
    }
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int left = work.right - width;
    int top = work.top + std::max(0, (int)(work.bottom - work.top - height) / 2);

    RECT now;
    GetWindowRect(slit, &now);
    if (now.left != left || now.top != top || now.right - now.left != width ||
        now.bottom - now.top != height) {
        SetWindowPos(slit, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(slit, nullptr, TRUE);
    }
    int y = top + MARGIN;
    for (HWND occupant : occupants) {
        SIZE size = windowSize(occupant);
        place(occupant, left + (width - size.cx) / 2, y);
        y += size.cy + MARGIN;
    }
}

LRESULT OnSlitAdd(HWND window) {
    hostLog("slit+|%08lX", hex(window));
    if (!window || window == slit || !IsWindow(window)) return 0;
    if (std::find(occupants.begin(), occupants.end(), window) == occupants.end())
        occupants.push_back(window);
    layout();
    return 1;
}

LRESULT OnSlitRemove(HWND window) {
    hostLog("slit-|%08lX", hex(window));
    occupants.erase(std::remove(occupants.begin(), occupants.end(), window), occupants.end());
    layout();
    return 1;
}

LRESULT OnPaint(HWND window) {
    shellPaintText(window, "");
    return 0;
}

/* The Slit never rises above the windows it holds. */
LRESULT OnWindowPosChanging(WINDOWPOS *position) {
    position->flags |= SWP_NOZORDER;
    return 0;
}

LRESULT CALLBACK SlitProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case MSG_SLIT_ADD: return OnSlitAdd((HWND)lParam);
    case MSG_SLIT_REMOVE: return OnSlitRemove((HWND)lParam);
    case WM_TIMER: layout(); return 0;
    case WM_PAINT: return OnPaint(window);
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging((WINDOWPOS *)lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

bool slitCreate(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SlitProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = SLIT_CLASS;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    slit = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, SLIT_CLASS, "Nightjar Slit", WS_POPUP,
                           work.right - EMPTY_SIZE, (work.top + work.bottom - EMPTY_SIZE) / 2,
                           EMPTY_SIZE, EMPTY_SIZE, nullptr, nullptr, instance, nullptr);
    if (!slit) return false;
    ShowWindow(slit, SW_SHOWNOACTIVATE); /* the Slit never takes the focus */
    SetTimer(slit, LAYOUT_TIMER, LAYOUT_INTERVAL_MS, nullptr);
    return true;
}

void slitDestroy() {
    if (slit) {
        KillTimer(slit, LAYOUT_TIMER);
        DestroyWindow(slit);
    }
    slit = nullptr;
    occupants.clear();
    UnregisterClassA(SLIT_CLASS, GetModuleHandleA(nullptr));
}

void slitRestyle() {
    if (slit) InvalidateRect(slit, nullptr, TRUE);
}

HWND hostSlitWindow() {
    return slit;
}
