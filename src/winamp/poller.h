/* The once-a-second position poller and the companion plugin's two commands. */
#pragma once

#include <windows.h>
#include <stddef.h>

DWORD WINAPI pollThread(LPVOID);
/* One cycle's work, without the wait. */
void pollOnce();
/* The two companion commands, bounded to size characters. */
void formatSliderCommand(float fraction, char *out, size_t size);
/* The label carries the caption in the system code page. */
void formatLabelCommand(const wchar_t *caption, char *out, size_t size);
