/* The position poller, which is also the link thread: once a second it reads the
   player's status for the shell's thread, keeps the idle time current, notices a
   player that is gone or did not answer, and pushes the playback position and the
   caption to the companion plugin DOVozizuvav; between its ticks it carries out the
   jobs the shell's thread hands it. Every wait is bounded, and it checks between them
   whether it is asked to stop. */
#include "winamp/poller.h"
#include "core/text.h"
#include "players/cad.h"
#include "players/follow.h"
#include "players/kinds.h"
#include "core/threads.h"
#include "settings/options.h"
#include "winamp/caption_format.h"
#include "players/link.h"
#include "winamp/mouse.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <stdio.h>
#include <string.h>

static const char SLIDER_COMMAND[] =
    "@DOVozizuvav Control SetControlProperty winampslider Value %f";
static const char LABEL_PREFIX[] =
    "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"";

float playedFraction(int seconds, int length) {
    if (length <= 0 || seconds <= 0) return 0;
    if (seconds >= length) return 1;
    return (float)((double)seconds / length);
}

void formatSliderCommand(float fraction, char *out, size_t size) {
    snprintf(out, size, SLIDER_COMMAND, (double)fraction);
}

/* The companion reads the label's text up to the next double quote, so a double quote
   of the title travels as two apostrophes, which look alike and which every code page
   holds: only the closing quote ends the text. */
static void quoteSafe(const wchar_t *caption, wchar_t *out) {
    size_t n = 0;
    for (; *caption && n + 1 < TEXT_SIZE; ++caption) {
        if (*caption != L'"') {
            out[n++] = *caption;
            continue;
        }
        if (n + 2 >= TEXT_SIZE) break;
        out[n++] = L'\'';
        out[n++] = L'\'';
    }
    /* Cut short: never half of a surrogate pair at the end. */
    if (*caption && n > 0 && out[n - 1] >= 0xD800 && out[n - 1] <= 0xDBFF) --n;
    out[n] = L'\0';
}

/* The companion takes text in the system code page. A long caption is cut at
   a whole character so that the command still ends with its closing quote. */
void formatLabelCommand(const wchar_t *caption, char *out, size_t size) {
    wchar_t safe[TEXT_SIZE];
    quoteSafe(caption, safe);
    char text[TEXT_SIZE];
    int room = (int)size - (int)sizeof LABEL_PREFIX - 1;
    narrowText(safe, text, room < 0 ? 1 : room < TEXT_SIZE ? room + 1 : TEXT_SIZE);
    snprintf(out, size, "%s%s\"", LABEL_PREFIX, text);
}

LONG pollerOptions() {
    wchar_t format[TEXT_SIZE];
    widenText(options.format, format, TEXT_SIZE);
    return (options.idleState == 1 ? POLL_IDLE_TIME : 0) |
           (options.interfaceExtensions ? POLL_COMPANION : 0) |
           (options.showProgress ? POLL_PROGRESS : 0) |
           (formatShowsTime(format) ? POLL_CAPTION_TIME : 0);
}

LONG playerKinds() {
    static const LONG KINDS[] = {KIND_ANY, KIND_WINAMP, KIND_CAD};
    return KINDS[options.playerKind];
}

void handTitle(PollerStart &poller, const wchar_t *title) {
    SectionHold hold(poller.lock);
    copyText(poller.title, title, TEXT_SIZE);
}

/* The position just read, for the progress line: the window is repainted when the line
   shows and would change. */
static void notePlayed(PollerStart *poller, float fraction) {
    LONG units = PART_SCALE;
    if (fraction < 1) units = fraction > 0 ? (LONG)(fraction * PART_SCALE + 0.5f) : 0;
    if (InterlockedExchange(&poller->played, units) != units && (poller->reads & POLL_PROGRESS))
        InvalidateRect(poller->start->window, nullptr, FALSE);
}

static bool stopping(const PollerStart *poller) {
    return stopRequested(poller->start);
}

/* Reads the player's status for the shell's thread, and hands it what it needs to
   know: that the known window no longer exists (with the player found instead), or the
   look while the idle text shows the time, the last look went unanswered or the status
   differs from the one shown. */
static void lookForShell(const PollerStart *poller, PlayerLink *link) {
    /* Two reads, in this order: the shell's thread writes the window before it raises the
       epoch, so a window newer than the epoch read only makes the look out of date (the
       shell's thread drops it), and an epoch never comes with an older window. */
    LONG epoch = playerStatus.epoch;
    HWND known = playerStatus.window;
    HWND gone = known && !IsWindow(known) ? known : nullptr;
    PlayerReading reading;
    bool answered = readPlayer(link, known, gone, false, &reading);
    if (stopping(poller)) return;
    HWND window = poller->start->window;
    /* A track that changed without a notice (another client took the player's notices)
       is found by the question of the track. */
    bool renamed = answered && reading.window == known && (link->notices & CAD_NEWS_TRACK);
    if (renamed) link->notices &= ~CAD_NEWS_TRACK;
    if (gone)
        handPlayerLook(reading, LOOK_EVENT | LOOK_GONE, epoch, window);
    else if (renamed)
        handPlayerLook(reading, LOOK_EVENT | LOOK_RENAMED, epoch, window);
    else if (answered && reading.window != known)
        handPlayerLook(reading, 0, epoch, window);
    else if (answered && ((poller->reads & POLL_IDLE_TIME) || playerStatus.lookUnanswered ||
                           readingIsNews(reading)))
        handPlayerLook(reading, 0, epoch, window);
}

