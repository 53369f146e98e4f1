/* Following Winamp's window through system window events. */
#pragma once

#include "winamp/player.h"

#include <windows.h>

/* Follows the player for the start whose player side this is, until the hook is
   removed (the start's end). Shell's thread. */
void installEventHook(PlayerSide &side);
void removeEventHook();
void CALLBACK winEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId,
                           LONG childId, DWORD eventThread, DWORD eventTime);
