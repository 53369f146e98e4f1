/* The caption model: the text the window shows, its size in the caption font, the
   scroll position and the blink. The shell's thread and the scroll thread share it
   under its own lock, and the scroll thread reads nothing else. */
#pragma once

#include "core/owners.h"
#include "core/text.h"

/* What the scroll thread needs of the options and the layout: its copy, which the
   plugin's change path derives under the model's lock (handScroller) after anything that
   may have changed one of them, and then wakes the scroll thread. */
struct ScrollParameters {
    bool scrolling, endToEnd;
    int speed;     /* pixels per step at full pace */
    int edgeRest;  /* steps of rest at the ends, or OPTION_UNSET for each style's own */
    int when;      /* ScrollWhen */
    bool hovering; /* the mouse is over the window */
    int areaWidth; /* the text area's width */
    int restartX;  /* where the stream comes back in: the window's width */
    RECT damage;   /* what a step changes: the text area of the surfaces */
};

/* One start's caption model, shared by the start's display and its scroll thread: the
   last of them to let go frees it. */
struct CaptionModel {
    /* Guards the fields below against the threads that share them. Never held across
       SendMessageA. */
    CriticalSection lock;
    /* Written by setCaption and measureCaptionAgain, the scroll bounds by handScroller
       (shell's thread), the surfaces' rebuild and the scroll thread, all under the
       lock; the paint reads them under it too. The text is UTF-16: shown as it is. */
    wchar_t text[TEXT_SIZE];
    wchar_t title[TEXT_SIZE]; /* what the text shows of: the track's title, or the text */
    int textWidth, textHeight;
    int scrollX, scrollMin; /* the bounce runs from scrollMin to 0 */
    int edgeRestTicks;      /* steps the bounce has rested past an end */
    bool scrollForward;
    int streamRestTicks; /* steps the stream has rested with the caption's start at the left
                            edge; the scroll thread only */
    /* Scrolling once: the bounce has turned at the far end, and the round is over (the
       caption rests at its start). A new text starts a new round. */
    bool roundTurned, roundDone;
    /* The player's state the caption shows (paused: fading in and out, still): derived
       from the player status by handScroller (shell's thread), read whole by the scroll
       thread and the paint. */
    volatile int playState;
    /* The blink's phase while paused: the scroll thread alone writes it, and leaves it
       visible when a pause ends, so that the next pause starts visible. */
    volatile bool blinkOn;
    /* The scroll thread found nothing to do and waits to be woken: the scroll thread
       alone writes it, under the lock, so that the change path wakes it only when
       there is work for it again. */
    bool scrollResting;
    ScrollParameters scroll;
};

using SharedCaption = Shared<CaptionModel>;

/* A new, empty model for a start, into caption; false when the heap has no room. */
bool createCaptionModel(SharedCaption &caption);

/* Holds a model's lock for its own lifetime. */
class CaptionLock : public SectionHold {
  public:
    explicit CaptionLock(CaptionModel &model) : SectionHold(model.lock) {}
};
