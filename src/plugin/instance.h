/* One start of the plugin: everything it holds, and the one path by which the shell's
   thread says what changed. */
#pragma once

#include "core/owners.h"
#include "core/threads.h"
#include "display/display.h"
#include "display/render.h"
#include "display/tooltip.h"
#include "settings/duplicates.h"
#include "settings/settings.h"
#include "winamp/player.h"
#include "winamp/poller.h"

#include <windows.h>

/* The running start, made by the lifecycle when the plugin starts and handed to its
   window as the window is created (the creation's parameter, kept in the window's user
   data until the end): the window procedure finds it there and hands its parts on. Each
   field has one writer, named beside it (composed: the paint, whoever runs it); the
   shell's thread alone reads them (the poller
   and the scroll thread read their blocks through holds of their own). */
struct Instance {
    /* lifecycle: registered from the start until its end (the shell unregisters nothing
       of ours); declared first, so that it goes after the window */
    WindowClass windowClass;
    Window window;         /* lifecycle: the display window, from its creation to the end */
    SharedStart context;   /* lifecycle: the context its workers hold */
    Display display;       /* the start's display: each part's writer is in display.h */
    SettingsSync settings; /* settings.cpp: the start's hold on its settings file */
    DuplicateWatch duplicates; /* duplicates.cpp: at the start and each apply of the file */
    PlayerSide player;     /* player.cpp: the start's side of the player (the link: lifecycle) */
    SharedPoller poller;   /* lifecycle makes it, changed hands it its reads */
    bool hovering;         /* window_proc: the mouse is over the window */
    int wheelCarry;        /* window_proc: parts of a wheel's notch not yet whole */
    Tooltip tooltip;       /* lifecycle makes it, tooltip.cpp writes it */
    Timer notice;          /* controller: set while a notice shows in place of the caption */
    /* paintWindow, run by window_proc's paint and the change path's repaint: the caption
       the frame holds */
    CaptionFrame composed;
};

/* The start whose window this is, from the window's creation until the start's end
   (its workers' context comes a moment after the window). */
Instance *instanceOf(HWND window);
/* The running start once its workers run (lifecycle.cpp, which keeps it), or null. */
Instance *runningInstance();

/* What changed on the shell's thread: one or more of these bits. */
enum Change {
    CHANGED_OPTIONS = 1,    /* any option, whatever changed it (the file, a command, a move) */
    CHANGED_STYLE = 2,      /* the shell's style and the caption font, made again */
    CHANGED_CAPTION = 4,    /* the caption's text or title */
    CHANGED_SIZE = 8,       /* the window's client size (the surfaces are rebuilt) */
    CHANGED_HOVER = 16,     /* the mouse came over the window or left it */
    CHANGED_PLAY_STATE = 32 /* the player's state */
};
enum { CHANGED_EVERYTHING = 63 };

/* The one path for every change on the shell's thread: derives whatever depends on
   what changed, in one place. The workers' copies (the poller's bits, woken at once
   for a caption that starts to show a time; the scroll thread's options, layout,
   hover and play state), the scroll bounds from the window's real client size, the
   caption measured again in a new font, back at its start when the mouse leaves, the
   repaint (a new caption or play state drawn at once), the tooltip, and whether the
   window shows while nothing plays. */
void changed(unsigned what);
