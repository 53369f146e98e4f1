/* A message loop with a deadline: the plugin's windows, hooks and worker threads
   all need the benchmark's thread to take its messages while it waits. */
#include "common/pump.h"
#include "common/timing.h"

bool pumpUntil(const std::function<bool()> &done, DWORD milliseconds) {
    Stopwatch clock;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        double left = milliseconds - clock.milliseconds();
        if (left <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, (DWORD)left + 1, QS_ALLINPUT);
    }
}

void pumpFor(DWORD milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}
