/* The tooltip that shows the whole caption while the mouse rests over the window. */
#pragma once

#include "core/owners.h"
#include "core/text.h"
#include "display/caption.h"

#include <windows.h>

/* One start's tooltip, written only by the calls below (shell's thread, like all of
   them). The library is declared before the window, so that the window goes first. */
struct Tooltip {
    Library commonControls;
    Window tip; /* none without the common controls: then everything below does nothing */
    HWND owner;
    wchar_t shownText[TEXT_SIZE]; /* the text the tooltip holds */
    bool shownActive;
};

/* Makes the tooltip for the display window owner; the change path gives it its text. */
void createTooltip(Tooltip &tooltip, HWND owner);
/* Hands the tooltip a mouse move over the window: floating, the window is all
   caption, whose moves the tooltip would not see by itself. */
void relayMouseMove(Tooltip &tooltip, LPARAM screenPoint);
/* Brings the tooltip's text and its on/off state into line with the caption and the
   setting, also while it shows. */
void followCaption(Tooltip &tooltip, CaptionModel &model);
