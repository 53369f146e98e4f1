/* Winamp's window protocol, as far as Warble and the stand-in player speak it: the
   main window's class, the WM_USER requests (by lParam), the WM_COMMAND ids and the
   play states the status request answers. */
#pragma once

#include <wchar.h>

/* The class of Winamp's main window, by which it is found. */
inline constexpr char WINAMP_CLASS[] = "Winamp v1.x";
inline constexpr wchar_t WINAMP_CLASS_W[] = L"Winamp v1.x";

/* WM_USER requests, by lParam. */
enum WinampRequest {
    IPC_ISPLAYING = 104,     /* the play state */
    IPC_GETOUTPUTTIME = 105, /* wParam 0: the position in ms; wParam 1: the length in s */
    IPC_JUMPTOTIME = 106,    /* wParam: the position to seek to, in ms */
    IPC_SETVOLUME = 122,     /* wParam: the volume, 0 to 255, or IPC_VOLUME_READ; the
                                answer is the volume */
};

/* The wParam of IPC_SETVOLUME that only reads the volume. */
enum { IPC_VOLUME_READ = -666, WINAMP_VOLUME_MAX = 255 };

/* WM_COMMAND ids. */
enum WinampCommand {
    WINAMP_CLOSE = 40001,
    WINAMP_PREV = 40044,
    WINAMP_PLAY = 40045,
    WINAMP_PAUSE = 40046,
    WINAMP_STOP = 40047,
    WINAMP_NEXT = 40048,
};

/* The answers to IPC_ISPLAYING. */
enum WinampPlayState { WINAMP_STOPPED = 0, WINAMP_PLAYING = 1, WINAMP_PAUSED = 3 };
