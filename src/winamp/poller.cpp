/* The position poller: keeps the idle time current and pushes the playback
   position and the caption to the companion plugin DOVozizuvav once a second. */
#include "winamp/poller.h"
#include "plugin/state.h"
#include "plugin/text.h"
#include "winamp/player.h"

#include <stdio.h>
#include <string.h>

static const char SLIDER_COMMAND[] =
    "@DOVozizuvav Control SetControlProperty winampslider Value %f";
static const char LABEL_PREFIX[] =
    "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"";

void formatSliderCommand(float fraction, char *out, size_t size) {
    snprintf(out, size, SLIDER_COMMAND, (double)fraction);
}

/* The companion takes text in the system code page. A long caption is cut at
   a whole character so that the command still ends with its closing quote. */
void formatLabelCommand(const wchar_t *caption, char *out, size_t size) {
    char text[TEXT_SIZE];
    int room = (int)size - (int)sizeof LABEL_PREFIX - 1;
    narrowText(caption, text, room < 0 ? 1 : room < TEXT_SIZE ? room + 1 : TEXT_SIZE);
    snprintf(out, size, "%s%s\"", LABEL_PREFIX, text);
}

void pollOnce() {
    if (warble.idleState == 1) queryPlayer();
    int position = (int)winampSend(0, IPC_GETOUTPUTTIME, WM_USER);
    int seconds = position / 1000;
    float fraction = 0;
    if (seconds > 0) {
        int length = (int)winampSend(1, IPC_GETOUTPUTTIME, WM_USER);
        fraction = length != 0 ? (float)((double)seconds / length) : 0.0f;
    }
    if (!warble.interfaceExtensions) return;

    char command[TEXT_SIZE];
    InterlockedExchange(&warble.sliderEcho, 1);
    formatSliderCommand(fraction, command, sizeof command);
    SendMessageA(warble.hwndHost, MSG_BROADCAST, 0, (LPARAM)command);

    wchar_t caption[TEXT_SIZE];
    {
        DisplayLock lock;
        copyText(caption, warble.caption, TEXT_SIZE);
    }
    formatLabelCommand(caption, command, sizeof command);
    SendMessageA(warble.hwndHost, MSG_BROADCAST, 0, (LPARAM)command);
}

DWORD WINAPI pollThread(LPVOID) {
    do
        pollOnce();
    while (WaitForSingleObject(warble.hStopEvent, 1000) == WAIT_TIMEOUT);
    return 0;
}
