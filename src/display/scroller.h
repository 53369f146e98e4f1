/* The scroll animation: a stream that wraps, or a bounce with a rest at each end,
   and the blink of a paused caption. EDGE_REST_TICKS is the bounce's own rest. */
#pragma once

#include "core/threads.h"
#include "display/display.h"

#include <windows.h>

enum { SCROLL_PERIOD_MS = 50, EDGE_REST_TICKS = 25, BLINK_TICKS = 25, STREAM_GAP = 20 };

/* What a start hands its scroll thread: its context and its caption model, held by the
   thread until it ends. */
struct ScrollStart {
    SharedStart start;
    SharedCaption caption;
};
using SharedScroll = Shared<ScrollStart>;

/* The scroll thread of a start: its argument is the ScrollStart. */
DWORD WINAPI scrollThread(LPVOID scroll);

/* What the scroll thread's copy is made from beyond the options and the layout. */
struct ScrollFacts {
    bool hovering; /* the mouse is over the window */
    int playState; /* the player's: paused, the caption stands still and blinks */
};
/* Derives the caption model's copies from the options, the window's client size and
   facts (the scroll thread's options and layout, the scroll bounds, the play state
   the paint and the scroll thread read; a caption they stop goes back to its start),
   then wakes the scroll thread with wake when it rests and now has work (none:
   nothing is woken). Called by the
   plugin's change path alone. Shell's thread. */
void handScroller(const Display &display, const ScrollFacts &facts, HANDLE wake);
/* The caption back at its start (the mouse left the window). Shell's thread. */
void captionToStart(CaptionModel &model);
/* One tick's work without the wait, repainting window; blinkTicks is the thread's own
   counter. */
void scrollTick(CaptionModel &model, HWND window, int *blinkTicks);
void stepEndToEnd(CaptionModel &model);
void stepStream(CaptionModel &model);
/* Whether the caption moves now (rather than rests): the model's lock held. */
bool captionMoves(const CaptionModel &model);
