/* The display window's messages with their exact results and settings writes,
   applyWindowState's effect on the real window, re-reading the settings file
   on the shell's request, and a check that resizing and re-captioning a
   thousand times leaves no drawing object behind. */
#include "display/caption.h"
#include "display/layout.h"
#include "display/render.h"
#include "display/scroller.h"
#include "display/surfaces.h"
#include "display/window.h"
#include "nightjar/nightjar.h"
#include "plugin/lifecycle.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/winamp.h"
#include "unit_support.h"

#include <intrin.h>
#include <limits.h>
#include <string>
#include <vector>

namespace {

using unit::eventIndex;
using unit::hasEvent;
using unit::writeEvent;

class Window : public unit::RunningPlugin {
  protected:
    HWND w() const { return unit::pluginWindow(); }
    RECT windowRect() const {
        RECT r;
        GetWindowRect(unit::pluginWindow(), &r);
        return r;
    }
    LONG exStyle() const { return GetWindowLongA(unit::pluginWindow(), GWL_EXSTYLE); }
    /* Sets the options named in lines and applies the window's state. */
    static void apply(const std::string &lines) {
        unit::setOptions(lines);
        applyWindowState(unit::display());
    }
};

TEST_F(Window, SizeNotificationRecordsAtLeastFiveAndWritesBothKeys) {
    EXPECT_EQ(0, SendMessageA(w(), WM_SIZE, SIZE_RESTORED, 0));
    EXPECT_EQ(5, options.width);
    EXPECT_EQ(5, options.height);
    int width = eventIndex(writeEvent("Warble.plugin.width:", "5"));
    int height = eventIndex(writeEvent("Warble.plugin.height:", "5"));
    EXPECT_GE(width, 0);
    EXPECT_GT(height, width) << "width first, then height";
    EXPECT_EQ(2u, unit::eventsStartingWith("write|").size());
    EXPECT_EQ(5, ReadInt(settings().path, "Warble.plugin.width:", 0));

    hostClearEvents();
    SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(3, 40));
    EXPECT_EQ(5, options.width);
    EXPECT_EQ(40, options.height);
    SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(65535, 7));
    EXPECT_EQ(65535, options.width) << "the words are read unsigned";
    EXPECT_EQ(7, options.height);
}

/* What a paint copies to the window covers its whole client area, and no more. */
static bool coversExactly(HDC surface, int width, int height) {
    return GetPixel(surface, width - 1, height - 1) != CLR_INVALID &&
           GetPixel(surface, width, height - 1) == CLR_INVALID;
}

TEST_F(Window, SizeNotificationRebuildsTheSurfaces) {
    SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(140, 20));
    RECT client;
    GetClientRect(w(), &client);
    EXPECT_TRUE(coversExactly(frameDC(unit::display()), client.right, client.bottom));

    /* A real resize sends no WM_SIZE here: the surfaces follow all the same, in
       both modes. */
    for (bool docked : {true, false}) {
        unit::setOptions(docked ? "inSlit: true" : "inSlit: false");
        int width = docked ? 170 : 230;
        SetWindowPos(w(), nullptr, 0, 0, width, 26, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        for (HDC surface : {frameDC(unit::display()), backgroundDC(unit::display())})
            EXPECT_TRUE(coversExactly(surface, width, 26)) << (docked ? "docked" : "floating");
    }

    /* Building the surfaces leaves a pending repaint pending. */
    ValidateRect(w(), nullptr);
    RECT part = {3, 4, 20, 10}, pending = {};
    InvalidateRect(w(), &part, FALSE);
    releaseSurfaces(unit::display());
    createSurfaces(unit::display());
    EXPECT_TRUE(GetUpdateRect(w(), &pending, FALSE));
    EXPECT_TRUE(EqualRect(&part, &pending));

    /* A scroll step asks for the text area alone. */
    unit::setOptions("scrolling: true");
    broadcast("@Warble SetCaptionNow A caption far wider than the window that has to show it");
    ValidateRect(w(), nullptr);
    int blinkTicks = 0;
    scrollTick(unit::caption(), w(), &blinkTicks);
    GetClientRect(w(), &client);
    RECT area = textAreaOf(unit::display().style, client);
    ASSERT_FALSE(EqualRect(&area, &client));
    EXPECT_TRUE(GetUpdateRect(w(), &pending, FALSE));
    EXPECT_TRUE(EqualRect(&area, &pending));
}

