/* The state record's load-time values and the lock that guards its caption. */
#include "plugin/state.h"
#include "plugin/version.h"

PluginState warble = [] {
    PluginState s = {};
    s.colourKey = RGB(255, 0, 230);
    s.scrollForward = true;
    s.playState = -1;
    return s;
}();

CriticalSection displayLock;

const char WARBLE_NAME_VERSION[] = "Warble v" WARBLE_VERSION;
const char WARBLE_AUTHOR[] = "The Warble developers";
const char WARBLE_WEB[] = "https://warble.example.org/";
const char WARBLE_EMAIL[] = "warble@example.org";
