/* The running start and the change path: what every change on the shell's thread
   brings into line, derived here and nowhere else. */
#include "plugin/instance.h"
#include "display/caption.h"
#include "display/render.h"
#include "display/scroller.h"
#include "display/surfaces.h"
#include "display/window.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

Instance *instanceOf(HWND window) {
    return window ? (Instance *)GetWindowLongPtrA(window, GWLP_USERDATA) : nullptr;
}

/* The poller's copy of the options. A caption that starts to show a time has none of
   the track's yet: it waits for them, and the poller is asked at once. */
static void handPoller(Instance *running) {
    LONG reads = pollerOptions(), kinds = playerKinds();
    if (InterlockedExchange(&running->player.link->kinds, kinds) != kinds)
        SetEvent(running->context->poll);
    LONG before = InterlockedExchange(&running->poller->reads, reads);
    if (reads & ~before & POLL_CAPTION_TIME) {
        forgetTimes(running->player);
        SetEvent(running->context->poll);
    }
}

/* The poller's copy of the title the caption shows, for the companion's label. */
static void handPollerTitle(PollerStart &poller) {
    wchar_t title[TEXT_SIZE];
    playerDisplay.readShownTitle(title);
    handTitle(poller, title);
}

/* A change of the caption or the play state is drawn at once, as the paint of the
   whole window would draw it, without the calls to the system that a paint costs (the
   time in the caption changes it every second). Left to the paints: a window without
   surfaces yet, and a paused caption, which each paint blends a little further. */
static void repaint(Instance *running, unsigned what) {
    if (!(what & ~CHANGED_SIZE)) return;
    if ((what & ~(CHANGED_CAPTION | CHANGED_PLAY_STATE)) || !frameDC(running->display) ||
        running->display.caption->playState == WINAMP_PAUSED) {
        InvalidateRect(running->display.placement.window, nullptr, FALSE);
        return;
    }
    HWND window = running->display.placement.window;
    WindowDC screen(window);
    int played = running->poller->played;
    if (paintWindow(running->display, screen, surfaceRect(running->display), running->composed,
                    played))
        changed(CHANGED_SIZE);
}

void changed(unsigned what) {
    Instance *running = runningInstance();
    if (!running || !running->poller) return;
    if (what & CHANGED_OPTIONS) handPoller(running);
    CaptionModel &caption = *running->display.caption;
    if ((what & CHANGED_OPTIONS) && fitCaptionFont(running->display)) what |= CHANGED_STYLE;
    if (what & CHANGED_STYLE) measureCaptionAgain(running->display);
    if ((what & CHANGED_HOVER) && !running->hovering) captionToStart(caption);
    handScroller(running->display, {running->hovering, playerStatus.playState},
                 running->context->wake);
    repaint(running, what);
    if (what & (CHANGED_CAPTION | CHANGED_OPTIONS | CHANGED_STYLE))
        followCaption(running->tooltip, caption);
    if (what & CHANGED_CAPTION) handPollerTitle(*running->poller);
    if (what & CHANGED_PLAY_STATE) followPlayState(running->display);
}
