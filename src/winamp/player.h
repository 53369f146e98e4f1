/* The plugin's view of Winamp: the player status, installed on the shell's thread from
   what the link thread reads of the player, and announced. */
#pragma once

#include "core/messages.h"
#include "core/text.h"
#include "players/link.h"

#include <windows.h>

/* The link thread's looks at the player, MSG_PLAYER_LOOK, handed to the shell's thread,
   which owns the player status (wParam the window found, lParam packed by
   handPlayerLook); and the position and length it read, in seconds, for a caption that
   shows the time, MSG_PLAYER_TIMES. */

/* What a look handed over says beside the status: it answers a window event (installed
   even when the status was installed anew meanwhile, and a new player announced
   "Opened"), the player known when it was asked for is closing, the player renamed its
   window ("TitleChange" follows the status), no "Opened" (the look at start), and
   whether the player answered. */
enum {
    LOOK_EVENT = 0x100,
    LOOK_GONE = 0x200,
    LOOK_RENAMED = 0x400,
    LOOK_QUIET = 0x800,
    LOOK_ANSWERED = 0x1000,
    LOOK_ASKED = 0x2000 /* someone asked for the status: it is announced, answered or not */
};

/* The player status: written by player.cpp alone. The shell's thread writes it (from
   the link thread's reading, and the looks the link thread hands over with
   MSG_PLAYER_LOOK), all but the slider's echo, which the poller sets and relay threads
   take through the calls below. Other threads read single whole values. */
struct PlayerStatus {
    HWND volatile window;         /* the known player: the link thread asks it */
    volatile int playState;       /* -1 before the first answer and without a player */
    volatile LONG epoch;          /* raised at each installed status: a look the link
                                     thread began before it is out of date */
    volatile bool lookUnanswered; /* the last look found a player that did not answer, so the
                                     poller asks again */
    volatile LONG sliderEcho;     /* set by the poller, tested and cleared by relay threads */
    volatile bool statusShown;    /* a status (and so the title) was shown since the start:
                                     the poller pushes to the companion only from then on */
    bool otherKindFollowed;       /* a player of another kind than Winamp was followed since
                                     the start (shell's thread) */
};

extern PlayerStatus playerStatus;

/* The plugin ends: no player is known any more (shell's thread). */
void forgetPlayer();
/* The poller pushed the slider, which the companion echoes back as a seek (poller);
   whether such an echo is pending, taking it (relay threads). */
void markSliderEcho();
bool takeSliderEcho();

/* What the player link needs of the display, supplied by the plugin's controller, so
   that the link decides and the display shows without the link calling into it. */
struct PlayerDisplay {
    /* Shows the status just installed with its caption, made from title (shell's
       thread). */
    void (*showCaption)(const wchar_t *caption, const wchar_t *title);
    /* The title the caption shows now, into out (TEXT_SIZE units): the track's title
       whatever the caption format makes of it (shell's thread). */
    void (*readShownTitle)(wchar_t *out);
    /* Shows a notice (the volume) instead of the caption for ms; a new one shows at once
       and starts the time again (shell's thread). */
    void (*showNotice)(const wchar_t *text, unsigned ms);
    /* The caption waits for the track's times: the poller is asked for them at once
       (shell's thread). */
    void (*wantTimes)();
};

extern const PlayerDisplay playerDisplay;

/* Sends one broadcast command text to the shell and waits until it is delivered.
   Shell's thread. */
void sendBroadcast(const char *text);
/* The same from one of the plugin's own threads to the shell's window shell, waiting at
   most BROADCAST_MS; text must stay valid after the wait (a late delivery may still
   read it). */
void broadcastFromWorker(HWND shell, const char *text);
/* The idle text for the idle state, into out (TEXT_SIZE units). */
void idleText(bool winampCheck, wchar_t *out);
/* The cleaned title of the current track, or the idle text without a player. */
struct PlayerSide;
void readWinampTitle(const PlayerSide &side, wchar_t *out);

