/* The caption model: each start makes its own. */
#include "display/caption.h"

bool createCaptionModel(SharedCaption &caption) {
    if (!caption.create()) return false;
    caption->scrollForward = true;
    caption->playState = -1;
    return true;
}
