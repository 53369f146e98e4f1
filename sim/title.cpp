/* Winamp's title forms (numbered track, state suffix and the scrolling ring), and a CAD
   player's. */
#include "title.h"
#include "utf8.h"

const wchar_t BARE_TITLE[] = L"Winamp 5.9.2 Build 10042";

std::wstring plainTitle(const Player &player, PlayState shown) {
    const Track *track = player.current();
    if (!track) return BARE_TITLE;
    std::wstring title =
        std::to_wstring(player.index() + 1) + L". " + fromUtf8(track->text) + L" - Winamp";
    if (shown == STATE_PAUSED)
        title += L" [Paused]";
    else if (shown == STATE_STOPPED)
        title += L" [Stopped]";
    return title;
}

std::wstring cadTitle(const Player &player) {
    const Track *track = player.current();
    return track ? fromUtf8(track->text) + L" - CAD Player" : L"CAD Player";
}

std::wstring scrolledTitle(const std::wstring &plain, size_t shift) {
    std::wstring ring = plain + L" *** ";
    shift %= ring.size();
    return ring.substr(shift) + ring.substr(0, shift);
}
