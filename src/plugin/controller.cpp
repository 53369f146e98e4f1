/* The controller: what the player link decides, the display shows. The link hands over
   a status with its caption, the caption the companion's label carries, and the
   position for the progress line through these few calls. */
#include "core/text.h"
#include "display/caption.h"
#include "display/progress.h"
#include "display/render.h"
#include "display/window.h"
#include "winamp/player.h"

static void showStatus(int status, const wchar_t *caption) {
    captionModel.playState = status;
    setCaption(caption);
    followPlayState();
}

static void copyCaption(wchar_t *out) {
    DisplayLock lock;
    copyText(out, captionModel.text, TEXT_SIZE);
}

const PlayerDisplay playerDisplay = {showStatus, copyCaption, setProgress};