/* The slider position; false when the player did not answer, so that no made-up
   position is pushed. Without a player the position is 0. The length is asked only when
   it is needed: for a position past the start, or for a caption that shows the time,
   which is then handed both. */
static bool readFraction(const PollerStart *poller, PlayerLink *link, float *fraction) {
    *fraction = 0;
    HWND player = playerStatus.window;
    const PlayerKind *kind = kindOf(player);
    if (!kind) return true;
    int position = 0, length = 0;
    if (!kind->askPosition(link, player, &position)) return false;
    int seconds = position / 1000;
    bool captionTime = poller->reads & POLL_CAPTION_TIME;
    if (seconds <= 0 && !captionTime) return true;
    if (stopping(poller) || !kind->askLength(link, false, player, &length)) return false;
    if (captionTime)
        PostMessageA(poller->start->window, MSG_PLAYER_TIMES, (WPARAM)(seconds < 0 ? 0 : seconds),
                     (LPARAM)length);
    *fraction = playedFraction(seconds, length);
    return true;
}

/* One cycle's work for a start, without the wait. */
static void pollOnce(PollerStart *poller, PlayerLink *link) {
    lookForShell(poller, link);
    if (stopping(poller)) return;
    float fraction = 0;
    bool answered = readFraction(poller, link, &fraction);
    /* The same reading feeds the progress line: it costs the player nothing more. */
    LONG handed = poller->reads;
    if (answered) notePlayed(poller, fraction);
    /* Not before the start's first status: the label would carry an empty title. */
    if (!(handed & POLL_COMPANION) || !playerStatus.statusShown || stopping(poller)) return;

    if (answered) {
        markSliderEcho();
        formatSliderCommand(fraction, poller->slider, sizeof poller->slider);
        broadcastFromWorker(poller->shell, poller->slider);
    }
    wchar_t caption[TEXT_SIZE];
    {
        SectionHold hold(poller->lock);
        copyText(caption, poller->title, TEXT_SIZE);
    }
    if (stopping(poller)) return;
    formatLabelCommand(caption, poller->label, sizeof poller->label);
    broadcastFromWorker(poller->shell, poller->label);
}

/* The jobs waiting, in the order they came. */
static void runJobs(const PollerStart *poller, PlayerLink *link) {
    LinkJob jobs[PlayerLink::JOBS];
    int count = takeJobs(link, jobs);
    for (int i = 0; i < count && !stopping(poller); ++i) {
        if (jobs[i].kind == JOB_LOOK)
            lookForJob(link, jobs[i], poller->start->window);
        else
            runMouseJob(link, jobs[i], poller->start->window);
    }
}

/* What came in by the receiver of a player that tells its news: each is looked at as a
   window event would be (a new track also announced "TitleChange", a player that shut
   down closed, one that announced itself registered with and followed). */
static void lookAtNews(const PollerStart *poller, PlayerLink *link) {
    unsigned news = takeCadNews(link);
    if (!news) return;
    HWND known = playerStatus.window;
    LONG epoch = playerStatus.epoch;
    if (news == CAD_NEWS_ANNOUNCED) {
        /* Looked at as the poller would: news only if it changes whom Warble follows. */
        PlayerReading reading;
        if (readPlayer(link, known, nullptr, false, &reading) &&
            (reading.window != known || readingIsNews(reading)))
            handPlayerLook(reading, 0, epoch, poller->start->window);
        return;
    }
    LinkJob job = {JOB_LOOK, LOOK_EVENT, epoch, nullptr, 0, 0, 0};
    if (news & CAD_NEWS_TRACK) job.flags |= LOOK_RENAMED;
    if ((news & CAD_NEWS_GONE) && kindOf(known) == &CAD_KIND) {
        job.flags |= LOOK_GONE;
        job.gone = known;
    }
    lookForJob(link, job, poller->start->window);
    /* The track this look read is the one it hands over: no news of its own. */
    link->notices &= ~CAD_NEWS_TRACK;
}

/* The receiver of players that tell their news is there while the options allow them. */
static void keepReceiver(PlayerLink *link) {
    if (link->kinds & KIND_CAD)
        openCadReceiver(link);
    else
        closeCadReceiver(link);
}

/* Serves the messages of the link thread's own windows: the receiver's. */
static void serveMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

/* The jobs as they come, and a cycle a second after the last one ended, or at once
   when the shell's thread wants the times. */
DWORD WINAPI pollThread(LPVOID parameter) {
    PollerStart *poller = (PollerStart *)parameter;
    PlayerLink *link = poller->link.get();
    HANDLE events[] = {poller->start->stop, link->wake, poller->start->poll};
    DWORD tick = GetTickCount();
    for (;;) {
        keepReceiver(link);
        LONG left = (LONG)(tick - GetTickCount());
        DWORD woken = MsgWaitForMultipleObjects(3, events, FALSE, left > 0 ? (DWORD)left : 0,
                                                QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) break;
        serveMessages();
        runJobs(poller, link);
        lookAtNews(poller, link);
        bool due = woken == WAIT_OBJECT_0 + 2 || (LONG)(tick - GetTickCount()) <= 0;
        if (!due || stopping(poller)) continue;
        pollOnce(poller, link);
        tick = GetTickCount() + 1000;
    }
    closeCadReceiver(link);
    return 0;
}
