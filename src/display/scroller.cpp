/* The scroll thread: every 50 ms it moves a caption wider than the text area
   one step and blinks a paused one, asking the window for a repaint; with
   neither to do it rests until woken. */
#include "display/scroller.h"
#include "core/threads.h"
#include "display/caption.h"
#include "display/layout.h"
#include "display/surfaces.h"
#include "settings/options.h"
#include "winamp/winamp.h"

/* How far a step moves the caption at full pace: nothing while paused. Derived from
   the play state, so a player that has not answered yet scrolls at the plain pace. */
static int scrollStep() {
    return captionModel.playState == WINAMP_PAUSED ? 0 : 1;
}

static int bounceRest() {
    int rest = captionModel.scroll.edgeRest;
    return rest == OPTION_UNSET ? EDGE_REST_TICKS : rest;
}

static int streamRest() {
    int rest = captionModel.scroll.edgeRest;
    return rest == OPTION_UNSET ? 0 : rest;
}

/* One move of the bounce: the player's step (0 while paused) times the speed.
   A fast move that would carry the caption from inside the limits further past
   one than a single step could ends where that step would have, so that the
   rest at an end looks the same at every speed. */
static void moveBounce(int step) {
    int x = captionModel.scrollX, pixels = step * captionModel.scroll.speed;
    if (captionModel.scrollForward) {
        int farthest = step;
        captionModel.scrollX = x <= 0 && x + pixels > farthest ? farthest : x + pixels;
    } else {
        int farthest = captionModel.scrollMin - step;
        captionModel.scrollX =
            x >= captionModel.scrollMin && x - pixels < farthest ? farthest : x - pixels;
    }
}

static bool scrollingOnce() {
    return captionModel.scroll.when == SCROLL_ONCE;
}

void stepEndToEnd() {
    int resting = captionModel.edgeRestTicks;
    if (resting == 0) moveBounce(scrollStep());
    bool pastTheEnd = captionModel.scrollForward ? captionModel.scrollX > 0
                                                 : captionModel.scrollX < captionModel.scrollMin;
    if (!pastTheEnd) return;
    if (scrollingOnce()) {
        /* There and back: back at the start after the far end, the round is over. */
        if (!captionModel.scrollForward) captionModel.roundTurned = true;
        if (captionModel.scrollForward && captionModel.roundTurned) {
            captionModel.scrollX = 0;
            captionModel.edgeRestTicks = 0;
            captionModel.roundDone = true;
            return;
        }
    }
    if (resting >= bounceRest()) {
        captionModel.scrollForward = !captionModel.scrollForward;
        captionModel.edgeRestTicks = 0;
    } else {
        captionModel.edgeRestTicks = resting + 1;
    }
}

/* With a rest, the step that brings the caption's start to the left edge stops
   there, and the stream stands still for the rest before it runs on. */
void stepStream() {
    int rest = streamRest();
    if (captionModel.streamRestTicks > 0 && captionModel.scrollX == 0) {
        captionModel.streamRestTicks =
            captionModel.streamRestTicks >= rest ? 0 : captionModel.streamRestTicks + 1;
        return;
    }
    if (captionModel.scrollX < -(captionModel.textWidth + STREAM_GAP)) {
        captionModel.scrollX = captionModel.scroll.restartX;
        return;
    }
    int next = captionModel.scrollX - scrollStep() * captionModel.scroll.speed;
    if (scrollingOnce() && captionModel.scrollX > 0 && next <= 0) {
        /* Wrapped round and back at the start: the round is over. */
        captionModel.scrollX = 0;
        captionModel.roundDone = true;
        return;
    }
    if (rest > 0 && captionModel.scrollX > 0 && next <= 0) {
        captionModel.scrollX = 0;
        captionModel.streamRestTicks = 1;
        return;
    }
    captionModel.scrollX = next;
}

/* A caption strictly wider than the text area moves, when scrolling is on: always, for
   one round after each new title, or while the mouse is over the window. */
static bool captionScrolls() {
    const ScrollParameters &scroll = captionModel.scroll;
    if (scroll.areaWidth >= captionModel.textWidth || !scroll.scrolling) return false;
    if (scroll.when == SCROLL_ONCE) return !captionModel.roundDone;
    if (scroll.when == SCROLL_HOVER) return scroll.hovering;
    return true;
}

