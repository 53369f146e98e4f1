/* The broadcasts in flight: a few places, each taken and left with one atomic swap,
   so that the poller and the shell's thread mark their texts without a lock. */
#include "winamp/outbox.h"
#include "core/text.h"

#include <string.h>
#include <windows.h>

/* The poller's push and the shell's thread's own sends, nested as the shell hands
   each broadcast round (a status, then the broadcasts other plugins answer with):
   more are rare, and then the addressing rule alone applies. */
enum { OUTBOX_PLACES = 16 };

/* Process-wide: a poller whose start has ended may still have a broadcast in flight. */
static const char *volatile outbox[OUTBOX_PLACES];

OutgoingBroadcast::OutgoingBroadcast(const char *text) : place_(-1) {
    for (int i = 0; i < OUTBOX_PLACES; ++i)
        if (!InterlockedCompareExchangePointer((PVOID volatile *)&outbox[i], (PVOID)text,
                                               nullptr)) {
            place_ = i;
            return;
        }
}

OutgoingBroadcast::~OutgoingBroadcast() {
    if (place_ >= 0) InterlockedExchangePointer((PVOID volatile *)&outbox[place_], nullptr);
}

/* Every text the plugin sends lives in a buffer of TEXT_SIZE that stays valid while it
   is marked, so the comparison never reads past one. */
bool isOwnBroadcast(const char *text) {
    for (const char *volatile &place : outbox) {
        const char *own = place;
        if (own && strncmp(own, text, TEXT_SIZE) == 0) return true;
    }
    return false;
}
