/* winamp-sim: a small stand-in for the Winamp player. It owns a top-level window of
   Winamp's class whose title follows Winamp's title forms, answers Winamp's window
   messages, plays a playlist against the real clock and can be driven from outside with
   "winamp-sim --send CMD [ARGS]". With --cad it is a player that speaks the CD Art Display
   protocol instead, from a window of that protocol's class. */
#include "cad.h"
#include "cad/cad.h"
#include "display.h"
#include "log.h"
#include "options.h"
#include "player.h"
#include "playlist.h"
#include "remote.h"
#include "title.h"
#include "utf8.h"
#include "winamp/winamp.h"

#include <shellapi.h>
#include <string>
#include <vector>
#include <windows.h>

enum {
    WINDOW_WIDTH = 275,
    WINDOW_HEIGHT = 116,
    TIMER_CLOCK = 1,
    TIMER_SCROLL = 2,
    CLOCK_MS = 100,  /* how often the clock is checked for a track's end */
    SCROLL_MS = 200, /* one step of the scrolling title */
};

static HWND g_hwnd;
static Player *g_player;
static bool g_scroll;
static size_t g_scrollShift;
static std::wstring g_shownTitle;    /* the window text as last set */
static long long g_shownSecond = -1; /* the position second last painted */
static bool g_closing;               /* the window is on its way out: no more changes */
static bool g_cad;                   /* speaks the CD Art Display protocol, not Winamp's */
/* The play state the world was told of, by the title or a CAD notice. It follows the
   player's at every change, except a quiet one, which the player keeps to itself. */
static PlayState g_shownState;

/* ---- window events ---------------------------------------------------------------------- */

/* Wine forgets window events raised by a thread that has not taken a message since the
   watcher's hook was installed, so take one before every event: a private message, taken
   by a filter that matches it alone. (A filter of 0..0 matches every message, and a
   pending WM_PAINT never leaves the queue, so such a loop would never end.) */
enum { WM_EVENT_TICKET = WM_APP + 1 };

static void takeMessage() {
    PostMessageA(g_hwnd, WM_EVENT_TICKET, 0, 0);
    MSG msg;
    PeekMessageA(&msg, g_hwnd, WM_EVENT_TICKET, WM_EVENT_TICKET, PM_REMOVE);
}

/* Wine raises none of these for us: creation, renaming and destruction are announced here. */
static void raiseEvent(DWORD event) {
    takeMessage();
    NotifyWinEvent(event, g_hwnd, OBJID_WINDOW, CHILDID_SELF);
}

/* Every title change passes here, so that each one is announced once. */
static void setTitle(const std::wstring &text) {
    if (g_closing || text == g_shownTitle) return;
    g_shownTitle = text;
    SetWindowTextW(g_hwnd, text.c_str());
    raiseEvent(EVENT_OBJECT_NAMECHANGE);
}

static void updateTitle() {
    std::wstring plain = g_cad ? cadTitle(*g_player) : plainTitle(*g_player, g_shownState);
    if (g_scroll && !g_player->empty())
        setTitle(scrolledTitle(plain, g_scrollShift));
    else
        setTitle(plain);
}

/* Brings the model up to the clock (track ends) and the window and the CAD client up to
   the model. A new track shows the state as it is. */
static void refresh() {
    int index = g_player->index();
    g_player->advance();
    if (g_player->index() != index) g_shownState = g_player->state();
    updateTitle();
    if (g_cad) cadNotify(*g_player, g_shownState);
    long long second = g_player->positionMs() / 1000;
    if (second != g_shownSecond) InvalidateRect(g_hwnd, nullptr, FALSE);
}

static void repaintAll() {
    g_shownSecond = -1;
    refresh();
    InvalidateRect(g_hwnd, nullptr, FALSE);
}

/* After every change but a quiet one: the world is told the state as it is. */
static void showChange() {
    g_shownState = g_player->state();
    repaintAll();
}

static void setScroll(bool on) {
    g_scroll = on;
    g_scrollShift = 0;
    if (on)
        SetTimer(g_hwnd, TIMER_SCROLL, SCROLL_MS, nullptr);
    else
        KillTimer(g_hwnd, TIMER_SCROLL);
    updateTitle();
}

/* Answers what is sent to the window for a while, so that watchers can finish with it. */
static void handleMessagesFor(DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
}

/* As on Windows, a watcher that hears of the destruction no longer finds the window among
   the top-level ones, yet can still read the class of the window the event names. Wine
   tears a top-level window down too slowly for that, so the window first becomes the
   hidden child of a holder window, then the event goes out, then both are destroyed. */
