/* The command relay. Each command runs on a thread of its own that owns a copy of
   it; the slot only records who waits. A thread is never ended from outside: a
   command evicted, or waiting when the plugin stops, is abandoned. Its thread still
   ends by itself when its bounded wait ends, and then broadcasts nothing. A command
   whose player closes is left to its send: answered before the window went, it
   reports; otherwise the send fails at once and it ends quietly.

   A slot's owner is 0 when free, 2 * ticket while the command with that ticket
   waits, and 2 * ticket + 1 while it reports its answer. Whoever moves it from
   waiting (the thread to report, the shell's thread to abandon) does so with one
   compare-and-swap, so an abandoned command never reports and a reporting one is
   never abandoned. */
#include "winamp/relay.h"
#include "core/owners.h"
#include "core/text.h"
#include "core/threads.h"
#include "winamp/player.h"
#include "winamp/winamp.h"

#include <limits.h>
#include <mmsystem.h>
#include <string.h>

/* Process-wide: a relay thread may outlive its start, and its slot with it. */
static struct {
    RelaySlot slots[RELAY_SLOTS];
    /* Relay threads alive, abandoned ones included: raised by the shell's thread before
       a start, lowered by each thread as its last step. */
    volatile LONG threads;
    LONG ticket; /* the last command's ticket; shell's thread only */
} relays;

void resetRelays() {
    for (RelaySlot &slot : relays.slots)
        slot.owner = 0;
}

int readNumber(const char *p) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value <= INT_MAX) value = value * 10 + (*p - '0');
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return (int)value;
}

/* Copies the next blank-separated token into out; returns where scanning goes on,
   or null when there is no further token. */
static const char *nextToken(const char *p, char *out, size_t size) {
    while (*p == ' ')
        ++p;
    if (!*p) return nullptr;
    size_t n = 0;
    for (; *p && *p != ' '; ++p)
        if (n + 1 < size) out[n++] = *p;
    out[n] = '\0';
    return p;
}

bool parseRelayCommand(const char *text, RelayRequest *request) {
    char work[TEXT_SIZE], token[TEXT_SIZE];
    copyText(work, text, sizeof work);
    const char *p = nextToken(work, token, sizeof token);
    if (p) p = nextToken(p, request->kind, sizeof request->kind);
    if (p) p = nextToken(p, token, sizeof token);
    if (!p) return false;
    request->first = readNumber(token);
    request->second = nextToken(p, token, sizeof token) ? readNumber(token) : 0;
    return true;
}

/* One command, owned by its thread from its start to its end. */
struct RelayJob {
    char command[RELAY_COMMAND_SIZE];
    HWND winamp; /* the player known when the command came */
    HWND window; /* the plugin's window then, which broadcasts the answer */
    int slot;
    LONG waiting; /* the slot's owner value while this command waits */
};

/* Hands the answer to the shell's thread unless the command was abandoned meanwhile.
   The numbers travel in the message, so each result is its own command's however late
   the shell's thread takes it; a window that is gone takes nothing. */
static void report(RelayJob *job, int first, LRESULT answer, bool closed) {
    RelaySlot *slot = &relays.slots[job->slot];
    if (InterlockedCompareExchange(&slot->owner, job->waiting + 1, job->waiting) != job->waiting)
        return;
    PostMessageA(job->window, MSG_RELAY_RESULT, (WPARAM)first, (LPARAM)answer);
    if (closed) PostMessageA(job->window, MSG_RELAY_CLOSED, (WPARAM)job->winamp, 0);
    InterlockedExchange(&slot->owner, 0);
}

LRESULT OnRelayResult(WPARAM first, LPARAM answer) {
    char text[TEXT_SIZE];
    wsprintfA(text, "@Warble_fromWinamp_Result %d %d", (int)first, (int)answer);
    sendBroadcast(text);
    return 0;
}

/* The close speaks of the player the command went to, which travels with it, so that
   every relayed close is answered for its own player: once the plugin has taken another
   player (the close event came first), that one runs and nothing is said. */
LRESULT OnRelayClosed(WPARAM closed) {
    HWND known = playerStatus.window;
    if (known && known != (HWND)closed) return 0;
    sendBroadcast("@Warble_fromWinamp_Closed");
    return 0;
}

static void sendAndReport(RelayJob *job, LPARAM lParam, WPARAM wParam, int first, UINT message) {
    LRESULT answer = 0;
    if (!askPlayer(job->winamp, message, wParam, lParam, RELAY_ANSWER_MS, &answer)) return;
    report(job, first, answer, message == WM_COMMAND && first == WINAMP_CLOSE);
}

int seekPosition(int percent, int length) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    double seconds = percent * 0.01 * length;
    if (seconds > INT_MAX / 1000) seconds = INT_MAX / 1000;
    if (seconds < INT_MIN / 1000) seconds = INT_MIN / 1000;
    return (int)seconds * 1000;
}

