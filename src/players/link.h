/* The conversation with the player: one thread of each start, the link thread (the
   poller), asks the player every question and carries out every command the shell's
   thread hands it, and keeps what it last read of the player for the shell's thread.
   The shell's thread never sends to the player, nor waits for the link thread longer
   than a copy under the link's lock takes: a start shows the idle text until the link
   thread's first look comes. */
#pragma once

#include "core/owners.h"
#include "core/text.h"
#include "core/threads.h"

#include <windows.h>

/* How long anything of the plugin waits for the player or, from its own threads, for
   the shell: a player that does not answer in time has given no answer. */
enum {
    PLAYER_QUERY_MS = 300,  /* status and position questions */
    RELAY_ANSWER_MS = 2000, /* a relayed command */
    BROADCAST_MS = 1000     /* a broadcast sent from one of the plugin's own threads */
};

/* One message to the player, waiting at most waitMs; false when there was no answer
   (no window, a window that no longer exists, a hung or slow player). Not on the
   shell's thread. */
bool askPlayer(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs,
               LRESULT *answer);
/* What the link thread last read of the player: its window (null when none runs) and
   the answer to the play-status question, or that the player did not answer. */
struct PlayerReading {
    HWND window;
    int status;
    bool answered;
};

/* Work for the link thread. A look finds the player and asks its status, then hands
   the look to the shell's thread (MSG_PLAYER_LOOK, with the job's LOOK_ flags); the
   mouse's jobs drive the player (mouse.cpp). */
enum LinkJobKind { JOB_LOOK, JOB_PLAY_PAUSE, JOB_COMMAND, JOB_VOLUME, JOB_TRACK, JOB_SEEK };
struct LinkJob {
    LinkJobKind kind;
    int flags;    /* JOB_LOOK: LOOK_ flags (player.h) */
    LONG epoch;   /* JOB_LOOK: the player status's epoch when the job was made */
    HWND gone;    /* JOB_LOOK: a window known to be closing, never taken */
    int number;   /* JOB_COMMAND: the command id; JOB_VOLUME, JOB_TRACK: notches;
                     JOB_SEEK: the part of the track, in ten-thousandths */
    int step;     /* JOB_VOLUME: the volume step a notch */
    DWORD handed; /* GetTickCount when it was handed over */
};

/* One start's link: the jobs waiting, the last reading, and the player that left a
   question unanswered. Held by the start's shell side and by its link thread. */
struct PlayerLink {
    CriticalSection lock; /* guards jobs, count and reading */
    enum { JOBS = 32 };
    LinkJob jobs[JOBS];
    int count;
    PlayerReading reading;
    Handle wake;       /* auto reset: jobs wait */
    HWND silentPlayer; /* link thread only, like silentSince: see askFromLink */
    DWORD silentSince;
    volatile LONG kinds; /* the kinds of player the options allow (KIND_ bits, players/kinds.h):
                            written by the shell's thread, read whole */
    /* Whether each of the last two players read plays, and since when, for the choice
       between them: link thread only. */
    struct Seen {
        HWND window;
        bool playing;
        DWORD since;
    } seen[2];
    /* A player that tells its news and its track by messages (players/cad.cpp): the
       receiver window that takes them and the player registered with it, and the news
       come in (players/cad.h), all link thread only; the track as
       last read (a title in Winamp's form, "N. Artist - Title", and the album) and the
       player it is of, which the shell's thread reads, under lock. */
    HWND receiver, registered;
    unsigned notices;
    HWND trackOf;
    wchar_t track[TEXT_SIZE], album[TEXT_SIZE];
};

/* Shell's thread. */
/* Makes a start's link into link, held by the start's player side; false when it
   cannot be made. The link thread takes its own hold. */
bool createLink(Shared<PlayerLink> &link);
/* Hands a job to a start's link thread; false without a link or when its jobs are
   full (the job is dropped). The job's time is set here. */
bool handToLink(PlayerLink *link, const LinkJob &job);
/* The last reading (an empty one before the first and without a link): never waits. */
PlayerReading lastReading(PlayerLink *link);

/* Link thread. */
/* Takes the jobs waiting, in order, into out (PlayerLink::JOBS places); their count. */
int takeJobs(PlayerLink *link, LinkJob *out);
/* One question from the link thread, for a job or for the poller, waiting at most
   PLAYER_QUERY_MS; a question left unanswered marks the reading of that player
   unanswered, so the shell's thread takes it as silent. After a question of a job the
   player left unanswered, it is not asked again for a job for a second, and every such
   question meanwhile is unanswered at once: jobs that come during a hang are done at
   once, and a player that answers again is not sent what came while it hung. The
   poller's own questions wait their bound every time. */
bool askFromLink(PlayerLink *link, bool forJob, HWND winamp, UINT message, WPARAM wParam,
                 LPARAM lParam, LRESULT *answer);
/* Keeps a reading for the shell's thread. */
void keepReading(PlayerLink *link, const PlayerReading &reading);
