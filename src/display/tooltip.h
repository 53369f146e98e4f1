/* The tooltip that shows the whole caption while the mouse rests over the window. */
#pragma once

#include <windows.h>

/* Makes the tooltip for the display window; without the common controls there is
   none, and everything below does nothing. Shell's thread, like all of these. */
void createTooltip(HWND owner);
void destroyTooltip();
/* Hands the tooltip a mouse move over the window: floating, the window is all
   caption, whose moves the tooltip would not see by itself. */
void relayMouseMove(HWND owner, LPARAM screenPoint);
/* Brings the tooltip's text and its on/off state into line with the caption and the
   setting, also while it shows. */
void followCaption();
