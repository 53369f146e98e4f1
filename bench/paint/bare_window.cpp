/* The bare window and the paint counter. The bare window copies the plugin window's
   styles and layering so that both cost the same outside their paint handlers. */
#include "paint/bare_window.h"
#include "nightjar/nightjar.h"

static const char BARE_CLASS[] = "WarbleBenchBare";
static volatile LONG barePaints;
static volatile LONG counted;
static WNDPROC countedOriginal;

WindowLook lookOf(HWND window) {
    WindowLook look = {};
    look.style = (DWORD)GetWindowLongA(window, GWL_STYLE);
    look.exStyle = (DWORD)GetWindowLongA(window, GWL_EXSTYLE);
    look.alpha = 255;
    look.topmost = (look.exStyle & WS_EX_TOPMOST) != 0;
    if (look.exStyle & WS_EX_LAYERED)
        GetLayeredWindowAttributes(window, &look.colourKey, &look.alpha, &look.layeredFlags);
    return look;
}

/* The text a drawing bare window shows, and the font it draws it in: the shell's style
   font, which the plugin's caption is drawn in too (the system's own bitmap font costs far
   less to draw than a smoothed outline font). The properties hold them per window. */
static const char TEXT_PROPERTY[] = "WarbleBenchText";
static const char FONT_PROPERTY[] = "WarbleBenchFont";

static void drawText(HDC dc, const RECT &client, const char *text, HFONT font) {
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
    RECT r = client;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

static LRESULT OnPaint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (const char *text = (const char *)GetPropA(window, TEXT_PROPERTY)) {
        RECT client;
        GetClientRect(window, &client);
        drawText(dc, client, text, (HFONT)GetPropA(window, FONT_PROPERTY));
    }
    EndPaint(window, &ps);
    InterlockedIncrement(&barePaints);
    return 0;
}

static LRESULT CALLBACK bareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnPaint(window);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createBareWindow(const WindowLook &look, int x, int y, int width, int height,
                      const char *drawnText) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS; /* as the plugin's class: no redraw on size, no background brush */
    wc.lpfnWndProc = bareWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = BARE_CLASS;
    RegisterClassA(&wc); /* already there from an earlier bare window is fine */
    HWND window =
        CreateWindowExA(look.exStyle & ~WS_EX_TOPMOST, BARE_CLASS, nullptr, look.style | WS_VISIBLE,
                        x, y, width, height, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    if (drawnText) {
        SetPropA(window, TEXT_PROPERTY, (HANDLE)drawnText);
        SetPropA(window, FONT_PROPERTY, CreateStyleFont((StyleItem *)GetSettingPtr(SN_STYLEITEM)));
    }
    if (look.exStyle & WS_EX_LAYERED)
        SetLayeredWindowAttributes(window, look.colourKey, look.alpha, look.layeredFlags);
    SetWindowPos(window, look.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, width, height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(window);
    return window;
}

void destroyBareWindow(HWND window) {
    if (!window) return;
    RemovePropA(window, TEXT_PROPERTY);
    if (HANDLE font = RemovePropA(window, FONT_PROPERTY)) DeleteObject(font);
    DestroyWindow(window);
}

LONG barePaintCount() {
    return barePaints;
}

static LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) InterlockedIncrement(&counted);
    return CallWindowProcA(countedOriginal, window, message, wParam, lParam);
}

void countPaints(HWND window) {
    countedOriginal = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)countingProc);
}

LONG countedPaints() {
    return counted;
}
