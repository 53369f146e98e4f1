/* The conversation with the player: the jobs the shell's thread hands the link thread,
   the reading the link thread keeps for the shell's thread, and the bounded questions
   through which the link thread speaks to the player. */
#include "players/link.h"

#include <string.h>

bool askPlayer(HWND winamp, UINT message, WPARAM wParam, LPARAM lParam, DWORD waitMs,
               LRESULT *answer) {
    DWORD_PTR result = 0;
    if (!winamp || !SendMessageTimeoutA(winamp, message, wParam, lParam,
                                        SMTO_NORMAL | SMTO_ABORTIFHUNG, waitMs, &result))
        return false;
    *answer = (LRESULT)result;
    return true;
}

bool createLink(Shared<PlayerLink> &link) {
    if (!link.create()) return false;
    link->wake.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    return link->wake;
}

bool handToLink(PlayerLink *link, const LinkJob &job) {
    if (!link) return false;
    bool room;
    {
        SectionHold hold(link->lock);
        room = link->count < PlayerLink::JOBS;
        if (room) {
            link->jobs[link->count] = job;
            link->jobs[link->count++].handed = GetTickCount();
        }
    }
    if (room) SetEvent(link->wake);
    return room;
}

PlayerReading lastReading(PlayerLink *link) {
    if (!link) return {nullptr, -1, false};
    SectionHold hold(link->lock);
    return link->reading;
}

int takeJobs(PlayerLink *link, LinkJob *out) {
    SectionHold hold(link->lock);
    int count = link->count;
    memcpy(out, link->jobs, count * sizeof *out);
    link->count = 0;
    return count;
}

/* A hung player costs the link thread one bound a second for its jobs, not one for
   each question. */
enum { SILENT_PLAYER_MS = 1000 };

void keepReading(PlayerLink *link, const PlayerReading &reading) {
    SectionHold hold(link->lock);
    link->reading = reading;
}

bool askFromLink(PlayerLink *link, bool forJob, HWND winamp, UINT message, WPARAM wParam,
                 LPARAM lParam, LRESULT *answer) {
    if (forJob && winamp && winamp == link->silentPlayer &&
        GetTickCount() - link->silentSince < SILENT_PLAYER_MS)
        return false;
    bool answered = askPlayer(winamp, message, wParam, lParam, PLAYER_QUERY_MS, answer);
    if (answered) link->silentPlayer = nullptr;
    if (answered || !winamp || !IsWindow(winamp)) return answered;
    if (forJob) {
        link->silentPlayer = winamp;
        link->silentSince = GetTickCount();
    }
    PlayerReading reading = {winamp, -1, false};
    keepReading(link, reading);
    return false;
}

