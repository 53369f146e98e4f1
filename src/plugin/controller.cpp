/* The controller: what the player link decides, the display shows. The link hands over
   a status with its caption, the caption the companion's label carries, a notice to
   show for a moment (the volume), the position for the progress line, and its wish for
   the track's times through these few calls; every change goes down the change path. */
#include "plugin/controller.h"
#include "core/text.h"
#include "display/caption.h"
#include "display/render.h"
#include "plugin/instance.h"
#include "winamp/player.h"

/* A notice keeps the place of the caption until its time is over. */
static void showStatusCaption(const wchar_t *caption, const wchar_t *title) {
    Instance *running = runningInstance();
    if (!running) return;
    if (!running->notice) setCaption(running->display, caption, title);
    changed(CHANGED_CAPTION | CHANGED_PLAY_STATE);
}

/* The notice keeps the title, so that the companion's label goes on showing it. A timer
   that cannot be had shows no notice rather than one that never ends. */
static void showNotice(const wchar_t *text, unsigned ms) {
    Instance *running = runningInstance();
    if (!running || !running->notice.set(running->display.placement.window, NOTICE_TIMER, ms))
        return;
    wchar_t caption[TEXT_SIZE], title[TEXT_SIZE];
    lastStatusCaption(running->player, caption, title);
    setCaption(running->display, text, title);
    changed(CHANGED_CAPTION);
}

void noticeEnded() {
    Instance *running = runningInstance();
    if (!running || !running->notice) return;
    running->notice.reset();
    wchar_t caption[TEXT_SIZE], title[TEXT_SIZE];
    lastStatusCaption(running->player, caption, title);
    setCaption(running->display, caption, title);
    changed(CHANGED_CAPTION);
}

static void wantTimes() {
    if (Instance *running = runningInstance()) SetEvent(running->context->poll);
}

static void copyCaptionTitle(wchar_t *out) {
    Instance *running = runningInstance();
    if (!running) {
        out[0] = L'\0';
        return;
    }
    CaptionModel &caption = *running->display.caption;
    CaptionLock lock(caption);
    copyText(out, caption.title, TEXT_SIZE);
}

const PlayerDisplay playerDisplay = {showStatusCaption, copyCaptionTitle, showNotice, wantTimes};
