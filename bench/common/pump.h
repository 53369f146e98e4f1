/* Handling this thread's messages while a benchmark waits for something. */
#pragma once

#include <functional>
#include <windows.h>

/* Handles messages (sent ones included) until done() holds or the time is up;
   done() is asked after every message. True when done() held. */
bool pumpUntil(const std::function<bool()> &done, DWORD milliseconds);
/* Handles messages for the whole time. */
void pumpFor(DWORD milliseconds);