static void closePlayer() {
    if (g_closing) return;
    g_closing = true;
    if (g_cad) cadGone();
    KillTimer(g_hwnd, TIMER_CLOCK);
    KillTimer(g_hwnd, TIMER_SCROLL);
    HWND holder = CreateWindowExA(0, "Static", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ShowWindow(g_hwnd, SW_HIDE);
    SetWindowLongA(g_hwnd, GWL_STYLE, (GetWindowLongA(g_hwnd, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
    SetParent(g_hwnd, holder);
    raiseEvent(EVENT_OBJECT_DESTROY);
    handleMessagesFor(500);
    DestroyWindow(g_hwnd);
    DestroyWindow(holder);
}

/* ---- the player's commands -------------------------------------------------------------- */

static void runCommand(UINT id) {
    switch (id) {
    case WINAMP_CLOSE: closePlayer(); return;
    case WINAMP_PREV: g_player->prev(); break;
    case WINAMP_PLAY: g_player->play(); break;
    case WINAMP_PAUSE: g_player->pause(); break;
    case WINAMP_STOP: g_player->stop(); break;
    case WINAMP_NEXT: g_player->next(); break;
    default: return;
    }
    showChange();
}

/* Carries out a remote command; false for one the player cannot carry out (a track
   its playlist does not have), which the sender reports. */
static bool runRemote(const RemoteCommand &cmd) {
    switch (cmd.kind) {
    case REMOTE_PLAY: runCommand(WINAMP_PLAY); return true;
    case REMOTE_PAUSE: runCommand(WINAMP_PAUSE); return true;
    case REMOTE_STOP: runCommand(WINAMP_STOP); return true;
    case REMOTE_NEXT: runCommand(WINAMP_NEXT); return true;
    case REMOTE_PREV: runCommand(WINAMP_PREV); return true;
    case REMOTE_TITLE: g_player->setText(cmd.text); break;
    case REMOTE_SEEK:
        g_player->seek(cmd.number);
        repaintAll(); /* as Winamp's own jump, it leaves the title's state */
        return true;
    case REMOTE_LENGTH: g_player->setLength((int)cmd.number); break;
    case REMOTE_STATE: g_player->setState((PlayState)cmd.number); break;
    case REMOTE_QUIET:
        g_player->setState((PlayState)cmd.number);
        repaintAll(); /* the face shows it; the title and the CAD client are not told */
        return true;
    case REMOTE_TRACK:
        if (!g_player->selectTrack((int)cmd.number)) return false;
        break;
    case REMOTE_SCROLL: setScroll(cmd.number != 0); break;
    case REMOTE_EMPTY: g_player->clear(); break;
    case REMOTE_HANG:
        ReplyMessage(TRUE); /* the sender goes on; this thread stops answering for a while */
        Sleep((DWORD)cmd.number);
        break;
    case REMOTE_QUIT: /* answered only once the window is gone */ closePlayer(); return true;
    case REMOTE_UNKNOWN: return true;
    }
    showChange();
    return true;
}

/* ---- window procedure ------------------------------------------------------------------- */

static BOOL OnCreate(HWND hwnd, LPCREATESTRUCT cs) {
    g_hwnd = hwnd;
    SetTimer(hwnd, TIMER_CLOCK, CLOCK_MS, nullptr);
    return TRUE;
}

static void OnDestroy(HWND hwnd) {
    KillTimer(hwnd, TIMER_CLOCK);
    KillTimer(hwnd, TIMER_SCROLL);
    PostQuitMessage(0);
}

static void OnTimer(HWND hwnd, UINT id) {
    if (id == TIMER_SCROLL && g_scroll) g_scrollShift++;
    refresh();
}

static void OnPaint(HWND hwnd) {
    g_shownSecond = g_player->positionMs() / 1000;
    paintPlayer(hwnd, *g_player, g_scroll, g_cad);
}

static LRESULT OnPlayerRequest(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    refresh(); /* answer from the clock as it is now */
    LRESULT answer = 1;
    const Track *track = g_player->current();
    switch (lParam) {
    case IPC_ISPLAYING: answer = g_player->state(); break;
    case IPC_GETOUTPUTTIME:
        if (wParam == 0)
            answer = (!track || g_player->state() == STATE_STOPPED)
                         ? -1
                         : (LRESULT)g_player->positionMs();
        else if (wParam == 1)
            answer = track ? track->seconds : -1;
        else
            answer = -1;
        break;
    case IPC_JUMPTOTIME:
        answer = g_player->seek((int)wParam) ? 0 : -1; /* negative: the start */
        if (answer == 0)
            logLine("JUMP to %lld ms of %d s", g_player->positionMs(), track ? track->seconds : -1);
        repaintAll(); /* a jump or a new volume leaves the title as it is */
        break;
    case IPC_SETVOLUME:
        if ((LONG)wParam != IPC_VOLUME_READ) {
            g_player->setVolume((int)(LONG)wParam);
            repaintAll();
        }
        answer = g_player->volume();
        break;
    }
    logLine("WM_USER wParam=%ld lParam=%ld -> %ld", (long)(LONG)wParam, (long)lParam, (long)answer);
    return answer;
}

/* A CAD player's requests: the answer, and the change shown when there is one. */
static LRESULT OnCadRequest(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    refresh();
    bool changed = false;
    LRESULT answer = cadRequest(*g_player, g_shownState, wParam, lParam, changed);
    if (changed && (lParam == CAD_SEEK || lParam == CAD_SET_VOLUME))
        repaintAll(); /* as with Winamp's, these tell nothing of the state */
    else if (changed)
        showChange();
    return answer;
}

/* A CAD player takes none of Winamp's commands, but says that it was sent one. */
static void OnCommand(HWND hwnd, int id, HWND hwndCtl, UINT codeNotify) {
    logLine("WM_COMMAND %d%s", id, g_cad ? " (ignored)" : "");
    if (!g_cad) runCommand((UINT)id);
}

static LRESULT OnCopyData(HWND hwnd, HWND from, const COPYDATASTRUCT *data) {
    std::string text;
    if (!receiveRemote(data, text)) return FALSE;
    RemoteCommand cmd = parseRemote(text);
    logLine("COPYDATA %s%s", text.c_str(), cmd.kind == REMOTE_UNKNOWN ? " (ignored)" : "");
    if (runRemote(cmd)) return TRUE;
    logLine("COPYDATA %s (refused)", text.c_str());
    return REMOTE_REFUSED;
}

static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: return OnCreate(hwnd, (LPCREATESTRUCT)lParam) ? 0 : -1;
    case WM_DESTROY: OnDestroy(hwnd); return 0;
    case WM_CLOSE: closePlayer(); return 0;
    case WM_TIMER: OnTimer(hwnd, (UINT)wParam); return 0;
    case WM_ERASEBKGND: return 1; /* OnPaint fills the whole window */
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_USER:
        return g_cad ? OnCadRequest(hwnd, wParam, lParam) : OnPlayerRequest(hwnd, wParam, lParam);
    case WM_COMMAND: OnCommand(hwnd, LOWORD(wParam), (HWND)lParam, HIWORD(wParam)); return 0;
    case WM_COPYDATA: return OnCopyData(hwnd, (HWND)wParam, (const COPYDATASTRUCT *)lParam);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

/* ---- start-up --------------------------------------------------------------------------- */

/* The command line as UTF-8 words: read as UTF-16, not through the code page, so that
   "--send title TEXT" carries a title in any script. */
static std::vector<std::string> commandWords() {
    std::vector<std::string> words;
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return words;
    for (int i = 0; i < count; i++)
        words.push_back(toUtf8(wide[i]));
    LocalFree(wide);
    return words;
}

/* Registers the mode's class and opens the window with its first title; a CAD player then
   announces itself to a client that is already waiting. */
static bool openWindow(HINSTANCE instance, const Options &options, int showCmd) {
    const wchar_t *className = g_cad ? CAD_CLASS_W : WINAMP_CLASS_W;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.lpszClassName = className; /* a Unicode window: titles in any script */
    if (!RegisterClassW(&wc)) return false;

    g_scroll = options.scroll;
    g_shownState = g_player->state();
    g_shownTitle = g_cad ? cadTitle(*g_player) : plainTitle(*g_player, g_shownState);
    if (g_scroll && !g_player->empty()) g_shownTitle = scrolledTitle(g_shownTitle, 0);
    HWND hwnd = CreateWindowExW(0, className, g_shownTitle.c_str(),
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                CW_USEDEFAULT, CW_USEDEFAULT, WINDOW_WIDTH, WINDOW_HEIGHT, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd) return false;
    if (g_scroll) SetTimer(hwnd, TIMER_SCROLL, SCROLL_MS, nullptr);
    ShowWindow(hwnd, showCmd);
    UpdateWindow(hwnd);
    raiseEvent(EVENT_OBJECT_CREATE); /* Wine does not tell other processes' hooks itself */
    if (g_cad) cadStart(hwnd);
    return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCmd) {
    std::vector<std::string> words = commandWords();
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    Options options;
    int exitCode = readOptions((int)words.size(), argv.data(), options);
    if (exitCode >= 0) return exitCode;
    Playlist playlist;
    exitCode = startPlaylist(options, playlist);
    if (exitCode >= 0) return exitCode;
    logOpen(options.logPath);

    Player player(playlist);
    startPlayer(player, options);
    g_player = &player;
    g_cad = options.cad;

    if (!openWindow(instance, options, showCmd)) return 2;

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    g_player = nullptr;
    logClose();
    return (int)msg.wParam;
}