/* Out of drawing objects, a paint draws nothing and asks for no other paint; once
   they are back, the next repaint draws again. */
TEST_F(Window, WithoutDrawingObjectsAPaintAsksForNoOther) {
    releaseSurfaces(unit::display());
    std::vector<HGDIOBJ> hoard;
    for (HGDIOBJ brush; hoard.size() < 100000 && (brush = CreateSolidBrush(RGB(1, 2, 3)));)
        hoard.push_back(brush);
    InvalidateRect(w(), nullptr, FALSE);
    unit::pumpFor(100);
    bool pending = GetUpdateRect(w(), nullptr, FALSE), made = frameDC(unit::display()) != nullptr;
    for (HGDIOBJ brush : hoard)
        DeleteObject(brush);
    if (made) GTEST_SKIP() << "drawing objects did not run out after " << hoard.size();
    EXPECT_FALSE(pending) << "each paint asked for another";
    InvalidateRect(w(), nullptr, FALSE);
    UpdateWindow(w());
    EXPECT_NE(nullptr, frameDC(unit::display()));
}

TEST_F(Window, SizingRecordsTheProposedSizeWithoutMinimumOrWrite) {
    RECT proposed = {100, 100, 103, 102};
    SendMessageA(w(), WM_SIZING, WMSZ_BOTTOMRIGHT, (LPARAM)&proposed);
    EXPECT_EQ(100, options.width) << "no sizing outside the system's sizing loop";
    SendMessageA(w(), WM_ENTERSIZEMOVE, 0, 0);
    EXPECT_EQ(0, SendMessageA(w(), WM_SIZING, WMSZ_BOTTOMRIGHT, (LPARAM)&proposed));
    EXPECT_EQ(3, options.width);
    EXPECT_EQ(2, options.height);
    EXPECT_EQ(103, proposed.right) << "the proposal is left as it is";
    EXPECT_EQ(102, proposed.bottom);
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());
    /* A text area without room still paints, and asks for no other paint. */
    InvalidateRect(w(), nullptr, FALSE);
    UpdateWindow(w());
    EXPECT_FALSE(GetUpdateRect(w(), nullptr, FALSE));
    SendMessageA(w(), WM_EXITSIZEMOVE, 0, 0);
}

TEST_F(Window, PositionChangeRecordsAndWritesPlaceAndSize) {
    RECT before = windowRect();
    WINDOWPOS pos = {w(), nullptr, 321, 234, 10, 40, SWP_NOZORDER};
    EXPECT_EQ(0, SendMessageA(w(), WM_WINDOWPOSCHANGED, 0, (LPARAM)&pos));
    EXPECT_EQ(321, options.xPos);
    EXPECT_EQ(234, options.yPos);
    EXPECT_EQ(16, options.width) << "at least 16 after a move or resize";
    EXPECT_EQ(40, options.height);
    EXPECT_EQ(16, pos.cx) << "the record is corrected";
    for (auto [key, value] : {std::pair<const char *, int>{"Warble.plugin.x:", 321},
                              {"Warble.plugin.y:", 234},
                              {"Warble.plugin.width:", 16},
                              {"Warble.plugin.height:", 40}})
        EXPECT_EQ(value, ReadInt(settings().path, key, -1)) << key << " in the file";
    RECT after = windowRect();
    EXPECT_TRUE(EqualRect(&before, &after)) << "the window itself is not resized here";

    hostClearEvents();
    pos = {w(), nullptr, -50, -60, 0, 3, SWP_NOSIZE | SWP_NOMOVE};
    SendMessageA(w(), WM_WINDOWPOSCHANGED, 0, (LPARAM)&pos);
    EXPECT_EQ(-50, options.xPos) << "taken whatever flags the record carries";
    EXPECT_EQ(-60, options.yPos);
    EXPECT_EQ(16, options.width);
    EXPECT_EQ(16, options.height);
    EXPECT_EQ(4u, unit::eventsStartingWith("write|").size());
}

