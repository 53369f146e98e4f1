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
static int scrollStep(const CaptionModel &m) {
    return m.playState == WINAMP_PAUSED ? 0 : 1;
}

static int bounceRest(const CaptionModel &m) {
    int rest = m.scroll.edgeRest;
    return rest == OPTION_UNSET ? EDGE_REST_TICKS : rest;
}

static int streamRest(const CaptionModel &m) {
    int rest = m.scroll.edgeRest;
    return rest == OPTION_UNSET ? 0 : rest;
}

/* One move of the bounce: the player's step (0 while paused) times the speed.
   A fast move that would carry the caption from inside the limits further past
   one than a single step could ends where that step would have, so that the
   rest at an end looks the same at every speed. */
static void moveBounce(CaptionModel &m, int step) {
    int x = m.scrollX, pixels = step * m.scroll.speed;
    if (m.scrollForward) {
        int farthest = step;
        m.scrollX = x <= 0 && x + pixels > farthest ? farthest : x + pixels;
    } else {
        int farthest = m.scrollMin - step;
        m.scrollX = x >= m.scrollMin && x - pixels < farthest ? farthest : x - pixels;
    }
}

static bool scrollingOnce(const CaptionModel &m) {
    return m.scroll.when == SCROLL_ONCE;
}

void stepEndToEnd(CaptionModel &m) {
    int resting = m.edgeRestTicks;
    if (resting == 0) moveBounce(m, scrollStep(m));
    bool pastTheEnd = m.scrollForward ? m.scrollX > 0 : m.scrollX < m.scrollMin;
    if (!pastTheEnd) return;
    if (scrollingOnce(m)) {
        /* There and back: back at the start after the far end, the round is over. */
        if (!m.scrollForward) m.roundTurned = true;
        if (m.scrollForward && m.roundTurned) {
            m.scrollX = 0;
            m.edgeRestTicks = 0;
            m.roundDone = true;
            return;
        }
    }
    if (resting >= bounceRest(m)) {
        m.scrollForward = !m.scrollForward;
        m.edgeRestTicks = 0;
    } else {
        m.edgeRestTicks = resting + 1;
    }
}

/* With a rest, the step that brings the caption's start to the left edge stops
   there, and the stream stands still for the rest before it runs on. */
void stepStream(CaptionModel &m) {
    int rest = streamRest(m);
    if (m.streamRestTicks > 0 && m.scrollX == 0) {
        m.streamRestTicks = m.streamRestTicks >= rest ? 0 : m.streamRestTicks + 1;
        return;
    }
    if (m.scrollX < -(m.textWidth + STREAM_GAP)) {
        m.scrollX = m.scroll.restartX;
        return;
    }
    int next = m.scrollX - scrollStep(m) * m.scroll.speed;
    if (scrollingOnce(m) && m.scrollX > 0 && next <= 0) {
        /* Wrapped round and back at the start: the round is over. */
        m.scrollX = 0;
        m.roundDone = true;
        return;
    }
    if (rest > 0 && m.scrollX > 0 && next <= 0) {
        m.scrollX = 0;
        m.streamRestTicks = 1;
        return;
    }
    m.scrollX = next;
}

/* A caption strictly wider than the text area moves, when scrolling is on: always, for
   one round after each new title, or while the mouse is over the window. */
bool captionMoves(const CaptionModel &m) {
    const ScrollParameters &scroll = m.scroll;
    if (scroll.areaWidth >= m.textWidth || !scroll.scrolling) return false;
    if (scroll.when == SCROLL_ONCE) return !m.roundDone;
    if (scroll.when == SCROLL_HOVER) return scroll.hovering;
    return true;
}

/* Asks for a repaint of what a step changes: only the text area, so that no
   more than the moving caption is drawn and reaches the screen. The whole
   window until the surfaces exist. */
static void invalidateCaption(CaptionModel &m, HWND window) {
    RECT damage;
    {
        CaptionLock lock(m);
        damage = m.scroll.damage;
    }
    InvalidateRect(window, IsRectEmpty(&damage) ? nullptr : &damage, FALSE);
}

