/* The window-event watcher: Winamp starting, closing and renaming its window
   reach the caption and the shell the moment they happen. The hook asks the player
   nothing: each event hands the link thread a look, which comes back announced as
   the event asks. */
#include "winamp/watcher.h"
#include "core/owners.h"
#include "core/text.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <string.h>

/* The hook of the running start and the player side it follows; shell's thread only.
   Process-wide: the system calls the hook's procedure with no context. */
static struct {
    EventHook hook;
    PlayerSide *side;
} watching;

/* Called out of context, on this thread: no module is handed over. */
void installEventHook(PlayerSide &side) {
    watching.side = &side;
    watching.hook.reset(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                        winEventProc, 0, 0,
                                        WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNTHREAD));
}

void removeEventHook() {
    watching.hook.reset();
    watching.side = nullptr;
}

/* A player window appeared, or one showed itself while none is known. A known
   window that no longer exists (its process ended without a destroy event) is
   closed first, so that the new player is announced as opened. */
static void onWinampAppeared(PlayerSide &side) {
    HWND known = playerStatus.window;
    if (known && IsWindow(known)) return;
    if (known)
        playerGone(side, known, true);
    else
        playerAppeared(side);
}

/* Another player still running is taken at once and announced as opened; on a rename,
   the status comes first, then "TitleChange". */
void CALLBACK winEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD) {
    PlayerSide *side = watching.side;
    if (!window || !side) return;
    char className[TEXT_SIZE];
    if (!RealGetWindowClassA(window, className, TEXT_SIZE)) return;
    className[TEXT_SIZE - 1] = '\0';
    if (strcmp(className, WINAMP_CLASS) != 0) return;

    bool known = window == playerStatus.window;
    if (event == EVENT_OBJECT_CREATE)
        onWinampAppeared(*side);
    else if (event == EVENT_OBJECT_DESTROY && known)
        playerGone(*side, window, true);
    else if (event == EVENT_OBJECT_NAMECHANGE && known)
        playerRenamed(*side);
    else if (event == EVENT_OBJECT_NAMECHANGE && !playerStatus.window)
        onWinampAppeared(*side);
}
