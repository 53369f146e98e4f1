/* Takes the shell's style record, bevel and border widths, and creates the
   caption font, either the style's own or the custom one from the settings. */
#include "settings/style.h"
#include "display/surfaces.h"
#include "plugin/state.h"

#include <string.h>

static HFONT createCaptionFont() {
    if (!options.useCustomFont) return CreateStyleFont(&warble.styleItem);
    return CreateFontA(options.fontHeight, 0, 0, 0, options.fontWeight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, options.fontFace);
}

void loadStyle() {
    /* The poller may be measuring a caption with the old font on its own
       thread: the font is swapped only while it cannot be in use. */
    DisplayLock lock;
    if (warble.hFont) {
        dropCaptionFont(); /* the frame may hold it */
        DeleteObject(warble.hFont);
        warble.hFont = nullptr;
    }
    memcpy(&warble.styleItem, GetSettingPtr(SN_STYLEITEM), sizeof(StyleItem));
    warble.textColour = warble.styleItem.TextColor;
    warble.bevelWidth = *(int *)GetSettingPtr(SN_BEVELWIDTH);
    warble.borderWidth = *(int *)GetSettingPtr(SN_BORDERWIDTH);
    stylePath(nullptr);
    warble.hFont = createCaptionFont();
}
