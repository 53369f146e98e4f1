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

/* The hooks of the running start and the player side they follow; shell's thread only.
   Process-wide: the system calls the hook's procedure with no context. */
static struct {
    EventHook appearing, renaming;
    PlayerSide *side;
} watching;

/* Called out of context, on this thread: no module is handed over. */
static HWINEVENTHOOK hookEvents(DWORD first, DWORD last) {
    return SetWinEventHook(first, last, nullptr, winEventProc, 0, 0,
                           WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNTHREAD);
}

/* Only the three events followed, in two hooks: one range from create to destroy would
   also bring every window's moves, focus and selection in the desktop to this thread.
   Both hooks or neither: the link thread's look once a second follows the player
   without them. */
void installEventHook(PlayerSide &side) {
    watching.side = &side;
    watching.appearing.reset(hookEvents(EVENT_OBJECT_CREATE, EVENT_OBJECT_DESTROY));
    watching.renaming.reset(hookEvents(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE));
    if (!watching.appearing || !watching.renaming) removeEventHook();
}

void removeEventHook() {
    watching.appearing.reset();
    watching.renaming.reset();
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
   the status comes first, then "TitleChange". Only events about the window itself
   count: a caret, a scroll bar or a menu of the player's window that goes away is not
   the player closing. */
void CALLBACK winEventProc(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                           DWORD) {
    PlayerSide *side = watching.side;
    if (!window || !side || object != OBJID_WINDOW || child != CHILDID_SELF) return;
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
