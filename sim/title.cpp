/* Winamp's title forms: numbered track, state suffix and the scrolling ring. */
#include "title.h"
#include "utf8.h"

const wchar_t BARE_TITLE[] = L"Winamp 5.9.2 Build 10042";

std::wstring plainTitle(const Player &player) {
    const Track *track = player.current();
    if (!track) return BARE_TITLE;
    std::wstring title =
        std::to_wstring(player.index() + 1) + L". " + fromUtf8(track->text) + L" - Winamp";
    if (player.state() == STATE_PAUSED)
        title += L" [Paused]";
    else if (player.state() == STATE_STOPPED)
        title += L" [Stopped]";
    return title;
}

std::wstring scrolledTitle(const std::wstring &plain, size_t shift) {
    std::wstring ring = plain + L" *** ";
    shift %= ring.size();
    return ring.substr(shift) + ring.substr(0, shift);
}
