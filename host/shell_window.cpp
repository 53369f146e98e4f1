/* The shell's main window and its label: the hub that plugins register with, that
   hands every broadcast to the windows that asked for it, shows notices in the label,
   and takes requests from another nightjar.exe through WM_COPYDATA. */
#include <algorithm>
#include <cstring>
#include "shell_internal.h"

const char SHELL_CLASS[] = "NightjarShell";

namespace {

const char LABEL_CLASS[] = "NightjarLabel";
const int LABEL_WIDTH = 360;
const size_t MAX_REGISTERED_MESSAGES = 64; /* a list longer than this is cut there */

/* A window that registered, and the shell messages it wants. */
struct Registration {
    HWND window;
    std::vector<UINT> messages;
};

HWND shell;
HWND label;
HHOOK modalLoopHook;
bool requestWaiting; /* a request's sender waits for the shell's answer */
char labelText[256] = "Nightjar";
std::vector<Registration> registrations;

Registration *findRegistration(HWND window) {
    for (Registration &r : registrations)
        if (r.window == window) return &r;
    return nullptr;
}

bool wants(HWND window, UINT message) {
    Registration *r = findRegistration(window);
    return r && std::find(r->messages.begin(), r->messages.end(), message) != r->messages.end();
}

/* Sends message to every window registered for it. A receiver may register or
   unregister windows meanwhile, so the list is copied first and each window checked
   again just before its turn. */
void deliver(UINT message, LPARAM lParam) {
    std::vector<HWND> receivers;
    for (const Registration &r : registrations)
        if (wants(r.window, message)) receivers.push_back(r.window);
    for (HWND window : receivers)
        if (wants(window, message) && IsWindow(window)) SendMessageA(window, message, 0, lParam);
}

std::vector<UINT> messageList(LPARAM lParam) {
    std::vector<UINT> list;
    const UINT *numbers = (const UINT *)lParam;
    for (size_t i = 0; numbers && i < MAX_REGISTERED_MESSAGES && numbers[i] != 0; ++i)
        list.push_back(numbers[i]);
    return list;
}

LRESULT OnRegister(HWND window, LPARAM lParam) {
    hostLog("register|%08lX", (unsigned long)(UINT_PTR)window);
    if (!window) return 0;
    /* Windows destroyed without unregistering leave nothing behind. */
    registrations.erase(std::remove_if(registrations.begin(), registrations.end(),
                                       [](const Registration &r) { return !IsWindow(r.window); }),
                        registrations.end());
    Registration *r = findRegistration(window);
    if (!r) {
        registrations.push_back({window, {}});
        r = &registrations.back();
    }
    for (UINT message : messageList(lParam))
        if (std::find(r->messages.begin(), r->messages.end(), message) == r->messages.end())
            r->messages.push_back(message);
    return 1;
}

LRESULT OnUnregister(HWND window, LPARAM lParam) {
    hostLog("unregister|%08lX", (unsigned long)(UINT_PTR)window);
    Registration *r = findRegistration(window);
    if (!r) return 0;
    std::vector<UINT> dropped = messageList(lParam);
    if (dropped.empty()) r->messages.clear();
    for (UINT message : dropped)
        r->messages.erase(std::remove(r->messages.begin(), r->messages.end(), message),
                          r->messages.end());
    if (r->messages.empty())
        registrations.erase(registrations.begin() + (r - registrations.data()));
    return 1;
}

LRESULT OnBroadcast(LPARAM lParam) {
    if (!lParam) return 0;
    std::string text = (const char *)lParam;
    hostLog("broadcast|%s", text.c_str());
    deliver(MSG_BROADCAST, (LPARAM)text.c_str());
    return 1;
}

LRESULT OnSetLabel(LPARAM lParam) {
    const char *text = lParam ? (const char *)lParam : "";
    hostLog("label|%s", text);
    shellSetLabel(text);
    return 1;
}

LRESULT OnReconfigure() {
    shellLoadStyle();
    if (label) {
        /* The label's height follows the style's font. */
        SetWindowPos(label, nullptr, 0, 0, LABEL_WIDTH, shellStyle().fontHeight + 10,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(label, nullptr, TRUE);
    }
    slitRestyle();
    deliver(MSG_RECONFIGURE, 0);
    return 1;
}

LRESULT OnCopyData(const COPYDATASTRUCT *data) {
    if (!data) return FALSE;
    std::string text;
    if (data->lpData && data->cbData)
        text.assign((const char *)data->lpData, strnlen((const char *)data->lpData, data->cbData));
    requestWaiting = InSendMessage() != FALSE;
    LRESULT done = FALSE;
    switch (data->dwData) {
    case REMOTE_BROADCAST: done = OnBroadcast((LPARAM)text.c_str()); break;
    case REMOTE_RECONFIGURE: done = OnReconfigure(); break;
    case REMOTE_QUIT:
        PostQuitMessage(0);
        done = TRUE;
        break;
    }
    requestWaiting = false;
    return done;
}

/* A request is carried out before its sender goes on, so that what it changed is there
   when the sender ends; but a modal loop entered meanwhile (a plugin's About box, a
   menu) may last until the user ends it: its first message releases the sender, which
   counts the request as delivered. */
LRESULT CALLBACK OnModalLoopMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && requestWaiting) {
        requestWaiting = false;
        ReplyMessage(TRUE);
    }
    return CallNextHookEx(modalLoopHook, code, wParam, lParam);
}

