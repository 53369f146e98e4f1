/* Showing the display window as the options say: hidden with the shell's plugins or
   while nothing plays (a docked window too, the Slit keeping its place), translucent
   or keyed when floating, and at its place and size. */
#include "display/window.h"
#include "display/caption.h"
#include "display/placement.h"
#include "display/scroller.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "settings/style.h"
#include "winamp/winamp.h"

static bool nothingPlays() {
    int state = captionModel.playState;
    return state != WINAMP_PLAYING && state != WINAMP_PAUSED;
}

bool windowHidden() {
    return (placement.pluginsHidden && options.toggleWithPlugins) ||
           (options.hideWhenIdle && nothingPlays());
}

void followPlayState() {
    HWND w = placement.window;
    if (!w || !options.hideWhenIdle) return;
    if ((IsWindowVisible(w) != FALSE) != windowHidden()) return;
    RECT place;
    GetWindowRect(w, &place);
    applyWindowState();
    /* Applying the state puts even a docked window at its floating place; it goes
       back where the Slit keeps it now rather than at the Slit's next layout. */
    if (docked())
        SetWindowPos(w, nullptr, place.left, place.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void applyWindowState() {
    HWND w = placement.window;
    wakeScroller();
    if (windowHidden()) {
        ShowWindow(w, SW_HIDE);
        return;
    }
    BYTE opacity = options.transparencyEnabled ? (BYTE)(options.alpha & 0xFF) : 255;
    if (placement.layeredSupported) {
        LONG exStyle = GetWindowLongA(w, GWL_EXSTYLE);
        if (!docked() && placement.setLayeredAttributes) {
            SetWindowLongA(w, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
            placement.setLayeredAttributes(w, COLOUR_KEY, opacity, LWA_COLORKEY | LWA_ALPHA);
        } else {
            SetWindowLongA(w, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        }
    } else {
        SetTransparency(w, docked() ? 255 : opacity);
    }
    SetWindowPos(w, options.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, options.xPos, options.yPos,
                 options.width, options.height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(w, nullptr, FALSE);
}
