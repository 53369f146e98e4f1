/* The window-event watcher: Winamp starting, closing and renaming its window
   reach the caption and the shell the moment they happen. */
#include "winamp/watcher.h"
#include "plugin/state.h"
#include "winamp/player.h"
#include "winamp/relay.h"

#include <string.h>

void installEventHook() {
    warble.hwinEventHook =
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, GetModuleHandleA(nullptr),
                        winEventProc, 0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNTHREAD);
}

void removeEventHook() {
    if (warble.hwinEventHook) UnhookWinEvent(warble.hwinEventHook);
    warble.hwinEventHook = nullptr;
}

static void onWinampCreated() {
    if (warble.hwndWinamp) return;
    queryPlayer();
    if (warble.hwndWinamp) postBroadcast("@Warble_fromWinamp_Opened");
}

static void onWinampDestroyed() {
    queryPlayer();
    for (int i = 0; i < RELAY_SLOTS; ++i)
        endRelaySlot(i);
    postBroadcast("@Warble_fromWinamp_Closed");
}

static void onWinampRenamed() {
    queryPlayer();
    postBroadcast("@Warble_fromWinamp_TitleChange");
}

void CALLBACK winEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD) {
    if (!window) return;
    char className[TEXT_SIZE];
    if (!RealGetWindowClassA(window, className, TEXT_SIZE)) return;
    className[TEXT_SIZE - 1] = '\0';
    if (strcmp(className, "Winamp v1.x") != 0) return;

    if (event == EVENT_OBJECT_CREATE)
        onWinampCreated();
    else if (event == EVENT_OBJECT_DESTROY && window == warble.hwndWinamp)
        onWinampDestroyed();
    else if (event == EVENT_OBJECT_NAMECHANGE && window == warble.hwndWinamp)
        onWinampRenamed();
}