LRESULT CALLBACK ShellProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case MSG_REGISTER: return OnRegister((HWND)wParam, lParam);
    case MSG_UNREGISTER: return OnUnregister((HWND)wParam, lParam);
    case MSG_BROADCAST: return OnBroadcast(lParam);
    case MSG_SET_LABEL: return OnSetLabel(lParam);
    case WM_COPYDATA: return OnCopyData((const COPYDATASTRUCT *)lParam);
    case WM_SHELL_RECONFIGURE: return OnReconfigure();
    case WM_SHELL_SHOWMENU: menusShowPending(); return 0;
    case WM_SHELL_REFRESHMENU: menusRefreshOpen((Menu *)lParam); return 0;
    case WM_CLOSE: return 0; /* the shell ends through --quit or its own loop */
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT OnLabelPaint(HWND window) {
    shellPaintText(window, labelText);
    return 0;
}

LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnLabelPaint(window);
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return HTCAPTION; /* drag the label anywhere */
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClass(HINSTANCE instance, const char *name, WNDPROC procedure) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND createLabel(HINSTANCE instance) {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int height = shellStyle().fontHeight + 10;
    int x = (work.left + work.right - LABEL_WIDTH) / 2;
    HWND window =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, LABEL_CLASS, "Nightjar label", WS_POPUP,
                        x, work.top, LABEL_WIDTH, height, nullptr, nullptr, instance, nullptr);
    /* Shown without taking the focus: the label is never the active window. */
    if (window) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

} // namespace

void shellPaintText(HWND window, const char *text) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    StyleItem item = shellStyle();
    MakeStyleGradient(dc, &client, &item, true);
    HFONT font = CreateStyleFont(&item);
    HFONT oldFont = (HFONT)SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, item.TextColor);
    InflateRect(&client, -4, 0);
    DrawTextA(dc, text, -1, &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    EndPaint(window, &ps);
}

HWND shellWindow() {
    return shell;
}

void shellSetLabel(const char *text) {
    shellCopyText(labelText, sizeof labelText, text);
    if (label) InvalidateRect(label, nullptr, TRUE);
}

NJ_API HWND GetNJWnd(void) {
    return shell;
}

bool hostStart(const HostOptions &options) {
    if (shell) return false;
    setShellOptions(options);
    eventLogOpenFile(shellOptions().logPath.c_str(), shellOptions().keepEvents);
    shellLoadStyle();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerClass(instance, SHELL_CLASS, ShellProc) ||
        !registerClass(instance, LABEL_CLASS, LabelProc))
        return false;
    shell = CreateWindowExA(WS_EX_TOOLWINDOW, SHELL_CLASS, "Nightjar", WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, instance, nullptr);
    if (!shell) return false;
    modalLoopHook =
        SetWindowsHookExA(WH_MSGFILTER, OnModalLoopMessage, nullptr, GetCurrentThreadId());
    label = createLabel(instance);
    if (shellOptions().showSlit) slitCreate(instance);
    return true;
}

void hostStop() {
    hostUnloadPlugins();
    menusFreeAll();
    slitDestroy();
    if (label) DestroyWindow(label);
    if (shell) DestroyWindow(shell);
    label = shell = nullptr;
    if (modalLoopHook) UnhookWindowsHookEx(modalLoopHook);
    modalLoopHook = nullptr;
    registrations.clear();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    UnregisterClassA(LABEL_CLASS, instance);
    UnregisterClassA(SHELL_CLASS, instance);
    eventLogCloseFile();
}

void hostReconfigure() {
    if (shell) SendMessageA(shell, WM_SHELL_RECONFIGURE, 0, 0);
}

void hostBroadcast(const char *text) {
    if (shell && text) SendMessageA(shell, MSG_BROADCAST, 0, (LPARAM)text);
}
