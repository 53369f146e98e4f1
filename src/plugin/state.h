/* The plugin's one state record: settings, handles and display state, shared
   by the shell's thread, the position poller, the scroll thread and the relay
   threads. Each shared field says which threads write it and what guards it. */
#pragma once

#include "plugin/nightjar.h"

enum { TEXT_SIZE = 260, RELAY_SLOTS = 10, RELAY_COMMAND_SIZE = 1024 };

/* Ranges of the scroll options. A rest of STYLE_REST leaves each scroll style
   its own rest at the ends. */
enum { SCROLL_SPEED_MIN = 1, SCROLL_SPEED_MAX = 10, EDGE_REST_MAX = 200, STYLE_REST = -1 };

typedef BOOL(WINAPI *SetLayeredWindowAttributesFn)(HWND, COLORREF, BYTE, DWORD);

/* One relayed command. `thread` non-null marks the slot busy; whoever swaps it
   back to null (the relay thread as its last step, or whoever ends the thread)
   owns and closes the handle. */
struct RelaySlot {
    char command[RELAY_COMMAND_SIZE]; /* written by the shell's thread before the thread starts */
    char reply[TEXT_SIZE];            /* the thread's result broadcast; outlives the thread */
    HANDLE volatile thread;           /* swapped atomically */
    DWORD threadId;
    DWORD startTime; /* timeGetTime when the slot was taken */
};

struct PluginState {
    /* Handles and paths: written on the shell's thread at start, stop and reconfigure. */
    HINSTANCE hInstance;
    HWND hwndPlugin;
    HWND hwndHost;
    HWND volatile hwndWinamp; /* rewritten by every queryPlayer, on the shell's or the poller's
                                 thread */
    HWND hwndSlit;
    char rcPath[TEXT_SIZE];
    char updateUrl[TEXT_SIZE];
    HFONT hFont; /* replaced only under displayLock */
    SetLayeredWindowAttributesFn pSetLayeredWindowAttributes;
    bool layeredSupported;
    HANDLE hPollThread;
    DWORD pollThreadId;
    HANDLE hScrollThread;
    DWORD scrollThreadId;
    HANDLE hStopEvent;  /* asks the poller and the scroll thread to end */
    HANDLE hScrollWake; /* wakes a resting scroll thread: there may be work (auto-reset) */
    HWINEVENTHOOK hwinEventHook;
    RelaySlot relaySlots[RELAY_SLOTS];

    /* Placement and options: written on the shell's thread only; other threads
       read single whole values. */
    int xPos, yPos, width, height;
    bool alwaysOnTop, snapWindow, toggleWithPlugins, pluginsHidden;
    bool transparencyEnabled, transBackEnabled;
    int alpha;
    bool showBorder, inSlit, scrolling, showTrackNumber, scrollEndToEnd;
    bool interfaceExtensions, useStyleFont;
    char fontFace[TEXT_SIZE];
    int fontHeight, fontWeight;
    int idleState;
    char idleMessage[TEXT_SIZE]; /* read by the poller only through idleText, under displayLock */
    char idleTimeFormat[TEXT_SIZE]; /* likewise */
    int scrollSpeed;   /* pixels per scroll step at full pace, SCROLL_SPEED_MIN to _MAX */
    int edgeRest;      /* scroll steps of rest at the ends, 0 to EDGE_REST_MAX, or STYLE_REST */
    bool hideWhenIdle; /* the window steps aside while nothing plays */

    /* Style: written on the shell's thread by loadStyle. */
    StyleItem styleItem;
    COLORREF textColour;
    int bevelWidth, borderWidth;
    COLORREF colourKey;

    /* Caption and scroll state: written by setCaption (shell's thread or poller),
       the scroll thread, recreateBuffers and remeasureCaption, all under
       displayLock; the paint reads them under the same lock. */
    char caption[TEXT_SIZE];
    char lastCaption[TEXT_SIZE];
    int textWidth, textHeight;
    int scrollX, scrollMin, scrollMax, edgePause;
    bool scrollForward;
    int streamPause; /* steps the stream has rested with the caption's start at the left
                        edge; the scroll thread only */

    /* Off-screen surfaces, the frame and the drawn background: shell's thread only. */
    HDC bufferDC, backDC;
    HBITMAP bufferBitmap, backBitmap, oldBufferBitmap, oldBackBitmap;
    /* The caption font while it stays selected into the frame (selecting a font
       costs more than the rest of a paint), and the font it replaced. */
    HFONT bufferFont;
    HGDIOBJ oldBufferFont;
    /* Their size, the client area's: written on the shell's thread under
       displayLock; the scroll thread reads it under the lock. */
    int surfaceWidth, surfaceHeight;

    /* Player status: written whole by queryPlayer (shell's thread or poller);
       blinkOn also by the scroll thread. */
    volatile int scrollStep;
    volatile bool blinkOn;
    volatile bool isPaused;
    BLENDFUNCTION pausedBlend;
    volatile int playState;
    volatile LONG sliderEcho; /* set by the poller, tested and cleared by relay threads */
};

extern PluginState warble;

/* Guards the caption, the scroll fields and the font against the threads above.
   Never held across SendMessageA. */
extern CRITICAL_SECTION displayLock;

struct DisplayLock {
    DisplayLock() { EnterCriticalSection(&displayLock); }
    ~DisplayLock() { LeaveCriticalSection(&displayLock); }
    DisplayLock(const DisplayLock &) = delete;
    DisplayLock &operator=(const DisplayLock &) = delete;
};

/* Copies at most size - 1 characters and always terminates. */
void copyText(char *to, const char *from, size_t size);

inline int clampInt(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

/* The plugin's name and version, and who to reach about it. */
extern const char WARBLE_NAME_VERSION[];
extern const char WARBLE_AUTHOR[];
extern const char WARBLE_WEB[];
extern const char WARBLE_EMAIL[];
