/* The Nightjar shell's binary interface: the services nightjar.exe exports,
   its style record and its window messages. Shared by Warble.dll, which
   imports these functions, and by the stand-in shell, which exports them. */
#pragma once

#include <stddef.h>
#include <windows.h>

#ifdef NIGHTJAR_HOST
#define NJ_API extern "C" __declspec(dllexport)
#else
#define NJ_API extern "C"
#endif

/* The shell's style record: 300 bytes that a plugin copies whole. A plugin
   reads only the text colour at offset 24; the rest is the shell's. */
struct StyleItem {
    int bevelStyle;       /* 0: flat, 1: raised, 2: sunken */
    int bevelPosition;    /* 0 */
    int gradientType;     /* 8: 0 solid, 1 horizontal, 2 vertical, 3 diagonal */
    COLORREF color;       /* 12: gradient start */
    COLORREF colorTo;     /* 16: gradient end */
    COLORREF borderColor; /* 20 */
    COLORREF TextColor;   /* 24 */
    int borderWidth;      /* 28 */
    int fontHeight;       /* 32 */
    int fontWeight;       /* 36 */
    char fontFace[128];   /* 40 */
    BYTE reserved[132];   /* 168 */
};
static_assert(sizeof(StyleItem) == 300, "StyleItem is 300 bytes");
static_assert(offsetof(StyleItem, TextColor) == 24, "the text colour sits at byte 24");

struct Menu;
struct MenuItem;

/* Window messages, all sent with SendMessageA. */
enum : UINT {
    MSG_REGISTER = 10001,
    MSG_UNREGISTER = 10002,
    MSG_RECONFIGURE = 10103,
    MSG_SET_LABEL = 10304,
    MSG_BROADCAST = 10901,
    MSG_SLIT_ADD = 11001,
    MSG_SLIT_REMOVE = 11002,
};

/* Indexes of GetSettingPtr. */
enum { SN_STYLEITEM = 1, SN_BORDERWIDTH = 12, SN_BEVELWIDTH = 14 };

NJ_API HWND GetNJWnd(void);
NJ_API bool ReadBool(const char *path, const char *key, bool defaultValue);
NJ_API int ReadInt(const char *path, const char *key, int defaultValue);
NJ_API const char *ReadString(const char *path, const char *key, const char *defaultValue);
NJ_API void WriteBool(const char *path, const char *key, bool value);
NJ_API void WriteInt(const char *path, const char *key, int value);
NJ_API void WriteString(const char *path, const char *key, const char *value);
NJ_API bool FileExists(const char *path);
NJ_API char *GetNightjarPath(char *buffer, int size);
NJ_API void *GetSettingPtr(int index);
NJ_API const char *stylePath(const char *other);
NJ_API HFONT CreateStyleFont(StyleItem *item);
NJ_API void MakeStyleGradient(HDC dc, RECT *rect, StyleItem *item, bool withBorder);
NJ_API void MakeSticky(HWND window);
NJ_API void RemoveSticky(HWND window);
NJ_API bool SnapWindowToEdge(WINDOWPOS *position, LPARAM distance, UINT flags);
NJ_API bool SetTransparency(HWND window, BYTE alpha);
NJ_API void GetNightjarEditor(char *buffer);
NJ_API HINSTANCE NJExecute(HWND owner, const char *verb, const char *program, const char *arguments,
                           const char *directory, int showCommand, bool noErrorMessages);
NJ_API Menu *MakeNamedMenu(const char *title, const char *id, bool popup);
NJ_API MenuItem *MakeMenuItem(Menu *menu, const char *label, const char *command, bool checked);
NJ_API MenuItem *MakeMenuItemInt(Menu *menu, const char *label, const char *command, int value,
                                 int minimum, int maximum);
NJ_API MenuItem *MakeMenuNOP(Menu *menu, const char *label);
NJ_API MenuItem *MakeSubmenu(Menu *parent, Menu *child, const char *title);
NJ_API void ShowMenu(Menu *menu);
