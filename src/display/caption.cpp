/* The caption model and its lock. */
#include "display/caption.h"
#include "core/owners.h"

/* Process-wide: the player's reader sets the caption, and the scroll thread steps it,
   neither with the start in hand (the thread holds only its workers' context). */
CaptionModel captionModel = [] {
    CaptionModel model = {};
    model.scrollForward = true;
    model.playState = -1;
    return model;
}();

/* Process-wide, as the model it guards. */
CriticalSection displayLock;

void resetCaptionModel() {
    DisplayLock lock;
    bool blinkOn = captionModel.blinkOn;
    int playState = captionModel.playState;
    captionModel = CaptionModel();
    captionModel.scrollForward = true;
    captionModel.playState = playState;
    captionModel.blinkOn = blinkOn;
}
