/* The player model: play state, current track and a position clock that runs in real time. */
#pragma once

#include "playlist.h"
#include "winamp/winamp.h"

/* Values as Winamp reports them for its play-status query. */
enum PlayState {
    STATE_STOPPED = WINAMP_STOPPED,
    STATE_PLAYING = WINAMP_PLAYING,
    STATE_PAUSED = WINAMP_PAUSED
};

class Player {
  public:
    explicit Player(const Playlist &list);

    const Playlist &playlist() const { return list_; }
    bool empty() const { return list_.empty(); }
    PlayState state() const { return state_; }
    int index() const { return index_; } /* 0-based; 0 with an empty list */
    const Track *current() const { return empty() ? nullptr : &list_[index_]; }
    /* The current track is an internet stream: it has no length and never ends. */
    bool streaming() const { return !empty() && list_[index_].seconds == STREAM_SECONDS; }

    /* Position in ms within the current track (0 when stopped or empty). */
    long long positionMs() const;
    /* Moves on to the following tracks when the current one has played out. */
    void advance();

    void play();  /* restarts while playing, resumes while paused, starts while stopped */
    void pause(); /* toggles between playing and paused; nothing while stopped */
    void stop();
    void next();
    void prev();
    bool seek(long long ms); /* false while stopped */
    void setState(PlayState state);
    bool selectTrack(int number); /* 1-based; keeps the state, position 0 */
    bool setText(const std::string &text);
    bool setLength(int seconds); /* STREAM_SECONDS makes the track a stream */
    void clear();
    /* Output volume, 0 (silent) to 255 (full); a value outside is brought inside. */
    int volume() const { return volume_; }
    void setVolume(int volume) { volume_ = volume < 0 ? 0 : volume > 255 ? 255 : volume; }

  private:
    void startClock(long long fromMs);
    void freezeClock();
    void changeTrack(int index);
    long long lengthMs() const { return empty() ? 0 : list_[index_].seconds * 1000LL; }

    Playlist list_;
    int index_ = 0;
    PlayState state_ = STATE_STOPPED;
    long long baseMs_ = 0;   /* position at startTick_ (or the frozen position) */
    unsigned startTick_ = 0; /* GetTickCount when the clock last started */
    int volume_ = 255;
};
