/* One small owner for each kind of Win32 resource the plugin makes. Each frees what it
   holds when it is reset or goes out of scope, so that a creation that fails halfway,
   or an early return, leaves nothing behind. Owners move; they are never copied. */
#pragma once

#include <windows.h>

template <class T, class Traits> class Owner {
  public:
    Owner() = default;
    explicit Owner(T value) : value_(value) {}
    ~Owner() { reset(); }
    Owner(Owner &&other) noexcept : value_(other.release()) {}
    Owner &operator=(Owner &&other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owner(const Owner &) = delete;
    Owner &operator=(const Owner &) = delete;

    T get() const { return value_; }
    operator T() const { return value_; }
    T release() {
        T value = value_;
        value_ = T();
        return value;
    }
    void reset(T value = T()) {
        if (value_) Traits::free(value_);
        value_ = value;
    }

  private:
    T value_ = T();
};

struct HandleTraits {
    static void free(HANDLE handle) {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
struct ChangeNotificationTraits {
    static void free(HANDLE handle) {
        if (handle != INVALID_HANDLE_VALUE) FindCloseChangeNotification(handle);
    }
};
struct GdiTraits {
    static void free(HGDIOBJ object) { DeleteObject(object); }
};
struct HookTraits {
    static void free(HWINEVENTHOOK hook) { UnhookWinEvent(hook); }
};
struct WindowTraits {
    static void free(HWND window) { DestroyWindow(window); }
};
struct LibraryTraits {
    static void free(HMODULE module) { FreeLibrary(module); }
};

/* A kernel handle: an event, a thread. */
using Handle = Owner<HANDLE, HandleTraits>;
/* A folder's change notification. */
using ChangeNotification = Owner<HANDLE, ChangeNotificationTraits>;
/* A font, a bitmap, a brush or a region. */
template <class T> using GdiObject = Owner<T, GdiTraits>;
/* A window-event hook. */
using EventHook = Owner<HWINEVENTHOOK, HookTraits>;
/* A window the plugin made besides its own, such as its tooltip. */
using Window = Owner<HWND, WindowTraits>;
/* A module loaded for a while. */
using Library = Owner<HMODULE, LibraryTraits>;

/* A memory DC compatible with the screen. Whatever is selected into it through select
   is put back before it is deleted, so the objects it held can be freed afterwards. */
class MemoryDC {
  public:
    MemoryDC() = default;
    ~MemoryDC() { reset(); }
    MemoryDC(const MemoryDC &) = delete;
    MemoryDC &operator=(const MemoryDC &) = delete;

    /* Makes a new DC in place of the one held; false when none could be made. */
    bool create() {
        reset();
        dc_ = CreateCompatibleDC(nullptr);
        return dc_ != nullptr;
    }
    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }
    /* Selects a bitmap or a font, remembering the first one it replaced of each kind. */
    void select(HGDIOBJ object) {
        HGDIOBJ replaced = SelectObject(dc_, object);
        HGDIOBJ &first = GetObjectType(object) == OBJ_FONT ? font_ : bitmap_;
        if (!first) first = replaced;
    }
    /* Puts the DC's own font back: before the font selected into it is deleted. */
    void restoreFont() {
        if (font_) SelectObject(dc_, font_);
        font_ = nullptr;
    }
    /* Puts the DC's own objects back and deletes it. */
    void reset() {
        if (!dc_) return;
        if (bitmap_) SelectObject(dc_, bitmap_);
        if (font_) SelectObject(dc_, font_);
        DeleteDC(dc_);
        dc_ = nullptr;
        bitmap_ = font_ = nullptr;
    }

  private:
    HDC dc_ = nullptr;
    HGDIOBJ bitmap_ = nullptr, font_ = nullptr;
};

/* A window's own DC, released when done. */
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC &) = delete;
    WindowDC &operator=(const WindowDC &) = delete;
    operator HDC() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

/* A registered window class, unregistered with its owner's module. */
class WindowClass {
  public:
    WindowClass() = default;
    ~WindowClass() { reset(); }
    WindowClass(const WindowClass &) = delete;
    WindowClass &operator=(const WindowClass &) = delete;
    bool registerClass(const WNDCLASSA &wc) {
        if (!RegisterClassA(&wc)) return false;
        name_ = wc.lpszClassName;
        instance_ = wc.hInstance;
        return true;
    }
    void reset() {
        if (name_) UnregisterClassA(name_, instance_);
        name_ = nullptr;
    }

  private:
    const char *name_ = nullptr;
    HINSTANCE instance_ = nullptr;
};

/* A critical section and its scoped hold. */
class CriticalSection {
  public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection &) = delete;
    CriticalSection &operator=(const CriticalSection &) = delete;
    void enter() { EnterCriticalSection(&section_); }
    void leave() { LeaveCriticalSection(&section_); }

  private:
    CRITICAL_SECTION section_;
};

/* Holds section for its lifetime. */
template <CriticalSection &section> class Hold {
  public:
    Hold() { section.enter(); }
    ~Hold() { section.leave(); }
    Hold(const Hold &) = delete;
    Hold &operator=(const Hold &) = delete;
};
