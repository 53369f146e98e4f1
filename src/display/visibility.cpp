/* Hiding the window while nothing plays, together with the shell's show and
   hide of its plugins; a docked window is hidden the same way and the Slit
   keeps its place. */
#include "display/visibility.h"
#include "display/window.h"
#include "plugin/state.h"
#include "winamp/player.h"

static bool nothingPlays() {
    int state = warble.playState;
    return state != WINAMP_PLAYING && state != WINAMP_PAUSED;
}

bool windowHidden() {
    return (warble.pluginsHidden && options.toggleWithPlugins) ||
           (options.hideWhenIdle && nothingPlays());
}

void followPlayState() {
    HWND w = warble.hwndPlugin;
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