void scrollTick(CaptionModel &m, HWND window, int *blinkTicks) {
    bool moved = false;
    {
        CaptionLock lock(m);
        if (captionMoves(m)) {
            if (m.scroll.endToEnd)
                stepEndToEnd(m);
            else
                stepStream(m);
            moved = true;
        }
    }
    if (moved) invalidateCaption(m, window);
    if (m.playState == WINAMP_PAUSED) {
        if (++*blinkTicks >= BLINK_TICKS) {
            m.blinkOn = !m.blinkOn;
            *blinkTicks = 0;
        }
        InvalidateRect(window, nullptr, FALSE);
    }
}

/* Whether a tick would do anything: move a caption wider than the text area, or
   blink a paused one; the model's lock held. */
static bool hasWork(const CaptionModel &m) {
    return captionMoves(m) || m.playState == WINAMP_PAUSED;
}

/* The scroll thread's look for work: without any, it rests until the change path
   finds some for it. */
static bool workOrRest(CaptionModel &m) {
    CaptionLock lock(m);
    m.scrollResting = !hasWork(m);
    return !m.scrollResting;
}

/* The caption back at its start, as a new round begins; the model's lock held. */
static void backToStart(CaptionModel &m) {
    m.scrollX = 0;
    m.edgeRestTicks = m.streamRestTicks = 0;
    m.scrollForward = true;
}

void captionToStart(CaptionModel &m) {
    CaptionLock lock(m);
    backToStart(m);
}

/* The scroll options, the layout and the facts as they are now; the model's lock held. A
   caption that they stop (scrolling on hover, the mouse elsewhere) goes back to its
   start rather than resting wherever the last step left it. */
static void takeScrollParameters(const Display &display, const ScrollFacts &facts) {
    CaptionModel &m = *display.caption;
    bool moving = captionMoves(m);
    ScrollParameters &scroll = m.scroll;
    scroll.when = options.scrollWhen;
    scroll.hovering = facts.hovering;
    scroll.scrolling = options.scrolling;
    scroll.endToEnd = options.scrollStyle == SCROLL_END_TO_END;
    scroll.speed = options.scrollSpeed;
    scroll.edgeRest = options.edgeRest;
    scroll.areaWidth = textAreaWidth(display.placement.window, display.style);
    scroll.restartX = clientArea(display.placement.window).right;
    scroll.damage = scrollDamage(display);
    m.scrollMin = scroll.areaWidth - m.textWidth;
    m.playState = facts.playState;
    if (moving && !captionMoves(m)) backToStart(m);
}

/* A thread at work reads the new copy at its next tick by itself: only a resting one
   that now has work is woken, so that a caption change (the time moving on) costs no
   wake at all. */
void handScroller(const Display &display, const ScrollFacts &facts, HANDLE wake) {
    CaptionModel &m = *display.caption;
    bool woken;
    {
        CaptionLock lock(m);
        takeScrollParameters(display, facts);
        woken = m.scrollResting && hasWork(m);
    }
    if (wake && woken) SetEvent(wake);
}

/* Ticks every 50 ms while there is something to move or blink; otherwise rests
   until woken, so that an idle plugin costs the shell nothing. */
DWORD WINAPI scrollThread(LPVOID parameter) {
    ScrollStart *scroll = (ScrollStart *)parameter;
    StartContext *context = scroll->start.get();
    CaptionModel &m = *scroll->caption;
    int blinkTicks = 0;
    bool wasPaused = false;
    HANDLE stopOrWake[] = {context->stop, context->wake};
    for (;;) {
        /* A pause that ended leaves the blink visible, so that the next one starts so. */
        bool paused = m.playState == WINAMP_PAUSED;
        if (wasPaused && !paused) m.blinkOn = true;
        wasPaused = paused;
        if (workOrRest(m)) {
            scrollTick(m, context->window, &blinkTicks);
            if (WaitForSingleObject(context->stop, SCROLL_PERIOD_MS) != WAIT_TIMEOUT) break;
        } else if (WaitForMultipleObjects(2, stopOrWake, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            break;
        }
    }
    return 0;
}