TEST_F(Window, RealMoveIsRecordedAndWritten) {
    SetWindowPos(w(), nullptr, 260, 180, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(260, options.xPos);
    EXPECT_EQ(180, options.yPos);
    EXPECT_EQ(260, ReadInt(settings().path, "Warble.plugin.x:", 0));
    EXPECT_EQ(180, ReadInt(settings().path, "Warble.plugin.y:", 0));
}

TEST_F(Window, WhileDockedPositionChangesAreNotRecordedButSizesAre) {
    unit::setOptions("inSlit: true");
    shellLink.slit = hostSlitWindow();
    int x = options.xPos, y = options.yPos, width = options.width, height = options.height;
    WINDOWPOS pos = {w(), nullptr, 900, 300, 80, 20, SWP_NOZORDER};
    EXPECT_EQ(0, SendMessageA(w(), WM_WINDOWPOSCHANGED, 0, (LPARAM)&pos));
    EXPECT_EQ(x, options.xPos);
    EXPECT_EQ(y, options.yPos);
    EXPECT_EQ(width, options.width);
    EXPECT_EQ(height, options.height);
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());

    SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(90, 22));
    EXPECT_EQ(90, options.width);
    EXPECT_EQ(22, options.height);
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.width:", "90")));
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.height:", "22")));
}

/* The same idle text after a restart with a larger font is measured in that font. */
TEST_F(Window, ARestartMeasuresTheSameCaptionInTheNewFont) {
    int before = unit::caption().textWidth;
    std::wstring caption = unit::caption().text;
    endPlugin(GetModuleHandleA(nullptr));
    ASSERT_TRUE(unit::writeFile(settingsPath(), settingsText() +
                                                    "Warble.plugin.useCustomFont: true\r\n"
                                                    "Warble.plugin.font: Tahoma\r\n"
                                                    "Warble.plugin.font.height: 40\r\n"));
    ASSERT_EQ(0, beginPlugin(GetModuleHandleA(nullptr)));
    EXPECT_EQ(caption, unit::caption().text);
    EXPECT_GT(unit::caption().textWidth, before);
}

TEST_F(Window, CloseIsSwallowed) {
    EXPECT_EQ(0, SendMessageA(w(), WM_CLOSE, 0, 0));
    EXPECT_TRUE(IsWindow(w()));
    EXPECT_TRUE(IsWindowVisible(w()));
    PostMessageA(w(), WM_SYSCOMMAND, SC_CLOSE, 0);
    unit::pumpFor(100);
    EXPECT_TRUE(IsWindow(w())) << "the system's close command does not close it either";
}

TEST_F(Window, MinimumTrackingSizeIsSixteen) {
    MINMAXINFO info;
    memset(&info, 0x55, sizeof info);
    EXPECT_EQ(0, SendMessageA(w(), WM_GETMINMAXINFO, 0, (LPARAM)&info));
    EXPECT_EQ(16, info.ptMinTrackSize.x);
    EXPECT_EQ(16, info.ptMinTrackSize.y);
    EXPECT_EQ(0x55555555, info.ptMaxTrackSize.x) << "other members untouched";
    EXPECT_EQ(0x55555555, info.ptMaxSize.y);
    EXPECT_EQ(0x55555555, info.ptMaxPosition.x);
}

TEST_F(Window, RightReleaseOpensTheMenuInBothModes) {
    for (bool docked : {false, true}) {
        unit::setOptions(docked ? "inSlit: true" : "inSlit: false");
        for (UINT message : {(UINT)WM_RBUTTONUP, (UINT)WM_NCRBUTTONUP}) {
            SCOPED_TRACE(std::string(docked ? "docked, " : "floating, ") +
                         (message == WM_RBUTTONUP ? "WM_RBUTTONUP" : "WM_NCRBUTTONUP"));
            hostClearEvents();
            EXPECT_EQ(0, SendMessageA(w(), message, 0, MAKELPARAM(3, 3)));
            int created = eventIndex("menu|new|Warble|Warble_IDMain|1");
            EXPECT_GE(created, 0);
            EXPECT_GT(eventIndex("menu|show|Warble_IDMain|1"), created);
            EXPECT_TRUE(hasEvent("menu|item|Warble_IDConfig|Docked to Slit|"
                                 "@WarbleInternal SlitToggle|" +
                                 std::string(docked ? "1" : "0")));
            EXPECT_TRUE(unit::eventsStartingWith("menu|new|Warble|Warble_IDMain|0").empty());
        }
    }
}