/* Turns the percentage in request->second into a position in whole seconds,
   as milliseconds; false when the seek is to be dropped. */
static bool prepareSeek(HWND winamp, RelayRequest *request) {
    LRESULT status = 0, length = 0;
    if (!askPlayer(winamp, WM_USER, 0, IPC_ISPLAYING, RELAY_ANSWER_MS, &status) ||
        status != WINAMP_PLAYING)
        return false;
    /* Right after the poller pushed the slider, the companion echoes it back
       as a seek: the first one is dropped. */
    if (takeSliderEcho()) return false;
    if (!askPlayer(winamp, WM_USER, 1, IPC_GETOUTPUTTIME, RELAY_ANSWER_MS, &length)) return false;
    request->second = seekPosition(request->second, (int)length);
    return true;
}

static void runRelay(RelayJob *job) {
    /* A window that no longer exists is a closed player: nothing is sent. */
    if (!job->winamp || !IsWindow(job->winamp)) return;
    RelayRequest request;
    if (!parseRelayCommand(job->command, &request)) return;

    if (strcmp(request.kind, "WM_USER") == 0) {
        sendAndReport(job, request.first, request.second, request.first, WM_USER);
    } else if (strcmp(request.kind, "NJI_SPECIAL") == 0) {
        if (request.first == IPC_JUMPTOTIME && !prepareSeek(job->winamp, &request)) return;
        sendAndReport(job, request.first, request.second, request.first, WM_USER);
    } else {
        sendAndReport(job, request.second, request.first, request.first, WM_COMMAND);
    }
}

static DWORD WINAPI relayThread(LPVOID parameter) {
    {
        HeapBlock<RelayJob> job((RelayJob *)parameter);
        runRelay(job.get());
        /* Frees the slot unless it was abandoned (or the report freed it already). */
        InterlockedCompareExchange(&relays.slots[job->slot].owner, 0, job->waiting);
    }
    InterlockedDecrement(&relays.threads);
    return 0;
}

static bool waiting(LONG owner) {
    return owner != 0 && (owner & 1) == 0;
}

int oldestRelaySlot(const RelaySlot (&table)[RELAY_SLOTS], DWORD now) {
    int oldest = -1;
    for (int j = 0; j < RELAY_SLOTS; ++j) {
        const RelaySlot &slot = table[j];
        if (!waiting(slot.owner)) continue;
        if (oldest < 0 || now - slot.startTime > now - table[oldest].startTime) oldest = j;
    }
    return oldest;
}

/* True when the slot is free now: it was, or its waiting command was abandoned. */
static bool abandonSlot(int index) {
    RelaySlot *slot = &relays.slots[index];
    LONG owner = slot->owner;
    if (owner == 0) return true;
    return waiting(owner) && InterlockedCompareExchange(&slot->owner, 0, owner) == owner;
}

void abandonRelays() {
    for (int i = 0; i < RELAY_SLOTS; ++i)
        abandonSlot(i);
}

static int freeSlot() {
    for (int i = 0; i < RELAY_SLOTS; ++i)
        if (relays.slots[i].owner == 0) return i;
    return -1;
}

static LONG nextWaitingValue() {
    relays.ticket = relays.ticket >= LONG_MAX / 2 - 1 ? 1 : relays.ticket + 1;
    return waitingOwner(relays.ticket);
}

static void startRelay(int index, const char *text, HWND window) {
    HeapBlock<RelayJob> job;
    if (!job.create()) return;
    copyText(job->command, text, sizeof job->command);
    job->winamp = playerStatus.window;
    job->window = window;
    job->slot = index;
    job->waiting = nextWaitingValue();
    RelaySlot *slot = &relays.slots[index];
    slot->startTime = timeGetTime();
    /* Busy before it can run: a quick thread may finish before the start returns. */
    InterlockedExchange(&slot->owner, job->waiting);
    InterlockedIncrement(&relays.threads);
    if (startPluginThread(relayThread, job.get())) {
        job.release(); /* the thread's now */
        return;
    }
    /* No thread: the command is dropped and the slot is free again. */
    InterlockedCompareExchange(&slot->owner, 0, job->waiting);
    InterlockedDecrement(&relays.threads);
}

void relayCommand(const char *text, HWND window) {
    if (!IsWindow(playerStatus.window)) return;
    /* A player that hangs while commands keep coming: beyond this many threads the
       new commands are dropped, until abandoned ones have finished their waits. */
    if (relays.threads >= RELAY_THREADS_MAX) return;
    int index = freeSlot();
    if (index < 0) {
        index = oldestRelaySlot(relays.slots, timeGetTime());
        if (index < 0 || !abandonSlot(index)) return; /* every command is reporting */
    }
    startRelay(index, text, window);
}
