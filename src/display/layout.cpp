/* The text area, from the window's size and the style's bevel and border. */
#include "display/layout.h"
#include "settings/options.h"
#include "settings/style.h"

int textInset() {
    return shellStyle.bevelWidth + shellStyle.borderWidth;
}

int textAreaWidth() {
    return options.width - 2 * textInset();
}

RECT textAreaOf(const RECT &client) {
    int k = textInset();
    RECT area = {client.left + k, client.top + k, client.right - k, client.bottom - k};
    if (area.right <= area.left || area.bottom <= area.top) SetRectEmpty(&area);
    return area;
}