bool captionMoves() {
    return captionScrolls();
}

/* Asks for a repaint of what a step changes: only the text area, so that no
   more than the moving caption is drawn and reaches the screen. The whole
   window until the surfaces exist. */
static void invalidateCaption(HWND window) {
    RECT damage;
    {
        DisplayLock lock;
        damage = captionModel.scroll.damage;
    }
    InvalidateRect(window, IsRectEmpty(&damage) ? nullptr : &damage, FALSE);
}

void scrollTick(HWND window, int *blinkTicks) {
    bool moved = false;
    {
        DisplayLock lock;
        if (captionScrolls()) {
            if (captionModel.scroll.endToEnd)
                stepEndToEnd();
            else
                stepStream();
            moved = true;
        }
    }
    if (moved) invalidateCaption(window);
    if (captionModel.playState == WINAMP_PAUSED) {
        if (++*blinkTicks >= BLINK_TICKS) {
            captionModel.blinkOn = !captionModel.blinkOn;
            *blinkTicks = 0;
        }
        InvalidateRect(window, nullptr, FALSE);
    }
}

/* Whether a tick would do anything: move a caption wider than the text area, or
   blink a paused one; displayLock held. */
static bool hasWork() {
    return captionScrolls() || captionModel.playState == WINAMP_PAUSED;
}

/* The scroll thread's look for work: without any, it rests until the change path
   finds some for it. */
static bool workOrRest() {
    DisplayLock lock;
    captionModel.scrollResting = !hasWork();
    return !captionModel.scrollResting;
}

/* The caption back at its start, as a new round begins; displayLock held. */
static void backToStart() {
    captionModel.scrollX = 0;
    captionModel.edgeRestTicks = captionModel.streamRestTicks = 0;
    captionModel.scrollForward = true;
}

void captionToStart() {
    DisplayLock lock;
    backToStart();
}

/* The scroll options, the layout and the facts as they are now; displayLock held. A
   caption that they stop (scrolling on hover, the mouse elsewhere) goes back to its
   start rather than resting wherever the last step left it. */
static void takeScrollParameters(const Display &display, const ScrollFacts &facts) {
    bool moving = captionScrolls();
    ScrollParameters &scroll = captionModel.scroll;
    scroll.when = options.scrollWhen;
    scroll.hovering = facts.hovering;
    scroll.scrolling = options.scrolling;
    scroll.endToEnd = options.scrollStyle == SCROLL_END_TO_END;
    scroll.speed = options.scrollSpeed;
    scroll.edgeRest = options.edgeRest;
    scroll.areaWidth = textAreaWidth(display);
    scroll.restartX = clientArea(display).right;
    scroll.damage = scrollDamage();
    captionModel.scrollMin = scroll.areaWidth - captionModel.textWidth;
    captionModel.playState = facts.playState;
    if (moving && !captionScrolls()) backToStart();
}

/* A thread at work reads the new copy at its next tick by itself: only a resting one
   that now has work is woken, so that a caption change (the time moving on) costs no
   wake at all. */
void handScroller(const Display &display, const ScrollFacts &facts, HANDLE wake) {
    bool woken;
    {
        DisplayLock lock;
        takeScrollParameters(display, facts);
        woken = captionModel.scrollResting && hasWork();
    }
    if (wake && woken) SetEvent(wake);
}

/* Ticks every 50 ms while there is something to move or blink; otherwise rests
   until woken, so that an idle plugin costs the shell nothing. */
DWORD WINAPI scrollThread(LPVOID parameter) {
    StartContext *context = (StartContext *)parameter;
    int blinkTicks = 0;
    bool wasPaused = false;
    HANDLE stopOrWake[] = {context->stop, context->wake};
    for (;;) {
        /* A pause that ended leaves the blink visible, so that the next one starts so. */
        bool paused = captionModel.playState == WINAMP_PAUSED;
        if (wasPaused && !paused) captionModel.blinkOn = true;
        wasPaused = paused;
        if (workOrRest()) {
            scrollTick(context->window, &blinkTicks);
            if (WaitForSingleObject(context->stop, SCROLL_PERIOD_MS) != WAIT_TIMEOUT) break;
        } else if (WaitForMultipleObjects(2, stopOrWake, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            break;
        }
    }
    return 0;
}