TEST_F(Window, MenuShowsTheCurrentChoices) {
    unit::setOptions("idle.state: 7\nscroll_style: EndToEnd");
    unit::display().placement.layeredSupported = false;
    SendMessageA(w(), WM_NCRBUTTONUP, HTCAPTION, 0);
    std::vector<std::string> idle = unit::eventsStartingWith("menu|item|Warble_Idle Message|");
    ASSERT_EQ(3u, idle.size());
    for (const std::string &item : idle)
        EXPECT_EQ('0', item.back()) << "no idle item is checked for state 7: " << item;
    EXPECT_TRUE(
        hasEvent("menu|item|Warble_ScrollStyle|Stream|@WarbleInternal ScrollStyle Stream|0"));
    EXPECT_TRUE(
        hasEvent("menu|item|Warble_ScrollStyle|End to End|@WarbleInternal ScrollStyle EndToEnd|1"));
    EXPECT_TRUE(
        unit::eventsStartingWith("menu|item|Warble_IDConfig|Transparent Back Enabled|").empty())
        << "without layered windows the item is left out";
    EXPECT_TRUE(hasEvent("menu|int|Warble_IDConfig|Alpha Value|@WarbleInternal TransparencyAlpha|" +
                         std::to_string(options.alpha) + "|0|255"));

    hostClearEvents();
    unit::display().placement.layeredSupported = true;
    unit::setOptions("idle.state: 1");
    SendMessageA(w(), WM_RBUTTONUP, 0, 0);
    EXPECT_TRUE(hasEvent("menu|item|Warble_Idle Message|Time|@WarbleInternal ToggleIdleState 1|1"));
    EXPECT_EQ(1u, unit::eventsStartingWith(
                      "menu|item|Warble_IDConfig|Transparent Back Enabled|@WarbleInternal "
                      "TransbackEnabled|")
                      .size());
}

TEST_F(Window, ReconfigureTakesPlaceAndSizeFromTheFile) {
    ASSERT_TRUE(unit::writeFile(settingsPath(), "Warble.plugin.x: 300\r\n"
                                                "Warble.plugin.y: 200\r\n"
                                                "Warble.plugin.width: 150\r\n"
                                                "Warble.plugin.height: 30\r\n"
                                                "Warble.plugin.alwaysontop: false\r\n"
                                                "Warble.plugin.showBorder: false\r\n"
                                                "Warble.plugin.doVozizuvavExtensions: false\r\n"));
    HFONT oldFont = captionFont(unit::display());
    EXPECT_EQ(0, SendMessageA(w(), MSG_RECONFIGURE, 0, 0));
    RECT r = windowRect();
    EXPECT_EQ(300, r.left);
    EXPECT_EQ(200, r.top);
    EXPECT_EQ(150, r.right - r.left);
    EXPECT_EQ(30, r.bottom - r.top);
    EXPECT_FALSE(exStyle() & WS_EX_TOPMOST);
    EXPECT_FALSE(options.showBorder);
    EXPECT_TRUE(captionFont(unit::display()) != nullptr);
    EXPECT_EQ(0, GetObjectType(oldFont)) << "the old font is deleted with the new style";
}

TEST_F(Window, ReconfigureThroughTheShellReachesTheWindow) {
    ASSERT_TRUE(unit::writeFile(settingsPath(), "Warble.plugin.x: 310\r\n"
                                                "Warble.plugin.y: 210\r\n"
                                                "Warble.plugin.doVozizuvavExtensions: false\r\n"));
    hostReconfigure();
    EXPECT_EQ(310, windowRect().left);
    EXPECT_EQ(210, windowRect().top);
}

TEST_F(Window, ApplyWindowStateSetsTheZOrder) {
    apply("alwaysontop: true");
    EXPECT_TRUE(exStyle() & WS_EX_TOPMOST);
    apply("alwaysontop: false");
    EXPECT_FALSE(exStyle() & WS_EX_TOPMOST) << "not-topmost ends an earlier topmost state";
}

