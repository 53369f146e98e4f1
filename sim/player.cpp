/* The player's state machine and its position clock. The position is kept as a start
   position plus the GetTickCount time elapsed since then, so it stays right whatever the
   timers do (they may be late, or not run at all while the window thread is busy). */
#include "player.h"

#include <windows.h>

Player::Player(const Playlist &list) : list_(list) {
    if (list_.size() > PLAYLIST_TRACKS_MAX) list_.resize(PLAYLIST_TRACKS_MAX);
}

long long Player::positionMs() const {
    if (state_ != STATE_PLAYING) return baseMs_;
    unsigned elapsed = (unsigned)GetTickCount() - startTick_; /* wraps correctly */
    return baseMs_ + elapsed;
}

void Player::startClock(long long fromMs) {
    baseMs_ = fromMs;
    startTick_ = GetTickCount();
}

void Player::freezeClock() {
    baseMs_ = positionMs();
}

void Player::advance() {
    if (state_ != STATE_PLAYING || empty() || streaming()) return;
    long long pos = positionMs();
    /* After a long stall several tracks may have played out; bound the walk. */
    size_t steps = 0;
    while (pos >= lengthMs() && steps++ < list_.size()) {
        pos -= lengthMs();
        index_ = (index_ + 1) % (int)list_.size();
    }
    if (pos >= lengthMs()) pos = 0;
    if (steps > 0) startClock(pos);
}

void Player::play() {
    if (empty()) return;
    if (state_ == STATE_PAUSED) {
        state_ = STATE_PLAYING;
        startClock(baseMs_);
    } else {
        state_ = STATE_PLAYING;
        startClock(0);
    }
}

void Player::pause() {
    if (state_ == STATE_PLAYING) {
        freezeClock();
        state_ = STATE_PAUSED;
    } else if (state_ == STATE_PAUSED) {
        play();
    }
}

void Player::stop() {
    state_ = STATE_STOPPED;
    baseMs_ = 0;
}

void Player::changeTrack(int index) {
    index_ = index;
    startClock(0);
}

void Player::next() {
    if (!empty()) changeTrack((index_ + 1) % (int)list_.size());
}

void Player::prev() {
    if (!empty()) changeTrack(index_ == 0 ? (int)list_.size() - 1 : index_ - 1);
}

bool Player::seek(long long ms) {
    if (state_ == STATE_STOPPED || empty()) return false;
    if (ms < 0) ms = 0;
    if (ms > lengthMs() && !streaming()) ms = lengthMs();
    startClock(ms);
    advance(); /* seeking to the very end moves on like playing to the end */
    return true;
}

void Player::setState(PlayState state) {
    if (empty() || state == state_) return;
    if (state == STATE_STOPPED)
        stop();
    else if (state == STATE_PLAYING)
        play();
    else if (state_ == STATE_PLAYING)
        pause();
    else
        state_ = STATE_PAUSED; /* paused straight from stopped: at the track's start */
}

bool Player::selectTrack(int number) {
    if (number < 1 || number > (int)list_.size()) return false;
    changeTrack(number - 1);
    return true;
}

bool Player::setText(const std::string &text) {
    if (empty()) return false;
    list_[index_].text = cutTrackText(text);
    return true;
}

bool Player::setLength(int seconds) {
    if (empty() || (seconds != STREAM_SECONDS && (seconds < 1 || seconds > TRACK_SECONDS_MAX)))
        return false;
    list_[index_].seconds = seconds;
    if (streaming()) return true; /* the position runs on */
    advance();
    if (positionMs() > lengthMs()) /* paused past the new end */
        baseMs_ = lengthMs();
    return true;
}

void Player::clear() {
    list_.clear();
    index_ = 0;
    state_ = STATE_STOPPED;
    baseMs_ = 0;
}
