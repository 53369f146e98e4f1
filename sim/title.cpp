/* Winamp's title forms: numbered track, state suffix and the scrolling ring. */
#include "title.h"

const char BARE_TITLE[] = "Winamp 5.9.2 Build 10042";

std::string plainTitle(const Player &player) {
    const Track *track = player.current();
    if (!track) return BARE_TITLE;
    std::string title = std::to_string(player.index() + 1) + ". " + track->text + " - Winamp";
    if (player.state() == STATE_PAUSED)
        title += " [Paused]";
    else if (player.state() == STATE_STOPPED)
        title += " [Stopped]";
    return title;
}

std::string scrolledTitle(const std::string &plain, size_t shift) {
    std::string ring = plain + " *** ";
    shift %= ring.size();
    return ring.substr(shift) + ring.substr(0, shift);
}
