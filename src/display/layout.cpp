/* The text area, from the window's real client size and the style's bevel and border:
   the options' size is what the user asked for, and the window may be shown smaller
   (kept on the screen). */
#include "display/layout.h"
#include "settings/style.h"

int textInset() {
    return shellStyle.bevelWidth + shellStyle.borderWidth;
}

RECT clientArea(const Display &display) {
    RECT client = {0, 0, 0, 0};
    if (display.placement.window) GetClientRect(display.placement.window, &client);
    return client;
}

int textAreaWidth(const Display &display) {
    RECT area = textAreaOf(clientArea(display));
    return area.right - area.left;
}

RECT textAreaOf(const RECT &client) {
    int k = textInset();
    RECT area = {client.left + k, client.top + k, client.right - k, client.bottom - k};
    if (area.right <= area.left || area.bottom <= area.top) SetRectEmpty(&area);
    return area;
}
