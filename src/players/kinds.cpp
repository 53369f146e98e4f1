/* Naming a player window's kind, and finding the first window of the kinds allowed. */
#include "players/kinds.h"

#include <string.h>

static const PlayerKind *const KINDS[] = {&WINAMP_KIND, &CAD_KIND};

const PlayerKind *kindOf(HWND player) {
    char name[64];
    if (!player) return nullptr;
    if (GetClassNameA(player, name, sizeof name))
        for (const PlayerKind *kind : KINDS)
            if (strcmp(name, kind->windowClass) == 0) return kind;
    return &WINAMP_KIND;
}

HWND firstPlayerOf(LONG kinds, HWND gone) {
    for (const PlayerKind *kind : KINDS) {
        if (!(kinds & kind->bit)) continue;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, kind->windowClass, nullptr)))
            if (window != gone) return window;
    }
    return nullptr;
}

HWND findPlayer(HWND known, HWND gone, LONG kinds) {
    const PlayerKind *kind = known != gone && IsWindow(known) ? kindOf(known) : nullptr;
    return kind && (kinds & kind->bit) ? known : firstPlayerOf(kinds, gone);
}
