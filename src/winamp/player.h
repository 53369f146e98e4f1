/* The plugin's view of Winamp: the player status, finding the player, asking it,
   and announcing its status. */
#pragma once

#include <windows.h>

/* How long anything of the plugin waits for the player or, from its own threads, for
   the shell: a player that does not answer in time has given no answer. */
enum {
    PLAYER_QUERY_MS = 300,  /* status and position questions */
    RELAY_ANSWER_MS = 2000, /* a relayed command */
    BROADCAST_MS = 1000     /* a broadcast sent from one of the plugin's own threads */
};

/* The poller's findings about the player, handed to the shell's thread, which owns
   the player status (wParam and lParam packed by handPlayerLook); and the position and
   length it read, in seconds, for a caption that shows the time. */
enum { MSG_PLAYER_LOOK = WM_APP + 87, MSG_PLAYER_TIMES = WM_APP + 91 };

/* The player status: written by player.cpp alone. The shell's thread writes it
   (queryPlayer and the looks the poller hands over with MSG_PLAYER_LOOK), all but the
   slider's echo, which the poller sets and relay threads take through the calls below.
   Other threads read single whole values. */
struct PlayerStatus {
    HWND volatile window;         /* the known player: the poller reads it to ask the position */
    volatile int playState;       /* -1 before the first answer and without a player */
    volatile LONG epoch;          /* raised at each installed look: a look the poller began
                                     before it is out of date */
    volatile bool lookUnanswered; /* the last look found a player that did not answer, so the
                                     poller asks again */
    volatile LONG sliderEcho;     /* set by the poller, tested and cleared by relay threads */
    volatile bool statusShown;    /* a status (and so the title) was shown since the start:
                                     the poller pushes to the companion only from then on */
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
    void (*showStatus)(const wchar_t *caption, const wchar_t *title);
    /* The title the caption shows now, into out (TEXT_SIZE units), for the companion's
       label: the track's title whatever the caption format makes of it. */
    void (*copyTitle)(wchar_t *out);
    /* Shows a notice (the volume) instead of the caption for ms; a new one shows at once
       and starts the time again (shell's thread). */
    void (*showNotice)(const wchar_t *text, unsigned ms);
    /* The position just read, as a part of the track, for the window of a start. */
    void (*showPosition)(HWND window, float fraction, bool lineShown);
    /* The caption waits for the track's times: the poller is asked for them at once
       (shell's thread). */
    void (*wantTimes)();
};

extern const PlayerDisplay playerDisplay;

/* What one look at the player found: its window (null when none runs) and the
   answer to the play-status question (-1 without a window). */
struct PlayerLook {
    HWND window;
    int status;
};

/* Sends one broadcast command text to the shell and waits until it is delivered.
   Shell's thread. */
void sendBroadcast(const char *text);
/* The same from one of the plugin's own threads, waiting at most BROADCAST_MS; text
   must stay valid while the plugin is loaded (a late delivery may still read it). */
void broadcastFromWorker(const char *text);
/* One message to the player, waiting at most waitMs; false when there was no answer
   (no window, a window that no longer exists, a hung or slow player). */
bool askPlayer(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs,
               LRESULT *answer);
/* askPlayer on the shell's thread, waiting at most PLAYER_QUERY_MS: after a question
   the player left unanswered, that player is not asked again on the shell's thread for
   a second, and every question meanwhile is unanswered at once. */
bool askPlayerFromShell(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *answer);
/* Finds the player's window (known, while it exists; never gone) and asks its play
   status; false when a player was found but did not answer. Any thread; changes
   nothing. */
bool lookAtPlayer(PlayerLook *look, HWND known, HWND gone);
/* The idle text for the idle state, into out (TEXT_SIZE units). */
void idleText(bool winampCheck, wchar_t *out);
/* The cleaned title of the current track, or the idle text without Winamp. */
void readWinampTitle(wchar_t *out);

/* Shell's thread only, the one writer of the player status. */
/* Looks at the player and installs what it finds: caption, status broadcasts, and
   "Opened" when a player becomes known. An unanswered look changes nothing and is
   asked again by the poller. False when the player did not answer. */
bool queryPlayer();
/* The same at start, where a running player is found rather than opened. */
void firstLookAtPlayer();
/* Shows the caption of the last status again, as the options now make it (the idle
   text, the track number), without asking the player or announcing anything; a text a
   command set stays. */
void showLastStatus();
/* The caption and title the last status showed, into text and title (TEXT_SIZE units). */
void lastStatusCaption(wchar_t *text, wchar_t *title);
/* The caption format starts to show the time: the times held are not the track's, and
   the caption waits for the poller's (shell's thread). */
void forgetTimes();
/* The known player's window is gone (destroyed, or its process ended): the close is
   announced, and whatever other player runs now is taken. */
void playerGone(HWND window, bool announceOpened);
/* The poller's findings, handed over with MSG_PLAYER_LOOK to a start still running. */
LRESULT OnPlayerLook(WPARAM wParam, LPARAM lParam);
/* The times the poller read (MSG_PLAYER_TIMES: wParam the position, lParam the length,
   in seconds): a caption that shows them is made again. */
LRESULT OnPlayerTimes(WPARAM wParam, LPARAM lParam);

/* Poller: hands a look (or, with gone set, the news that that window no longer
   exists) to the shell's thread through the start's window plugin. epoch is
   playerStatus.epoch read before looking, so that a look overtaken by a newer one is
   dropped. */
void handPlayerLook(const PlayerLook &look, HWND gone, LONG epoch, HWND plugin);
