/* Following Winamp's window through system window events. */
#pragma once

#include <windows.h>

void installEventHook();
void removeEventHook();
void CALLBACK winEventProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId,
                           LONG childId, DWORD eventThread, DWORD eventTime);