/* A saved place and size show as they are while they fit the screen; a size larger than
   the screen is cut to it, and a place off every monitor shows on the nearest one. The
   file keeps the user's numbers, at start and at every reconfigure, until the window is
   moved. */
TEST_F(Window, ReconfigurePlacesTheWindowOnTheScreen) {
    const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const LONG ANY = LONG_MIN; /* anywhere inside the screen */
    const struct {
        int x, y, width, height;
        RECT shown;
    } cases[] = {
        {250, 170, 130, 25, {250, 170, 380, 195}},
        /* Partly off the screen is still on a monitor: where the user put it. */
        {-40, 170, 130, 25, {-40, 170, 90, 195}},
        {250, 170, 130, 100000, {250, ANY, 380, ANY}},
        {-99999, 170, 130, 25, {ANY, 170, ANY, 195}},
        {99999, 99999, 130, 25, {ANY, ANY, ANY, ANY}},
        {INT_MIN, INT_MAX, INT_MAX, INT_MAX, {ANY, ANY, ANY, ANY}},
    };
    for (const auto &c : cases) {
        std::string numbers = std::to_string(c.x) + " " + std::to_string(c.y) + " " +
                              std::to_string(c.width) + " " + std::to_string(c.height);
        SCOPED_TRACE(numbers);
        std::string text = "Warble.plugin.x: " + std::to_string(c.x) +
                           "\r\nWarble.plugin.y: " + std::to_string(c.y) +
                           "\r\nWarble.plugin.width: " + std::to_string(c.width) +
                           "\r\nWarble.plugin.height: " + std::to_string(c.height) + "\r\n";
        ASSERT_TRUE(unit::writeFile(settingsPath(), text));
        hostClearEvents();
        hostReconfigure();
        RECT r = windowRect();
        const LONG want[] = {c.shown.left, c.shown.top, c.shown.right, c.shown.bottom};
        const LONG got[] = {r.left, r.top, r.right, r.bottom};
        for (int i = 0; i < 4; ++i)
            if (want[i] != ANY) {
                EXPECT_EQ(want[i], got[i]) << "side " << i;
            }
        RECT screen = {0, 0, screenWidth, screenHeight}, seen;
        EXPECT_TRUE(IntersectRect(&seen, &r, &screen)) << "on the screen";
        EXPECT_LE(r.right - r.left, screenWidth);
        EXPECT_LE(r.bottom - r.top, screenHeight);
        EXPECT_TRUE(unit::eventsStartingWith("write|").empty());
        EXPECT_EQ(text, unit::readFile(settingsPath()));
    }
    SetWindowPos(w(), nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(40, ReadInt(settings().path, "Warble.plugin.x:", 0)) << "a move writes the place";
}

TEST_F(Window, ApplyWindowStateHidesWithThePlugins) {
    unit::display().placement.pluginsHidden = true;
    apply("togglewithplugins: false");
    EXPECT_TRUE(IsWindowVisible(w()));
    apply("togglewithplugins: true");
    EXPECT_FALSE(IsWindowVisible(w()));
    /* Hidden, nothing else is applied. */
    bool topmost = exStyle() & WS_EX_TOPMOST;
    apply(topmost ? "alwaysontop: false" : "alwaysontop: true");
    EXPECT_EQ(topmost, (exStyle() & WS_EX_TOPMOST) != 0);
    unit::display().placement.pluginsHidden = false;
    applyWindowState(unit::display());
    EXPECT_TRUE(IsWindowVisible(w()));
}

TEST_F(Window, ApplyWindowStateSetsOpacityAndColourKey) {
    if (!unit::display().placement.layeredSupported ||
        !unit::display().placement.setLayeredAttributes)
        GTEST_SKIP() << "no layered windows here";
    apply("transparency.enabled: true\ntransparency.alpha: 300"); /* its low byte, 44, is the
                                                                     opacity */
    ASSERT_TRUE(exStyle() & WS_EX_LAYERED);
    COLORREF key = 0;
    BYTE opacity = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(w(), &key, &opacity, &flags));
    EXPECT_EQ(44, opacity);
    EXPECT_EQ(RGB(255, 0, 230), key);
    EXPECT_EQ((DWORD)(LWA_COLORKEY | LWA_ALPHA), flags);

    apply("transparency.enabled: false");
    ASSERT_TRUE(GetLayeredWindowAttributes(w(), &key, &opacity, &flags));
    EXPECT_EQ(255, opacity) << "opaque whatever alpha holds";
    EXPECT_EQ(RGB(255, 0, 230), key) << "the key is set on every floating window";

    shellLink.slit = hostSlitWindow();
    apply("inSlit: true");
    EXPECT_FALSE(exStyle() & WS_EX_LAYERED) << "a docked window is not layered";
    apply("inSlit: false");
    EXPECT_TRUE(exStyle() & WS_EX_LAYERED);
}

