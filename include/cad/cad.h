/* The CD Art Display ("CAD") window protocol, as far as Warble and the stand-in player
   speak it: the player's window class, the title of the client's receiver window, the
   WM_USER codes (by lParam) in both directions, the play states and the WM_COPYDATA
   codes of the announcement and of the track's text. */
#pragma once

#include <wchar.h>

/* The class of the player's IPC window, by which a running player is found. */
inline constexpr char CAD_CLASS[] = "CD Art Display IPC Class";
inline constexpr wchar_t CAD_CLASS_W[] = L"CD Art Display IPC Class";
/* The title of the client's hidden receiver window, which a starting player looks for. */
inline constexpr char CAD_RECEIVER_TITLE[] = "CD Art Display 1.x Class";
inline constexpr wchar_t CAD_RECEIVER_TITLE_W[] = L"CD Art Display 1.x Class";

/* WM_USER from the client to the player, by lParam. */
enum CadRequest {
    CAD_PLAY = 100,
    CAD_PLAY_PAUSE = 101,
    CAD_PAUSE = 102,
    CAD_STOP = 103,
    CAD_NEXT = 104,
    CAD_PREV = 105,
    CAD_SET_VOLUME = 108,   /* wParam: the volume, 0 to CAD_VOLUME_MAX */
    CAD_GET_VOLUME = 109,   /* the answer: the volume */
    CAD_GET_TRACK = 110,    /* answered with CAD_TRACK_COPYDATA sent to the receiver */
    CAD_GET_LENGTH = 113,   /* the answer: the track's length in seconds */
    CAD_SEEK = 114,         /* wParam: the position to seek to, in seconds */
    CAD_REGISTER = 120,     /* wParam: the receiver window, which takes the notices */
    CAD_GET_POSITION = 122, /* the answer: the position in seconds */
    CAD_GET_STATE = 125,    /* the answer: a CadPlayState */
    CAD_CLIENT_GONE = 129,  /* the client ends: no more notices */
};

/* WM_USER from the player to the registered receiver, by lParam. */
enum CadNotice {
    CAD_VOLUME_CHANGED = 108, /* wParam: the volume */
    CAD_TRACK_CHANGED = 123,
    CAD_STATE_CHANGED = 126, /* wParam: a CadPlayState */
    CAD_PLAYER_GONE = 129,
};

enum CadPlayState { CAD_STOPPED = 0, CAD_PLAYING = 1, CAD_PAUSED = 2 };
enum { CAD_VOLUME_MAX = 100 };

/* dwData of the WM_COPYDATA texts, both UTF-16 with tab-separated fields. */
enum CadCopyData {
    CAD_ANNOUNCE_COPYDATA = 700, /* player to receiver at start: "1", class, title, path */
    CAD_TRACK_COPYDATA = 701,    /* the answer to CAD_GET_TRACK: the fields below */
};

/* The fields of the track's text, in order. */
enum CadTrackField {
    CAD_FIELD_TITLE,
    CAD_FIELD_ARTIST,
    CAD_FIELD_ALBUM,
    CAD_FIELD_GENRE,
    CAD_FIELD_YEAR,
    CAD_FIELD_COMMENT,
    CAD_FIELD_TRACK_NUMBER,
    CAD_FIELD_LENGTH, /* seconds */
    CAD_FIELD_PATH,
    CAD_FIELD_RATING,
    CAD_FIELD_COVER,
    CAD_FIELD_COUNT
};
