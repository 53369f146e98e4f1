/* The choice of the player to follow. With one kind allowed, or only one player
   running, it is the known player or the first one found, as ever; with players of two
   kinds, the one that started playing last, kept while none starts. */
#include "players/follow.h"
#include "players/cad.h"
#include "players/kinds.h"
#include "winamp/winamp.h"

/* The status asked of window, through its kind; false without an answer. */
static bool askStatusOf(PlayerLink *link, bool forJob, HWND window, int *status) {
    const PlayerKind *kind = kindOf(window);
    return kind && kind->askStatus(link, forJob, window, status);
}

/* Whether window plays, and since when (into since), as its readings tell: the link
   keeps the last two players' readings. */
static bool playingSince(PlayerLink *link, HWND window, int status, DWORD *since) {
    PlayerLink::Seen *slot = &link->seen[0];
    for (PlayerLink::Seen &seen : link->seen)
        if (seen.window == window) {
            slot = &seen;
            break;
        } else if (!IsWindow(seen.window)) {
            slot = &seen;
        }
    bool before = slot->window == window && slot->playing;
    slot->window = window;
    slot->playing = status == WINAMP_PLAYING;
    if (slot->playing && !before) slot->since = GetTickCount();
    *since = slot->since;
    return slot->playing;
}

/* A player of another kind than chosen's, when the options allow one. */
static HWND otherPlayer(PlayerLink *link, HWND chosen, HWND gone) {
    const PlayerKind *kind = kindOf(chosen);
    return kind ? firstPlayerOf(link->kinds & ~kind->bit, gone) : nullptr;
}

bool readPlayer(PlayerLink *link, HWND known, HWND gone, bool forJob, PlayerReading *out) {
    *out = {findPlayer(known, gone, link->kinds), -1, true};
    if (out->window) out->answered = askStatusOf(link, forJob, out->window, &out->status);
    HWND other = out->window ? otherPlayer(link, out->window, gone) : nullptr;
    int otherStatus = -1;
    DWORD since = 0, otherSince = 0;
    bool plays = out->answered && playingSince(link, out->window, out->status, &since);
    if (other && askStatusOf(link, forJob, other, &otherStatus) &&
        playingSince(link, other, otherStatus, &otherSince) &&
        (!plays || (LONG)(otherSince - since) > 0))
        *out = {other, otherStatus, true};
    if (out->answered && kindOf(out->window) == &CAD_KIND) readCadTrack(link, out->window);
    if (out->answered) keepReading(link, *out);
    return out->answered;
}
