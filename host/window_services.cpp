/* Services that act on a plugin's window: the sticky set (windows that stay on every
   desktop), snapping a moving window to the edges of the work area, and opacity
   through a layered window. */
#include <algorithm>
#include <cstdlib>
#include "shell_internal.h"

namespace {

std::vector<HWND> stickyWindows;

unsigned long hex(HWND window) {
    return (unsigned long)(UINT_PTR)window;
}

RECT workAreaAround(const RECT &rect) {
    RECT work;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    HMONITOR handle = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
    if (handle && GetMonitorInfoA(handle, &monitor))
        work = monitor.rcWork;
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

/* Moves start (with the span length) onto low or high when it is within distance;
   true when it now sits on an edge. */
bool snapAxis(int &start, int length, LONG low, LONG high, int distance) {
    if (abs(start - low) <= distance) {
        start = low;
        return true;
    }
    if (abs(start + length - high) <= distance) {
        start = high - length;
        return true;
    }
    return false;
}

} // namespace

NJ_API void MakeSticky(HWND window) {
    hostLog("sticky+|%08lX", hex(window));
    if (window &&
        std::find(stickyWindows.begin(), stickyWindows.end(), window) == stickyWindows.end())
        stickyWindows.push_back(window);
}

NJ_API void RemoveSticky(HWND window) {
    hostLog("sticky-|%08lX", hex(window));
    stickyWindows.erase(std::remove(stickyWindows.begin(), stickyWindows.end(), window),
                        stickyWindows.end());
}

NJ_API bool SnapWindowToEdge(WINDOWPOS *position, LPARAM distance, UINT flags) {
    if (!position || (position->flags & SWP_NOMOVE) || distance < 0) return false;
    int width = position->cx, height = position->cy;
    if ((position->flags & SWP_NOSIZE) || width <= 0 || height <= 0) {
        RECT current;
        if (!position->hwnd || !GetWindowRect(position->hwnd, &current)) return false;
        width = current.right - current.left;
        height = current.bottom - current.top;
    }
    RECT proposed = {position->x, position->y, position->x + width, position->y + height};
    RECT work = workAreaAround(proposed);
    int limit = distance > 10000 ? 10000 : (int)distance;
    bool snappedX = snapAxis(position->x, width, work.left, work.right, limit);
    bool snappedY = snapAxis(position->y, height, work.top, work.bottom, limit);
    return snappedX || snappedY;
}

NJ_API bool SetTransparency(HWND window, BYTE alpha) {
    hostLog("transparency|%08lX|%u", hex(window), (unsigned)alpha);
    if (!window || !IsWindow(window)) return false;
    LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    if (alpha == 255) {
        if (exStyle & WS_EX_LAYERED) SetWindowLongA(window, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        return true;
    }
    if (!(exStyle & WS_EX_LAYERED)) SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    return SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA) != FALSE;
}
