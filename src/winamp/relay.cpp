/* The command relay. A relay thread can be ended at any moment (when Winamp
   closes, when it is evicted, at shut-down), so it holds no lock and no heap
   memory (it makes no C library call that would allocate), and the text it
   broadcasts lives in its slot rather than on its stack. */
#include "winamp/relay.h"
#include "plugin/state.h"
#include "winamp/player.h"

#include <limits.h>
#include <mmsystem.h>
#include <string.h>

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

static void freeOwnSlot(RelaySlot *slot) {
    HANDLE self = InterlockedExchangePointer((PVOID volatile *)&slot->thread, nullptr);
    if (self) CloseHandle(self);
}

static void sendAndReport(RelaySlot *slot, LPARAM lParam, WPARAM wParam, int first, UINT message) {
    int answer = (int)winampSend(wParam, lParam, message);
    /* wsprintfA rather than the C library's formatting, which would give this
       thread per-thread data of its own that an ended thread leaves behind. */
    wsprintfA(slot->reply, "@Warble_fromWinamp_Result %d %d", first, answer);
    SendMessageA(warble.hwndHost, MSG_BROADCAST, 0, (LPARAM)slot->reply);
}

/* Turns the percentage in request->second into a position in whole seconds,
   as milliseconds; false when the seek is to be dropped. */
static bool prepareSeek(RelayRequest *request) {
    if (winampQuery(IPC_ISPLAYING, WM_USER) != WINAMP_PLAYING) return false;
    /* Right after the poller pushed the slider, the companion echoes it back
       as a seek: the first one is dropped. */
    if (InterlockedExchange(&warble.sliderEcho, 0)) return false;
    int length = (int)winampSend(1, IPC_GETOUTPUTTIME, WM_USER);
    double seconds = request->second * 0.01 * length;
    if (seconds > INT_MAX / 1000) seconds = INT_MAX / 1000;
    if (seconds < INT_MIN / 1000) seconds = INT_MIN / 1000;
    request->second = (int)seconds * 1000;
    return true;
}

static void runRelay(RelaySlot *slot) {
    if (!warble.hwndWinamp) return;
    RelayRequest request;
    if (!parseRelayCommand(slot->command, &request)) return;

    if (strcmp(request.kind, "WM_USER") == 0) {
        sendAndReport(slot, request.first, request.second, request.first, WM_USER);
    } else if (strcmp(request.kind, "NJI_SPECIAL") == 0) {
        if (request.first == IPC_JUMPTOTIME && !prepareSeek(&request)) return;
        sendAndReport(slot, request.first, request.second, request.first, WM_USER);
    } else {
        sendAndReport(slot, request.second, request.first, request.first, WM_COMMAND);
        if (request.first == 40001) {
            copyText(slot->reply, "@Warble_fromWinamp_Closed", sizeof slot->reply);
            SendMessageA(warble.hwndHost, MSG_BROADCAST, 0, (LPARAM)slot->reply);
        }
    }
}

DWORD WINAPI relayThread(LPVOID slotIndex) {
    RelaySlot *slot = &warble.relaySlots[(INT_PTR)slotIndex];
    runRelay(slot);
    freeOwnSlot(slot);
    return 0;
}

void endRelaySlot(int index) {
    RelaySlot *slot = &warble.relaySlots[index];
    HANDLE thread = InterlockedExchangePointer((PVOID volatile *)&slot->thread, nullptr);
    if (!thread) return;
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    TerminateThread(thread, code);
    /* The slot may be taken again only once its old thread is gone. */
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
}

int oldestRelaySlot(DWORD now) {
    int oldest = 0;
    for (int j = 1; j < RELAY_SLOTS; ++j) {
        const RelaySlot &slot = warble.relaySlots[j];
        if (slot.thread && now - slot.startTime > now - warble.relaySlots[oldest].startTime)
            oldest = j;
    }
    return oldest;
}

static bool placeCommand(const char *text) {
    for (int i = 0; i < RELAY_SLOTS; ++i) {
        RelaySlot *slot = &warble.relaySlots[i];
        if (slot->thread) continue;
        copyText(slot->command, text, sizeof slot->command);
        slot->startTime = timeGetTime();
        /* Busy before it can run: a quick thread may finish before CreateThread returns. */
        DWORD id = 0;
        HANDLE thread =
            CreateThread(nullptr, 0, relayThread, (LPVOID)(INT_PTR)i, CREATE_SUSPENDED, &id);
        if (!thread) return true; /* no thread: the command is dropped, the slot stays free */
        slot->threadId = id;
        slot->thread = thread;
        ResumeThread(thread);
        return true;
    }
    return false;
}

void relayCommand(const char *text) {
    if (placeCommand(text)) return;
    endRelaySlot(oldestRelaySlot(timeGetTime()));
    placeCommand(text);
}
