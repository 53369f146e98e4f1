/* Takes the shell's style record and its bevel and border widths. */
#include "settings/style.h"
#include "nightjar/nightjar.h"

#include <string.h>

void loadStyle(ShellStyle &style) {
    memcpy(&style.item, GetSettingPtr(SN_STYLEITEM), sizeof(StyleItem));
    style.bevelWidth = *(int *)GetSettingPtr(SN_BEVELWIDTH);
    style.borderWidth = *(int *)GetSettingPtr(SN_BORDERWIDTH);
    stylePath(nullptr);
}
