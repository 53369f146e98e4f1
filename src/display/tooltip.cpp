/* The caption's tooltip: a Unicode tooltip control, so that a title in any script
   shows whole, made and ended with the display window and fed its mouse moves. Its text
   follows the caption through the change path, at each change of the caption, the
   options or the style. The common controls are loaded only here, when the window is
   made. */
#include "display/tooltip.h"
#include "core/owners.h"
#include "core/text.h"
#include "display/caption.h"
#include "settings/options.h"

#include <commctrl.h>
#include <limits.h>
#include <string.h>

typedef BOOL(WINAPI *InitCommonControlsExFn)(const INITCOMMONCONTROLSEX *);

/* A tooltip holds at most this much of a line before it wraps: wider than the
   window, so that a long title shows on a few lines rather than one too wide. */
enum { TOOLTIP_WIDTH = 400 };

static TOOLINFOW toolOf(Tooltip &tooltip) {
    TOOLINFOW tool;
    memset(&tool, 0, sizeof tool);
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = tooltip.owner;
    tool.uId = (UINT_PTR)tooltip.owner;
    tool.lpszText = tooltip.shownText;
    return tool;
}

void createTooltip(Tooltip &tooltip, HWND owner) {
    tooltip.commonControls.reset(LoadLibraryA("comctl32.dll"));
    if (!tooltip.commonControls) return;
    auto init =
        (InitCommonControlsExFn)GetProcAddress(tooltip.commonControls, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    if (init) init(&classes);
    /* Owned by nobody: a window's topmost placing first lifts the topmost popups it owns
       and then puts the window just below them, and when the next window down is not
       topmost (a shell whose own windows are still hidden), the window loses its topmost
       state. The tooltip raises itself above everything each time it shows anyway. */
    tooltip.tip.reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                      nullptr, nullptr));
    if (!tooltip.tip) return;
    tooltip.owner = owner;
    tooltip.shownText[0] = L'\0';
    tooltip.shownActive = true;
    TOOLINFOW tool = toolOf(tooltip);
    SendMessageW(tooltip.tip, TTM_ADDTOOLW, 0, (LPARAM)&tool);
    SendMessageW(tooltip.tip, TTM_SETMAXTIPWIDTH, 0, TOOLTIP_WIDTH);
    /* Shown for as long as the mouse rests there: a long title takes a while to read. */
    SendMessageW(tooltip.tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(SHRT_MAX, 0));
}

void relayMouseMove(Tooltip &tooltip, LPARAM screenPoint) {
    if (!tooltip.tip) return;
    POINT at = {(short)LOWORD(screenPoint), (short)HIWORD(screenPoint)};
    ScreenToClient(tooltip.owner, &at);
    MSG move = {
        tooltip.owner, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y), (DWORD)GetMessageTime(), at};
    SendMessageW(tooltip.tip, TTM_RELAYEVENT, 0, (LPARAM)&move);
}

void followCaption(Tooltip &tooltip, CaptionModel &model) {
    if (!tooltip.tip) return;
    wchar_t caption[TEXT_SIZE];
    {
        CaptionLock lock(model);
        copyText(caption, model.text, TEXT_SIZE);
    }
    /* An empty text would show an empty box: then the tooltip is off too. */
    bool active = options.showTooltip && caption[0];
    if (active != tooltip.shownActive) {
        tooltip.shownActive = active;
        SendMessageW(tooltip.tip, TTM_ACTIVATE, active, 0);
    }
    if (wcscmp(caption, tooltip.shownText) == 0) return;
    copyText(tooltip.shownText, caption, TEXT_SIZE);
    TOOLINFOW tool = toolOf(tooltip);
    SendMessageW(tooltip.tip, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
}
