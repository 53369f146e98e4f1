/* The text area, from the window's real client size and the style's bevel and border:
   the options' size is what the user asked for, and the window may be shown smaller
   (kept on the screen). */
#include "display/layout.h"
#include "settings/style.h"

int textInset(const ShellStyle &style) {
    return style.bevelWidth + style.borderWidth;
}

RECT clientArea(HWND window) {
    RECT client = {0, 0, 0, 0};
    if (window) GetClientRect(window, &client);
    return client;
}

int textAreaWidth(HWND window, const ShellStyle &style) {
    RECT area = textAreaOf(style, clientArea(window));
    return area.right - area.left;
}

RECT textAreaOf(const ShellStyle &style, const RECT &client) {
    int k = textInset(style);
    RECT area = {client.left + k, client.top + k, client.right - k, client.bottom - k};
    if (area.right <= area.left || area.bottom <= area.top) SetRectEmpty(&area);
    return area;
}