/* One start's side of the player: its hold on the start's link, and what the caption
   of the last status shows. Held by the start; shell's thread only, written by
   player.cpp alone (the link by the lifecycle, which makes it). */
struct PlayerSide {
    Shared<PlayerLink> link;
    wchar_t caption[TEXT_SIZE], title[TEXT_SIZE]; /* the last status's caption, its title */
    int elapsed, length; /* the position and length the poller last read, in seconds */
    /* The times are not yet those of what the caption shows (a new track, a format that
       starts to show them): the poller is asked at once, and the caption shown stays
       until they come, so that no made-up time is ever shown. */
    bool timesPending;
    /* The track's fields as last read from Winamp's title, besides the title as shown:
       without its number, and the number (read only for a format other than the plain
       title). */
    wchar_t trackBare[TEXT_SIZE], trackNumber[TEXT_SIZE];
    wchar_t album[TEXT_SIZE]; /* where the player gives it, else empty */
};

/* Shell's thread only, the one writer of the player status. None of these asks the
   player: they install what the link thread last read, or hand it a look. */
/* Installs the player found now with its status as last read: caption, status
   broadcasts, and "Opened" when a player becomes known. A player that has not
   answered, or not been read yet, changes nothing now: the link thread looks (at once
   for a player it has not read, else at the poller's next tick) and it is installed
   once it answers. False when nothing was installed. */
bool queryPlayer(PlayerSide &side);
/* The same as queryPlayer at start, where a running player is found rather than opened.
   Nothing waits for the player: until the link thread has read a player it found, the
   caption is empty, and the look is installed when it comes. */
void firstLookAtPlayer(PlayerSide &side);
/* Someone asked for the status ("@Warble GetWinampInfo"): the link thread looks at the
   player now, and the status it reads is installed and announced when it comes; a
   player that does not answer within the question's bound has the last known status
   announced. */
void askPlayerStatus(PlayerSide &side);
/* Link thread: the reading differs from the status shown, so the shell's thread must
   learn of it although no window event told (a player that changes its state quietly,
   a relayed command). */
bool readingIsNews(const PlayerReading &reading);
/* Shows the caption of the last status again, as the options now make it (the idle
   text, the track number), without asking the player or announcing anything; a text a
   command set stays. */
void showLastStatus(PlayerSide &side);
/* The caption and title the last status showed, into text and title (TEXT_SIZE units). */
void lastStatusCaption(const PlayerSide &side, wchar_t *text, wchar_t *title);
/* The caption format starts to show the time: the times held are not the track's, and
   the caption waits for the poller's (shell's thread). */
void forgetTimes(PlayerSide &side);
/* A player window appeared, the known one renamed its window, or it is gone (destroyed,
   or its process ended): the link thread looks, and its look is installed and
   announced as the event asks (the close, "Opened", "TitleChange"). */
void playerAppeared(PlayerSide &side);
void playerRenamed(PlayerSide &side);
void playerGone(PlayerSide &side, HWND window, bool announceOpened);
/* The link thread's looks, handed over with MSG_PLAYER_LOOK to a start still running. */
LRESULT OnPlayerLook(PlayerSide &side, WPARAM wParam, LPARAM lParam);
/* The times the poller read (MSG_PLAYER_TIMES: wParam the position, lParam the length,
   in seconds): a caption that shows them is made again. */
LRESULT OnPlayerTimes(PlayerSide &side, WPARAM wParam, LPARAM lParam);

/* Link thread: hands a reading to the shell's thread through the start's window plugin,
   with the LOOK_ flags and the epoch of the status it was asked for (a look overtaken
   by a newer status is dropped unless it answers an event). */
void handPlayerLook(const PlayerReading &reading, int flags, LONG epoch, HWND plugin);
/* Link thread: carries out a look job. */
void lookForJob(PlayerLink *link, const LinkJob &job, HWND plugin);