TEST_F(Window, WithoutLayeredWindowsTheShellSetsTheOpacity) {
    unit::display().placement.layeredSupported = false;
    unit::setOptions("transparency.enabled: true\ntransparency.alpha: 300");
    hostClearEvents();
    applyWindowState(unit::display());
    EXPECT_TRUE(hasEvent("transparency|" + unit::hex(w()) + "|44"));

    hostClearEvents();
    shellLink.slit = hostSlitWindow();
    apply("inSlit: true");
    EXPECT_TRUE(hasEvent("transparency|" + unit::hex(w()) + "|255")) << "docked: opaque";
    unit::setOptions("inSlit: false");

    hostClearEvents();
    apply("transparency.enabled: false");
    EXPECT_TRUE(hasEvent("transparency|" + unit::hex(w()) + "|255"));
}

TEST_F(Window, LayeredWithoutTheFunctionStaysOpaque) {
    if (!unit::display().placement.layeredSupported) GTEST_SKIP() << "no layered windows here";
    SetLayeredWindowAttributesFn function = unit::display().placement.setLayeredAttributes;
    unit::display().placement.setLayeredAttributes = nullptr;
    unit::setOptions("transparency.enabled: true");
    hostClearEvents();
    applyWindowState(unit::display());
    unit::display().placement.setLayeredAttributes = function;
    EXPECT_FALSE(exStyle() & WS_EX_LAYERED);
    EXPECT_TRUE(unit::eventsStartingWith("transparency|").empty())
        << "the shell's opacity service is not used in its place";
}

TEST_F(Window, OnlyTheUsersMoveNearAnEdgeSnapsAFloatingVisibleWindow) {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    auto proposed = [&](int dx, int dy) {
        WINDOWPOS pos = {w(), nullptr, (int)work.left + dx, (int)work.top + dy, 100, 17, 0};
        EXPECT_EQ(0, SendMessageA(w(), WM_WINDOWPOSCHANGING, 0, (LPARAM)&pos));
        return pos;
    };
    ASSERT_TRUE(options.snapWindow);
    WINDOWPOS pos = proposed(6, 8);
    EXPECT_EQ(work.left + 6, pos.x) << "not moved by the user: never";
    SendMessageA(w(), WM_ENTERSIZEMOVE, 0, 0);
    pos = proposed(6, 8);
    EXPECT_EQ(work.left, pos.x) << "within 10 pixels of the edge";
    EXPECT_EQ(work.top, pos.y);
    pos = proposed(40, 40);
    EXPECT_EQ(work.left + 40, pos.x) << "too far from the edge";

    unit::setOptions("inSlit: true");
    shellLink.slit = hostSlitWindow();
    pos = proposed(6, 8);
    EXPECT_EQ(work.left + 6, pos.x) << "docked: never";

    unit::setOptions("inSlit: false\nsnapwindow: false");
    pos = proposed(6, 8);
    EXPECT_EQ(work.left + 6, pos.x) << "snapping off";
    unit::setOptions("snapwindow: true");

    ShowWindow(w(), SW_HIDE);
    pos = proposed(6, 8);
    EXPECT_EQ(work.left + 6, pos.x) << "hidden: never";
    ShowWindow(w(), SW_SHOWNOACTIVATE);
    SendMessageA(w(), WM_EXITSIZEMOVE, 0, 0);
}

/* Counting the process's drawing objects. Windows reports it through
   GetGuiResources; where that answers 0 (Wine), the shared handle table that
   the process environment block points to is counted instead, provided it
   proves itself by seeing objects come and go. */
