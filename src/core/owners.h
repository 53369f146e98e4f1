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
/* A window the plugin made: its own, its tooltip. */
using Window = Owner<HWND, WindowTraits>;
/* A module loaded for a while. */
using Library = Owner<HMODULE, LibraryTraits>;

/* Builds an object in memory the caller has: the placement form of <new>, which is not
   included because any C++ library header switches printf and its kin from the
   system's C runtime to MinGW's own, some 25 KB more in the library. */
struct InPlace {};
inline void *operator new(size_t, void *memory, InPlace) {
    return memory;
}
inline void operator delete(void *, void *, InPlace) {}

/* One T in a block of the process heap, built in place (the library carries no C++
   allocator) and destroyed before the block is freed. A block handed to a new thread
   as its parameter is released by the starting side once the thread runs, and taken
   over by the thread with the constructor. */
template <class T> class HeapBlock {
  public:
    HeapBlock() = default;
    explicit HeapBlock(T *value) : value_(value) {}
    ~HeapBlock() { reset(); }
    HeapBlock(HeapBlock &&other) noexcept : value_(other.release()) {}
    HeapBlock &operator=(HeapBlock &&other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    HeapBlock(const HeapBlock &) = delete;
    HeapBlock &operator=(const HeapBlock &) = delete;

    /* A new, zeroed T in place of the one held; false when the heap has no room. */
    bool create() {
        reset();
        void *memory = HeapAlloc(GetProcessHeap(), 0, sizeof(T));
        if (memory) value_ = new (memory, InPlace()) T();
        return value_ != nullptr;
    }
    T *get() const { return value_; }
    T *operator->() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }
    T *release() {
        T *value = value_;
        value_ = nullptr;
        return value;
    }
    void reset(T *value = nullptr) {
        if (value_) {
            value_->~T();
            HeapFree(GetProcessHeap(), 0, value_);
        }
        value_ = value;
    }

  private:
    T *value_ = nullptr;
};

/* One T shared by several threads, each of which holds it through a Shared of its
   own: a heap block with a count of its holders, freed by the last one to let go, on
   whichever thread that is. */
template <class T> class Shared {
  public:
    Shared() = default;
    ~Shared() { reset(); }
    Shared(Shared &&other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    Shared &operator=(Shared &&other) noexcept {
        if (this != &other) {
            reset();
            block_ = other.block_;
            other.block_ = nullptr;
        }
        return *this;
    }
    Shared(const Shared &) = delete;
    Shared &operator=(const Shared &) = delete;

    /* A new, zeroed T held by this one alone, in place of the one held; false when
       the heap has no room. */
    bool create() {
        reset();
        HeapBlock<Block> block;
        if (!block.create()) return false;
        block->holders = 1;
        block_ = block.release();
        return true;
    }
    /* Another holder of the same T (none of none). */
    Shared share() const {
        if (block_) InterlockedIncrement(&block_->holders);
        return Shared(block_);
    }
    T *get() const { return block_ ? &block_->value : nullptr; }
    T *operator->() const { return get(); }
    operator T *() const { return get(); }
    /* Lets go of the T: the last holder frees it. */
    void reset() {
        if (block_ && InterlockedDecrement(&block_->holders) == 0) HeapBlock<Block>(block_).reset();
        block_ = nullptr;
    }

  private:
    struct Block {
        volatile LONG holders;
        T value;
    };
    explicit Shared(Block *block) : block_(block) {}

    Block *block_ = nullptr;
};

/* A window's timer, killed when it is reset or set anew, so that it never fires for
   something given up. */
class Timer {
  public:
    Timer() = default;
    ~Timer() { reset(); }
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    /* Fires WM_TIMER with id at window every ms until reset; false when the system has
       no timer to spare. */
    bool set(HWND window, UINT_PTR id, UINT ms) {
        reset();
        if (!SetTimer(window, id, ms, nullptr)) return false;
        window_ = window;
        id_ = id;
        return true;
    }
    void reset() {
        if (window_) KillTimer(window_, id_);
        window_ = nullptr;
    }
    /* Set, and not reset since. */
    explicit operator bool() const { return window_ != nullptr; }

  private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
};

/* A memory DC compatible with the screen. The font and the bitmap selected into it
   are put back before it is deleted, so the objects it held can be freed afterwards;
   an owner of either is declared before the DC, so that it goes after it. */
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
    /* Select a font or a bitmap, remembering the DC's own one that the first replaced. */
    void selectFont(HFONT font) { select(font, &ownFont_); }
    void selectBitmap(HBITMAP bitmap) { select(bitmap, &ownBitmap_); }
    /* Puts the DC's own font back: before the font selected into it is deleted. */
    void restoreFont() {
        if (ownFont_) SelectObject(dc_, ownFont_);
        ownFont_ = nullptr;
    }
    /* Puts the DC's own objects back and deletes it. */
    void reset() {
        if (!dc_) return;
        if (ownBitmap_) SelectObject(dc_, ownBitmap_);
        restoreFont();
        DeleteDC(dc_);
        dc_ = nullptr;
        ownBitmap_ = nullptr;
    }

  private:
    void select(HGDIOBJ object, HGDIOBJ *own) {
        HGDIOBJ replaced = SelectObject(dc_, object);
        if (!*own) *own = replaced;
    }

    HDC dc_ = nullptr;
    HGDIOBJ ownBitmap_ = nullptr, ownFont_ = nullptr;
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

/* Holds a section for its own lifetime. */
class SectionHold {
  public:
    explicit SectionHold(CriticalSection &section) : section_(section) { section_.enter(); }
    ~SectionHold() { section_.leave(); }
    SectionHold(const SectionHold &) = delete;
    SectionHold &operator=(const SectionHold &) = delete;

  private:
    CriticalSection &section_;
};
