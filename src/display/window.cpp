/* Showing the display window as the options say: hidden with the shell's plugins or
   while nothing plays (a docked window too, the Slit keeping its place), translucent
   or keyed when floating, and at its place and size. */
#include "display/window.h"
#include "display/caption.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"
#include "winamp/winamp.h"

void learnLayering(Display &display) {
    /* user32 is loaded for as long as the shell runs: no reference of our own. */
    display.placement.setLayeredAttributes = (SetLayeredWindowAttributesFn)GetProcAddress(
        GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes");
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    display.placement.layeredSupported =
        version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4;
}

void windowMade(Display &display, HWND window) {
    display.placement.window = window;
}

void windowGone(Display &display) {
    display.placement.window = nullptr;
}

void showWithPlugins(Display &display, bool hidden) {
    if (docked()) return;
    display.placement.pluginsHidden = hidden;
    applyWindowState(display);
}

static bool nothingPlays(const Display &display) {
    int state = display.caption->playState;
    return state != WINAMP_PLAYING && state != WINAMP_PAUSED;
}

bool windowHidden(const Display &display) {
    return (display.placement.pluginsHidden && options.toggleWithPlugins) ||
           (options.hideWhenIdle && nothingPlays(display));
}

void followPlayState(Display &display) {
    HWND w = display.placement.window;
    if (!w || !options.hideWhenIdle) return;
    if ((IsWindowVisible(w) != FALSE) != windowHidden(display)) return;
    RECT place;
    GetWindowRect(w, &place);
    applyWindowState(display);
    /* Applying the state puts even a docked window at its floating place; it goes
       back where the Slit keeps it now rather than at the Slit's next layout. */
    if (docked())
        SetWindowPos(w, nullptr, place.left, place.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static int clampWide(long long value, long long low, long long high) {
    return (int)(value < low ? low : value > high ? high : value);
}

RECT shownPlace() {
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    int width = options.width, height = options.height;
    if (screenWidth > 0 && width > screenWidth) width = screenWidth;
    if (screenHeight > 0 && height > screenHeight) height = screenHeight;
    /* A place far outside the screen is as far as needed and no further, so that
       nothing overflows. */
    int x = clampWide(options.xPos, (long long)left - width, (long long)left + screenWidth);
    int y = clampWide(options.yPos, (long long)top - height, (long long)top + screenHeight);
    RECT place = {x, y, x + width, y + height};
    if (MonitorFromRect(&place, MONITOR_DEFAULTTONULL)) return place;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &monitor)) return place;
    const RECT &work = monitor.rcWork;
    x = clampWide(x, work.left, work.right - width > work.left ? work.right - width : work.left);
    y = clampWide(y, work.top, work.bottom - height > work.top ? work.bottom - height : work.top);
    return {x, y, x + width, y + height};
}

void applyWindowState(Display &display) {
    HWND w = display.placement.window;
    if (windowHidden(display)) {
        ShowWindow(w, SW_HIDE);
        return;
    }
    BYTE opacity = options.transparencyEnabled ? (BYTE)(options.alpha & 0xFF) : 255;
    if (display.placement.layeredSupported) {
        LONG exStyle = GetWindowLongA(w, GWL_EXSTYLE);
        if (!docked() && display.placement.setLayeredAttributes) {
            SetWindowLongA(w, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
            display.placement.setLayeredAttributes(w, COLOUR_KEY, opacity,
                                                   LWA_COLORKEY | LWA_ALPHA);
        } else {
            SetWindowLongA(w, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        }
    } else {
        SetTransparency(w, docked() ? 255 : opacity);
    }
    RECT shown = shownPlace();
    display.placement.placing = true;
    SetWindowPos(w, options.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, shown.left, shown.top,
                 shown.right - shown.left, shown.bottom - shown.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    display.placement.placing = false;
    InvalidateRect(w, nullptr, FALSE);
}
