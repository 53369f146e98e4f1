/* The scroll thread: every 50 ms it moves a caption wider than the text area
   one step and blinks a paused one, asking the window for a repaint; with
   neither to do it rests until woken. */
#include "display/scroller.h"
#include "display/render.h"
#include "display/surfaces.h"
#include "plugin/state.h"

void stepEndToEnd() {
    int resting = warble.edgePause;
    if (warble.scrollForward) {
        if (resting == 0) warble.scrollX += warble.scrollStep;
        if (warble.scrollX <= warble.scrollMax) return;
    } else {
        if (resting == 0) warble.scrollX -= warble.scrollStep;
        if (warble.scrollX >= warble.scrollMin) return;
    }
    if (resting >= EDGE_REST_TICKS) {
        warble.scrollForward = !warble.scrollForward;
        warble.edgePause = 0;
    } else {
        warble.edgePause = resting + 1;
    }
}

void stepStream() {
    if (warble.scrollX < -(warble.textWidth + STREAM_GAP))
        warble.scrollX = warble.width;
    else
        warble.scrollX -= warble.scrollStep;
}

/* A caption strictly wider than the text area moves, when scrolling is on. */
static bool captionScrolls() {
    return textAreaWidth() < warble.textWidth && warble.scrolling;
}

/* Asks for a repaint of what a step changes: only the text area, so that no
   more than the moving caption is drawn and reaches the screen. The whole
   window until the surfaces exist. */
static void invalidateCaption() {
    RECT damage;
    {
        DisplayLock lock;
        damage = scrollDamage();
    }
    InvalidateRect(warble.hwndPlugin, IsRectEmpty(&damage) ? nullptr : &damage, FALSE);
}

void scrollTick(int *blinkTicks) {
    bool moved = false;
    {
        DisplayLock lock;
        if (captionScrolls()) {
            if (warble.scrollEndToEnd)
                stepEndToEnd();
            else
                stepStream();
            moved = true;
        }
    }
    if (moved) invalidateCaption();
    if (warble.playState == 3) {
        if (++*blinkTicks >= BLINK_TICKS) {
            warble.blinkOn = !warble.blinkOn;
            *blinkTicks = 0;
        }
        InvalidateRect(warble.hwndPlugin, nullptr, FALSE);
    }
}

/* Whether a tick would do anything: move a caption wider than the text area, or
   blink a paused one. */
static bool hasWork() {
    DisplayLock lock;
    return captionScrolls() || warble.playState == 3;
}

void wakeScroller() {
    if (warble.hScrollWake) SetEvent(warble.hScrollWake);
}

/* Ticks every 50 ms while there is something to move or blink; otherwise rests
   until woken, so that an idle plugin costs the shell nothing. */
DWORD WINAPI scrollThread(LPVOID) {
    int blinkTicks = 0;
    HANDLE stopOrWake[] = {warble.hStopEvent, warble.hScrollWake};
    for (;;) {
        if (hasWork()) {
            scrollTick(&blinkTicks);
            if (WaitForSingleObject(warble.hStopEvent, SCROLL_PERIOD_MS) != WAIT_TIMEOUT) return 0;
        } else if (WaitForMultipleObjects(2, stopOrWake, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            return 0;
        }
    }
}
