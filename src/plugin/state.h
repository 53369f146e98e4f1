/* The plugin's one state record: settings, handles and display state, shared
   by the shell's thread, the position poller, the scroll thread and the relay
   threads. Each shared field says which threads write it and what guards it. */
#pragma once

#include "core/owners.h"
#include "nightjar/nightjar.h"
#include "plugin/text.h"
#include "plugin/threads.h"
#include "settings/options.h"

enum { RELAY_SLOTS = 10, RELAY_COMMAND_SIZE = 1024 };
/* Relay threads alive at once: the ten working ones and abandoned ones still
   finishing their bounded waits. */
enum { RELAY_THREADS_MAX = 32 };

typedef BOOL(WINAPI *SetLayeredWindowAttributesFn)(HWND, COLORREF, BYTE, DWORD);

/* One relay slot: who waits there. The command and its answer belong to its thread. */
struct RelaySlot {
    volatile LONG owner; /* 0 free, 2 * ticket while that command waits, + 1 while it reports;
                            set busy by the shell's thread, left only by compare-and-swap
                            (the thread when done, the shell's thread when abandoning) */
    DWORD startTime;     /* timeGetTime when the slot was taken; shell's thread */
};

struct PluginState {
    /* Handles and paths: written on the shell's thread at start, stop and reconfigure. */
    HINSTANCE hInstance;
    HWND hwndPlugin;
    HWND hwndHost;
    HWND volatile hwndWinamp; /* the known player; written on the shell's thread only, by each
                                 installed look; the poller reads it to ask the position */
    HWND hwndSlit;
    char rcPath[TEXT_SIZE];
    HFONT hFont; /* replaced only under displayLock */
    SetLayeredWindowAttributesFn pSetLayeredWindowAttributes;
    bool layeredSupported;
    StartContext *start; /* this start's, shared with its threads; shell's thread only */
    RelaySlot relaySlots[RELAY_SLOTS];
    volatile LONG relayThreads; /* relay threads alive, abandoned ones included: raised by the
                                   shell's thread before a start, lowered by each thread as its
                                   last step */

    /* The shell hid its plugins: shell's thread only. */
    bool pluginsHidden;

    /* Style: written on the shell's thread by loadStyle. */
    StyleItem styleItem;
    COLORREF textColour;
    int bevelWidth, borderWidth;
    COLORREF colourKey;

    /* Caption and scroll state: written by setCaption (shell's thread),
       the scroll thread, recreateSurfaces and remeasureCaption, all under
       displayLock; the paint reads them under the same lock. The caption is
       UTF-16: shown as it is. */
    wchar_t caption[TEXT_SIZE];
    int textWidth, textHeight;
    int scrollX, scrollMin, edgePause; /* the bounce runs from scrollMin to 0 */
    bool scrollForward;
    int streamPause; /* steps the stream has rested with the caption's start at the left
                        edge; the scroll thread only */

    /* The blink's phase while paused: the scroll thread alone writes it, and leaves it
       visible when a pause ends, so that the next pause starts visible. */
    volatile bool blinkOn;

    /* Player status: owned by the shell's thread, which alone writes it (queryPlayer and
       the looks the poller hands over with MSG_PLAYER_LOOK). Other threads read single
       whole values. */
    volatile int playState;
    volatile LONG playerEpoch;    /* raised by the shell's thread at each installed look: a look
                                     the poller began before it is out of date */
    volatile bool lookUnanswered; /* shell's thread: the last look found a player that did not
                                     answer, so the poller asks again */
    volatile LONG sliderEcho;     /* set by the poller, tested and cleared by relay threads */
};

extern PluginState warble;

/* Docked in the Slit: the settings say so and the shell handed one over. Without a
   Slit the window floats, and the setting stays stored for a start with one. */
inline bool docked() {
    return options.inSlit && warble.hwndSlit;
}

/* Guards the caption, the scroll fields and the font against the threads above.
   Never held across SendMessageA. */
extern CriticalSection displayLock;

struct DisplayLock {
    DisplayLock() { displayLock.enter(); }
    ~DisplayLock() { displayLock.leave(); }
    DisplayLock(const DisplayLock &) = delete;
    DisplayLock &operator=(const DisplayLock &) = delete;
};

inline int clampInt(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

/* The plugin's name and version, and who to reach about it. */
extern const char WARBLE_NAME_VERSION[];
extern const char WARBLE_AUTHOR[];
extern const char WARBLE_WEB[];
extern const char WARBLE_EMAIL[];
