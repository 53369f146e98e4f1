/* The controller: what the player link decides, the display shows. The link hands over
   a status with its caption, the caption the companion's label carries, a notice to
   show for a moment (the volume), and the position for the progress line through these
   few calls. */
#include "plugin/controller.h"
#include "core/owners.h"
#include "core/text.h"
#include "display/caption.h"
#include "display/placement.h"
#include "display/progress.h"
#include "display/render.h"
#include "display/scroller.h"
#include "display/window.h"
#include "winamp/player.h"
#include "winamp/poller.h"

/* The last caption and title the link handed over, shown again when a notice ends, and
   the notice's timer, set while one shows: shell's thread only. */
static wchar_t statusCaption[TEXT_SIZE], statusTitle[TEXT_SIZE];
static Timer notice;
static bool noticeShown;

static void showStatus(int status, const wchar_t *caption, const wchar_t *title) {
    showPlayState(status);
    copyText(statusCaption, caption, TEXT_SIZE);
    copyText(statusTitle, title, TEXT_SIZE);
    if (!noticeShown) setCaption(caption, title);
    followPlayState();
}

/* The notice keeps the title, so that the companion's label goes on showing it. A timer
   that cannot be had shows no notice rather than one that never ends. */
static void showNotice(const wchar_t *text, unsigned ms) {
    if (!notice.set(placement.window, NOTICE_TIMER, ms)) return;
    noticeShown = true;
    setCaption(text, statusTitle);
}

void forgetNotice() {
    notice.reset();
    noticeShown = false;
}

void noticeEnded() {
    bool shown = noticeShown;
    forgetNotice();
    if (shown) setCaption(statusCaption, statusTitle);
}

void handOptionsToWorkers() {
    if (StartContext *start = startOf(placement.window)) {
        LONG before = InterlockedExchange(&start->handed, pollerOptions());
        if (start->handed & ~before & POLL_CAPTION_TIME) forgetTimes();
    }
    wakeScroller();
}

static void wantTimes() {
    if (StartContext *start = startOf(placement.window)) SetEvent(start->poll);
}

static void copyTitle(wchar_t *out) {
    DisplayLock lock;
    copyText(out, captionModel.title, TEXT_SIZE);
}

const PlayerDisplay playerDisplay = {showStatus, copyTitle, showNotice, setProgress, wantTimes};
