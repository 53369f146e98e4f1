/* The messages the plugin's own threads and timers post or send to its window, all in
   one list so that no two share a number. What each carries is told where it is
   handled. */
#pragma once

#include <windows.h>

enum {
    /* the link thread's look at the player (player.h) */
    MSG_PLAYER_LOOK = WM_APP + 87,
    /* a relayed command's answer, and the close a relayed close brings (relay.h) */
    MSG_RELAY_RESULT = WM_APP + 88,
    MSG_RELAY_CLOSED = WM_APP + 89,
    /* a folder of the settings file's places changed (watch.h) */
    MSG_SETTINGS_NOTICE = WM_APP + 90,
    /* the position and length the link thread read (player.h) */
    MSG_PLAYER_TIMES = WM_APP + 91,
    /* options a write or a toggle took from the file apply now (settings.h) */
    MSG_SETTINGS_APPLY = WM_APP + 92,
    /* the volume after the wheel changed it (mouse.h) */
    MSG_PLAYER_VOLUME = WM_APP + 93
};
