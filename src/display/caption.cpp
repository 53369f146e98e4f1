/* The caption model and its lock. */
#include "display/caption.h"
#include "core/owners.h"

CaptionModel captionModel = [] {
    CaptionModel model = {};
    model.scrollForward = true;
    model.playState = -1;
    return model;
}();

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
