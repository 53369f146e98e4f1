/* win-event.exe: another program raising window events, for the tests of what the
   plugin's hook takes, and moving a window of its own, for the figure of what the
   hook costs while some window is dragged.
     win-event raise WINDOW EVENT OBJECT CHILD
       Raises the event (numbers, 0x for hex) for that window, object and child once.
     win-event drag SECONDS PERIOD
       Shows a small window and moves it by SetWindowPos every PERIOD ms for SECONDS,
       raising the move's location change event as Windows does (Wine does not).
   Exit code 2 for a command line it does not know, 1 when the window cannot be made. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static long number(const char *text) {
    return strtol(text, nullptr, 0);
}

static void pumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

static int drag(DWORD seconds, DWORD period) {
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "dragged", WS_POPUP | WS_VISIBLE, 600,
                                  500, 80, 40, nullptr, nullptr, nullptr, nullptr);
    if (!window) return 1;
    int moves = 0;
    for (DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000; ++moves) {
        SetWindowPos(window, nullptr, 600 + moves % 200, 500 + moves % 50, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, window, OBJID_WINDOW, CHILDID_SELF);
        pumpPending();
        Sleep(period);
    }
    DestroyWindow(window);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 6 && !strcmp(argv[1], "raise")) {
        NotifyWinEvent((DWORD)number(argv[3]), (HWND)(INT_PTR)number(argv[2]),
                       (LONG)number(argv[4]), (LONG)number(argv[5]));
        return 0;
    }
    if (argc == 4 && !strcmp(argv[1], "drag")) return drag(number(argv[2]), number(argv[3]));
    fputs("usage: win-event raise WINDOW EVENT OBJECT CHILD | drag SECONDS PERIOD\n", stderr);
    return 2;
}
