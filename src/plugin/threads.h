/* Threads of the plugin that keep its module loaded while they run. */
#pragma once

#include <windows.h>

/* Starts routine(argument) on a new thread that holds a reference to the plugin's
   module until its last instruction: a thread still finishing a bounded wait when
   the shell unloads the plugin never returns into unloaded code. Null when no
   thread could be started. */
HANDLE startPluginThread(LPTHREAD_START_ROUTINE routine, LPVOID argument, DWORD *id);
