/* The once-a-second position poller and the companion plugin's two commands. */
#pragma once

#include "core/owners.h"
#include "core/part.h"
#include "core/text.h"
#include "core/threads.h"
#include "players/link.h"

#include <windows.h>
#include <stddef.h>

/* What the poller reads of the options, as bits: the idle text shows the time, the
   companion is pushed to, the progress line shows, the caption format shows a time (the
   position and length then go to the shell's thread). */
enum { POLL_IDLE_TIME = 1, POLL_COMPANION = 2, POLL_PROGRESS = 4, POLL_CAPTION_TIME = 8 };
/* Those bits for the options as they are now. Shell's thread. */
LONG pollerOptions();
/* The kinds of player the options allow (KIND_ bits, players/kinds.h). Shell's thread. */
LONG playerKinds();

/* What the poller of a start is handed: its start's context, the shell's window, its
   copy of the options and the start's player link, whose link thread it is; and what it
   hands back. Held by the start and by the poller, freed by the last one out. */
struct PollerStart {
    SharedStart start;
    HWND shell;              /* the shell's window the broadcasts go to: the lifecycle,
                                before the poller starts, so that a later start's shell
                                is never this poller's */
    volatile LONG reads;     /* POLL_ bits: written by the shell's thread, read whole */
    Shared<PlayerLink> link; /* the lifecycle, before the poller starts */
    volatile LONG played;    /* the part played, PART_SCALE for the whole: written by the
                                poller, read whole by the paint */
    /* The title the caption shows, for the companion's label: written by the shell's
       thread (handTitle), read by the poller, under lock. */
    CriticalSection lock;
    wchar_t title[TEXT_SIZE];
    /* The two companion commands, the poller's alone: a broadcast that the shell takes
       only after the wait for it ended still finds its text, as long as the block lives
       (the start lets go of it only after taking the messages sent to its thread). */
    char slider[TEXT_SIZE], label[TEXT_SIZE];
};
using SharedPoller = Shared<PollerStart>;

/* The caption now shows of title: the poller's copy, for the companion's label.
   Shell's thread. */
void handTitle(PollerStart &poller, const wchar_t *title);
/* The poller of a start, the link thread of its player link: its argument is the
   PollerStart. */
DWORD WINAPI pollThread(LPVOID poller);
/* The part of the track played, 0 to 1, from the position in whole seconds and the
   length: a stream, which has no length, is at 0; a position past the end at 1. */
float playedFraction(int seconds, int length);
/* The two companion commands, bounded to size characters. */
void formatSliderCommand(float fraction, char *out, size_t size);
/* The label carries the caption in the system code page. */
void formatLabelCommand(const wchar_t *caption, char *out, size_t size);
