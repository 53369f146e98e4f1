/* Takes the shell's style record and its bevel and border widths. */
#include "settings/style.h"
#include "nightjar/nightjar.h"

#include <string.h>

/* Process-wide: the shell's style is read before the start's window is made, and
   every paint and measure below the plugin reads it. */
ShellStyle shellStyle;

void loadStyle() {
    memcpy(&shellStyle.item, GetSettingPtr(SN_STYLEITEM), sizeof(StyleItem));
    shellStyle.bevelWidth = *(int *)GetSettingPtr(SN_BEVELWIDTH);
    shellStyle.borderWidth = *(int *)GetSettingPtr(SN_BORDERWIDTH);
    stylePath(nullptr);
}