class GdiCounter {
  public:
    GdiCounter() {
        if (GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) > 0) {
            method = FROM_SYSTEM;
            return;
        }
#if defined(_M_IX86) || defined(__i386__)
        const BYTE *peb;
        asm("movl %%fs:0x30, %0" : "=r"(peb)); /* the thread block's process block */
        table = peb ? *(const BYTE *const *)(peb + 0x94) : nullptr;
        if (table && calibrate()) method = FROM_TABLE;
#endif
    }
    bool usable() const {
        return method != NONE;
    }
    const char *name() const {
        return method == FROM_SYSTEM ? "GetGuiResources" : "handle table";
    }
    long count() const {
        if (method == FROM_SYSTEM) return (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        /* A free entry has type 0; its object field then links the free list. */
        long used = 0;
        for (size_t i = 0; i < ENTRIES; ++i)
            if (table[i * ENTRY_SIZE + TYPE_OFFSET]) ++used;
        return used;
    }

  private:
    enum Method { NONE, FROM_SYSTEM, FROM_TABLE } method = NONE;
    static const size_t ENTRIES = 0x10000, ENTRY_SIZE = 24, TYPE_OFFSET = 14;
    const BYTE *table = nullptr;

    bool calibrate() {
        if (IsBadReadPtr(table, ENTRIES * ENTRY_SIZE)) return false;
        method = FROM_TABLE;
        long before = count();
        HBRUSH brushes[10];
        for (HBRUSH &b : brushes)
            b = CreateSolidBrush(RGB(1, 2, 3));
        long during = count();
        for (HBRUSH b : brushes)
            DeleteObject(b);
        long after = count();
        method = NONE;
        return during - before == 10 && after == before;
    }
};

TEST_F(Window, ResizingAndNewCaptionsLeaveNoDrawingObjectBehind) {
    GdiCounter counter;
    if (!counter.usable()) GTEST_SKIP() << "no way to count drawing objects here";
    /* The first paint and caption may create objects that stay (fonts cached
       by the system); they are settled before counting starts. */
    broadcast("@Warble SetCaptionNow settling");
    UpdateWindow(w());
    for (int phase = 0; phase < 4; ++phase) { /* every kind of paint once: key, blend */
        unit::setOptions(phase & 1 ? "transback.enabled: true" : "transback.enabled: false");
        playerStatus.playState = phase & 2 ? WINAMP_PAUSED : WINAMP_PLAYING;
        SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(100 + phase, 17));
        UpdateWindow(w());
    }
    unit::setOptions("transback.enabled: false");
    playerStatus.playState = WINAMP_PLAYING;
    SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 17));
    UpdateWindow(w());
    unit::pumpMessages();
    long before = counter.count();

    for (int i = 0; i < 1000; ++i) {
        if (i % 100 == 0) {
            SetWindowPos(w(), nullptr, 0, 0, 80 + i / 10, 17 + i / 100,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            unit::setOptions(options.transBackEnabled ? "transback.enabled: false"
                                                      : "transback.enabled: true");
            playerStatus.playState =
                playerStatus.playState == WINAMP_PAUSED ? WINAMP_PLAYING : WINAMP_PAUSED;
        }
        SendMessageA(w(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(60 + i % 90, 10 + i % 20));
        if (i % 50 == 0) {
            RECT tiny = {0, 0, i % 3, i % 4}; /* no room for the text area */
            SendMessageA(w(), WM_SIZING, WMSZ_BOTTOMRIGHT, (LPARAM)&tiny);
        }
        if (i % 10 == 0) UpdateWindow(w());
    }
    for (int i = 0; i < 1000; ++i) {
        std::string caption = "Caption number " + std::to_string(i) + (i % 2 ? " & more" : "");
        broadcast(("@Warble SetCaptionNow " + caption).c_str());
        if (i % 10 == 0) UpdateWindow(w());
    }
    unit::setOptions("transback.enabled: false");
    playerStatus.playState = WINAMP_PLAYING;
    UpdateWindow(w());
    unit::pumpMessages();
    long after = counter.count();
    EXPECT_LE(after - before, 2) << "counted through " << counter.name() << ": " << before
                                 << " before, " << after << " after";
}

} // namespace
