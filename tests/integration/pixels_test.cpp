/* What the plugin's window really shows, read back from its device context: where the
   caption sits, how a wide one is cut, how scrolling moves it, that an ampersand is
   drawn as itself, the keyed-out or styled background, and that every real change (a
   new size, a new font, a new caption drawn without a paint, a repaint of a part)
   leaves the pixels of a full paint. */
#include "harness.h"
#include "host.h"
#include "pixels.h"
#include "winamp_sim.h"

#include <climits>
#include <cstdlib>
#include <set>

namespace {

const COLORREF COLOUR_KEY = RGB(255, 0, 230);

class PixelsTest : public PluginTest {
  protected:
    /* A floating window 100 by 40 at 200, 200, with the given extra settings. */
    void start(const std::string &settings = "", bool withSlit = false) {
        writeSettings(placed(100, 40) + settings);
        ASSERT_EQ(startThroughShell(withSlit), 0);
        window = pluginWindow();
        ASSERT_NE(window, nullptr);
        pump(100);
    }

    static std::string placed(int width, int height) {
        return "Warble.plugin.x: 200\r\nWarble.plugin.y: 200\r\n"
               "Warble.plugin.width: " +
               std::to_string(width) + "\r\nWarble.plugin.height: " + std::to_string(height) +
               "\r\nWarble.plugin.doVozizuvavExtensions: false\r\n";
    }

    /* New settings taken the way the shell hands them over. */
    void reconfigure(const std::string &settings) {
        writeSettings(settings);
        hostReconfigure();
        pump(150);
    }

    /* The whole window as a full paint of it shows a short caption: the style
       background everywhere but the caption, the caption centred. */
    void expectWholeWindowPainted(const Frame &frame, int width, int height, bool withBorder) {
        ASSERT_EQ(width, frame.width);
        ASSERT_EQ(height, frame.height);
        Frame back = styleBackground(width, height, withBorder);
        RECT area = textArea(frame);
        InkBox box = findInk(frame, area);
        ASSERT_FALSE(box.none()) << "no caption ink";
        expectCentred(box, area);
        /* Around the caption's ink (and its faint edges), the style background. */
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                bool ink = y >= box.top - 2 && y <= box.bottom + 2 && x >= box.left - 2 &&
                           x <= box.right + 2;
                if (!ink && frame.at(x, y) != back.at(x, y)) ++wrong;
            }
        EXPECT_EQ(0, wrong) << "pixels off the caption unlike the style background";
    }

    /* The ink's middle at the text area's middle, across and down (both doubled, to
       stay whole). */
    static void expectCentred(const InkBox &box, const RECT &area) {
        EXPECT_LE(abs(box.left + box.right - (area.left + area.right - 1)), 4)
            << "ink " << box.left << ".." << box.right;
        EXPECT_LE(abs(box.top + box.bottom - (area.top + area.bottom - 1)), 6)
            << "ink " << box.top << ".." << box.bottom;
    }

    Frame showCaption(const std::string &caption) {
        hostBroadcast(("@Warble SetCaptionNow " + caption).c_str());
        pump(150);
        return captureWindow(window);
    }

    RECT textArea(const Frame &frame) const {
        int k = textInset();
        return RECT{k, k, frame.width - k, frame.height - k};
    }

    /* Where the caption's left edge stands in the text area (scrollX), judged from the
       leftmost ink against the same text drawn at x 0; only for a caption that is not
       cut at the left. */
    int captionOffset(const Frame &frame, const std::string &caption) {
        RECT area = textArea(frame);
        InkBox box = findInk(frame, area);
        return box.none() ? INT_MIN : box.left - area.left - styleTextInkLeft(caption);
    }

    /* Whether the window shows the same pixels 200 ms apart; now: the later. */
    bool still(Frame *now) {
        Frame before = captureWindow(window);
        pump(200);
        *now = captureWindow(window);
        return now->pixels == before.pixels;
    }

    void keepOnFailure(const Frame &frame, const char *name) {
        if (HasFailure()) saveFrame(frame, folder_ + "..\\" + name + ".bmp");
    }

    HWND window = nullptr;
};

const std::string WIDE = "HELLO WORLD FROM A TITLE WIDER THAN THE WINDOW";

} // namespace

TEST_F(PixelsTest, ShortCaptionIsCentred) {
    start();
    Frame frame = showCaption("Hi");
    ASSERT_FALSE(frame.empty());
    RECT area = textArea(frame);
    InkBox box = findInk(frame, area);
    ASSERT_FALSE(box.none()) << "no caption ink found";
    expectCentred(box, area);
    EXPECT_GT(box.top, area.top + 3) << "a 40-pixel window leaves room above the caption";
    keepOnFailure(frame, "short-caption");
}

/* A wide caption that does not move: cut equally at both sides; with the ellipsis
   option, drawn from its start and ending in the system's dots, also while a title
   that scrolls once rests. */
TEST_F(PixelsTest, WideCaptionAtRestIsCutAtBothSidesOrEndsInAnEllipsis) {
    start();
    /* Only the middle letter fits: the outer ones are cut away on both sides alike. */
    std::string blanks(40, ' ');
    std::string caption = "X" + blanks + "O" + blanks + "X";
    Frame frame = showCaption(caption);
    RECT area = textArea(frame);
    ASSERT_GT(styleTextSize(caption).cx, (area.right - area.left) + 40);
    InkBox box = findInk(frame, area);
    ASSERT_FALSE(box.none());
    EXPECT_LE(box.right - box.left, styleTextSize("O").cx) << "only the O shows";
    EXPECT_LE(abs(box.left + box.right - (area.left + area.right - 1)), 4);
    keepOnFailure(frame, "wide-caption");

    InkBox dots = styleTextInk("...");
    auto expectEllipsis = [&](const Frame &shown, const char *name) {
        InkBox ink = findInk(shown, area);
        ASSERT_FALSE(ink.none());
        EXPECT_EQ(ink.left, area.left + styleTextInkLeft(WIDE)) << "drawn from its start";
        EXPECT_GT(ink.right, area.right - 1 - styleTextSize("W").cx) << "to the area's end";
        RECT tail = {ink.right - (dots.right - dots.left), area.top, ink.right + 1, area.bottom};
        InkBox end = findInk(shown, tail);
        EXPECT_EQ(end.bottom - end.top, dots.bottom - dots.top) << "only the dots at the end";
        keepOnFailure(shown, name);
    };
    reconfigure(placed(100, 40) + "Warble.plugin.ellipsis: true\r\n");
    expectEllipsis(showCaption(WIDE), "ellipsis");
    /* A title that overrides its reading order ends in the dots at the right all the same. */
    WinampSim sim;
    sim.setPlaylist({"\u202e" + WIDE + "|200"});
    reconfigure(placed(100, 40) + "Warble.plugin.ellipsis: true\r\n"
                                  "Warble.plugin.showTrackNumber: false\r\n");
    ASSERT_TRUE(sim.start());
    pump(500);
    expectEllipsis(captureWindow(window), "ellipsis-override");
    sim.quit();
    /* Scrolling always, a wide caption moves, without the dots. */
    reconfigure(placed(100, 40) +
                "Warble.plugin.ellipsis: true\r\nWarble.plugin.scrolling: true\r\n");
    Frame moving = showCaption(WIDE);
    pump(300);
    EXPECT_LE(bestShift(inkColumns(moving, area), inkColumns(captureWindow(window), area), 30), -3);
    reconfigure(placed(100, 40) + "Warble.plugin.ellipsis: true\r\nWarble.plugin.scrolling: "
                                  "true\r\nWarble.plugin.scroll.speed: 10\r\n"
                                  "Warble.plugin.scroll.when: Once\r\n");
    Frame now = showCaption(WIDE), before;
    EXPECT_TRUE(pumpUntil(
        [&] {
            before = now;
            pump(200);
            now = captureWindow(window);
            return now.pixels == before.pixels;
        },
        8000))
        << "one round, then it rests";
    expectEllipsis(now, "ellipsis-once");
}

/* An optional section of the caption format: for a stream, which has no length, the
   window shows the song alone, pixel for pixel; for a track with a length, the times
   too. */
TEST_F(PixelsTest, AnOptionalSectionShowsOnlyWhenAllItsFieldsDo) {
    WinampSim sim;
    sim.setPlaylist({"Radio - Song|200", "Disc - Other|200"});
    ASSERT_TRUE(sim.start("--stream"));
    start("Warble.plugin.format: %song%[ %[%elapsed%/%length%%]]\r\n");
    pump(1200);
    Frame stream = captureWindow(window);
    EXPECT_EQ(stream.pixels, showCaption("Song").pixels) << "the song alone";
    keepOnFailure(stream, "section-stream");
    ASSERT_TRUE(sim.send("next"));
    pump(1200);
    Frame track = captureWindow(window);
    InkBox shown = findInk(track, textArea(track)), other = styleTextInk("Other [0:0");
    EXPECT_GT(shown.right - shown.left, other.right - other.left) << "the song and its times";
    keepOnFailure(track, "section-track");
}

TEST_F(PixelsTest, StreamScrollingMovesTheCaptionLeft) {
    start("Warble.plugin.scrolling: true\r\n");
    Frame first = showCaption(WIDE);
    pump(400);
    Frame later = captureWindow(window);
    RECT area = textArea(first);
    int shift = bestShift(inkColumns(first, area), inkColumns(later, area), 30);
    EXPECT_LE(shift, -3) << "about one pixel every 50 ms to the left";
    EXPECT_GE(shift, -20);
    keepOnFailure(later, "stream");

    /* Asked wider than the screen, the window shows as wide as the screen, and a caption
       wider than that scrolls as well. */
    reconfigure("Warble.plugin.x: 0\r\nWarble.plugin.y: 200\r\nWarble.plugin.width: 3000\r\n"
                "Warble.plugin.height: 40\r\nWarble.plugin.scrolling: true\r\n");
    std::string longer;
    for (int n = 1; styleTextSize(longer).cx < 1500; ++n)
        longer += "WMW" + std::to_string(n) + " ";
    ASSERT_LT(longer.size(), 250u);
    ASSERT_LT(styleTextSize(longer).cx, 3000 - 2 * textInset());
    first = showCaption(longer);
    ASSERT_EQ(first.width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    pump(400);
    later = captureWindow(window);
    area = textArea(first);
    EXPECT_LE(bestShift(inkColumns(first, area), inkColumns(later, area), 30), -3);
    keepOnFailure(later, "stream-screen-wide");
}

TEST_F(PixelsTest, EndToEndScrollingMovesRightFirstThenRests) {
    start("Warble.plugin.scrolling: true\r\nWarble.plugin.scroll_style: EndToEnd\r\n");
    Frame first = showCaption(WIDE);
    /* One step right past the left end, then a rest of 25 ticks. */
    EXPECT_GE(captionOffset(first, WIDE), 1);
    EXPECT_LE(captionOffset(first, WIDE), 3);
    pump(400);
    Frame resting = captureWindow(window);
    RECT area = textArea(first);
    EXPECT_EQ(bestShift(inkColumns(first, area), inkColumns(resting, area), 30), 0);
    /* After the rest it turns and runs left. */
    pump(1600);
    Frame moving = captureWindow(window);
    EXPECT_LE(bestShift(inkColumns(resting, area), inkColumns(moving, area), 30), -3);
    keepOnFailure(moving, "end-to-end");
}

/* Scrolling once: a new title makes one round, then rests at its start, which costs no
   repaint; end to end, the round goes to the far end and back. Scrolling on hover: a
   caption that was moving goes back to its start, and moves only while the real mouse
   is over the window, back at its start when it leaves. */
TEST_F(PixelsTest, ScrollingOnceRestsAtTheStartAndOnHoverMovesUnderTheMouse) {
    SetCursorPos(5, 5);
    const std::string fast = "Warble.plugin.scrolling: true\r\nWarble.plugin.scroll.speed: 10\r\n";
    start(fast + "Warble.plugin.scroll.when: Once\r\n");
    showCaption(WIDE);
    Frame now;
    EXPECT_FALSE(still(&now)) << "a new title moves";
    EXPECT_TRUE(pumpUntil([&] { return still(&now); }, 8000)) << "one round, then it rests";
    EXPECT_EQ(0, captionOffset(now, WIDE)) << "at its start";
    const Frame atStart = now; /* the same for every title that begins with WIDE */
    showCaption(WIDE + " AND MORE");
    EXPECT_FALSE(still(&now)) << "the next title moves again";
    keepOnFailure(now, "once");

    reconfigure(placed(100, 40) + fast);
    EXPECT_FALSE(still(&now)) << "always: moving";
    reconfigure(placed(100, 40) + fast + "Warble.plugin.scroll.when: hover\r\n");
    EXPECT_TRUE(still(&now)) << "no mouse, no move";
    EXPECT_EQ(atStart.pixels, now.pixels) << "back at its start";
    RECT r = windowRect(window);
    SetCursorPos(r.left + 50, r.top + 20);
    pump(300);
    EXPECT_FALSE(still(&now)) << "moving under the mouse";
    SetCursorPos(5, 5); /* the system notices the leave within its hover time */
    EXPECT_TRUE(pumpUntil([&] { return still(&now); }, 3000));
    EXPECT_EQ(atStart.pixels, now.pixels) << "back at its start";
    keepOnFailure(now, "hover");

    reconfigure(placed(100, 40) + fast + "Warble.plugin.scroll.when: Once\r\n" +
                "Warble.plugin.scroll_style: EndToEnd\r\n");
    /* Blanks at both ends: at either end the ink stops short of the edge. */
    const std::string bounced = "     ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789     ";
    showCaption(bounced);
    RECT area = textArea(now);
    int farEnd = area.right - styleTextSize(bounced).cx + styleTextInk(bounced).right;
    ASSERT_LT(farEnd, area.right - 8);
    EXPECT_TRUE(
        pumpUntil([&] { return still(&now) && abs(findInk(now, area).right - farEnd) <= 2; }, 8000))
        << "rests at the far end";
    EXPECT_TRUE(pumpUntil([&] { return still(&now) && captionOffset(now, bounced) == 0; }, 8000))
        << "and back at its start";
    pump(2000);
    EXPECT_EQ(captureWindow(window).pixels, now.pixels) << "where it stays";
    keepOnFailure(now, "once-end-to-end");
}

/* The scroll options changed in any order, with the mouse passing over the window
   faster than the shell's thread looks at it, never leave a caption scrolling on hover
   with the pointer away: it moves under the mouse and rests once it leaves. */
TEST_F(PixelsTest, ScrollOptionsInAnyOrderLeaveHoverToTheMouse) {
    SetCursorPos(5, 5);
    start("Warble.plugin.scrolling: true\r\nWarble.plugin.scroll.speed: 10\r\n");
    RECT r = windowRect(window);
    const char *const commands[] = {"ScrollWhen Always", "ScrollWhen Once",   "ScrollWhen Hover",
                                    "ToggleScrolling",   "ToggleScrollStyle", "ScrollSpeed 4"};
    unsigned seed = GetTickCount();
    srand(seed);
    for (int i = 0; i < 80; ++i) {
        hostBroadcast((std::string("@WarbleInternal ") + commands[rand() % 6]).c_str());
        if (rand() % 2) showCaption(WIDE);
        SetCursorPos(r.left + 50, r.top + 20);
        if (rand() % 2) pump(rand() % 60);
        SetCursorPos(5, 5);
        pump(rand() % 60);
    }
    if (readFile(settingsPath()).find("scrolling: false") != std::string::npos)
        hostBroadcast("@WarbleInternal ToggleScrolling");
    hostBroadcast("@WarbleInternal ScrollStyle Stream"); /* no rest at the ends */
    hostBroadcast("@WarbleInternal ScrollWhen Hover");
    showCaption(WIDE);
    Frame now;
    EXPECT_TRUE(pumpUntil([&] { return still(&now); }, 3000)) << "seed " << seed;
    SetCursorPos(r.left + 50, r.top + 20);
    pump(300);
    EXPECT_FALSE(still(&now)) << "moving under the mouse; seed " << seed;
    SetCursorPos(5, 5);
    EXPECT_TRUE(pumpUntil([&] { return still(&now); }, 3000)) << "seed " << seed;
    keepOnFailure(now, "hover-after-changes");
}

/* A player's title in a script outside the code page: real glyphs (the text and its
   reverse differ, where missing glyphs would draw the same boxes), centred, and a
   long one scrolls. */
TEST_F(PixelsTest, CjkTitleIsDrawnCentredAndALongOneScrolls) {
    const std::string title = "\u65e5\u672c\u8a9e\u306e\u6b4c";   /* 日本語の歌 */
    const std::string reverse = "\u6b4c\u306e\u8a9e\u672c\u65e5"; /* 歌の語本日 */
    WinampSim sim;
    sim.setPlaylist({title + "|200"});
    ASSERT_TRUE(sim.start());
    start("Warble.plugin.showTrackNumber: false\r\nWarble.plugin.scrolling: true\r\n");
    Frame frame = captureWindow(window);
    RECT area = textArea(frame);
    InkBox box = findInk(frame, area);
    ASSERT_FALSE(box.none()) << "no caption ink found";
    EXPECT_LE(abs(box.left + box.right - (area.left + area.right - 1)), 4)
        << "ink " << box.left << ".." << box.right;
    EXPECT_GT(box.right - box.left, 30) << "five full-width characters";

    ASSERT_TRUE(sim.send("title " + reverse));
    pump(300);
    Frame reversed = captureWindow(window);
    EXPECT_NE(inkColumns(frame, area), inkColumns(reversed, area));
    keepOnFailure(frame, "cjk");

    ASSERT_TRUE(sim.send("title " + title + title + title + title));
    pump(300);
    Frame first = captureWindow(window);
    pump(400);
    Frame later = captureWindow(window);
    int shift = bestShift(inkColumns(first, area), inkColumns(later, area), 30);
    EXPECT_LE(shift, -3) << "about one pixel every 50 ms to the left";
    EXPECT_GE(shift, -20);
    keepOnFailure(later, "cjk-scrolling");

    /* Copy Title puts the whole title on the clipboard, in Unicode; with the player gone,
       nothing, and the label says so. */
    auto clipboard = [] {
        std::wstring text;
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = (const wchar_t *)GlobalLock(data);
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    };
    hostBroadcast("@WarbleInternal CopyTitle");
    std::wstring wide = clipboard();
    EXPECT_EQ(std::wstring(L"\u65e5\u672c\u8a9e\u306e\u6b4c").size() * 4, wide.size());
    EXPECT_EQ(0u, wide.find(L"\u65e5\u672c\u8a9e\u306e\u6b4c\u65e5"));
    /* Paused, the title is still there to copy. */
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
    ASSERT_TRUE(sim.send("pause"));
    pump(300);
    hostBroadcast("@WarbleInternal CopyTitle");
    EXPECT_EQ(wide, clipboard());
    sim.quit();
    pump(300);
    hostClearEvents();
    hostBroadcast("@WarbleInternal CopyTitle");
    EXPECT_EQ(wide, clipboard());
    EXPECT_EQ(1u, eventsStartingWith("label|WarblePlugin -> CopyTitle: nothing is playing").size());
}

/* An ampersand is drawn as itself, and a line break as a blank on the one line. */
TEST_F(PixelsTest, AmpersandIsDrawnAsItselfAndALineBreakAsABlank) {
    start();
    EXPECT_EQ(showCaption("A\r\nB").pixels, showCaption("A  B").pixels);
    Frame plain = showCaption("AB");
    Frame withAmpersand = showCaption("A&B");
    RECT area = textArea(plain);
    InkBox a = findInk(plain, area), b = findInk(withAmpersand, area);
    ASSERT_FALSE(a.none());
    ASSERT_FALSE(b.none());
    EXPECT_GE((b.right - b.left) - (a.right - a.left), styleTextSize("&").cx - 2);
    EXPECT_GT(b.count, a.count);
    keepOnFailure(withAmpersand, "ampersand");
}

TEST_F(PixelsTest, KeyedBackgroundOnAFloatingWindow) {
    start("Warble.plugin.transback.enabled: true\r\n");
    Frame frame = showCaption("Hi");
    ASSERT_FALSE(frame.empty());
    int keyed = 0;
    for (COLORREF c : frame.pixels)
        if (c == COLOUR_KEY) ++keyed;
    EXPECT_GT(keyed, (int)frame.pixels.size() * 8 / 10);
    EXPECT_EQ(frame.at(0, 0), COLOUR_KEY);
    EXPECT_FALSE(findInk(frame, textArea(frame)).none()) << "the caption itself stays";
    /* Drawn unsmoothed: the key and the caption's colour, and no blend of the two
       fringing the letters. */
    EXPECT_EQ(std::set<COLORREF>(frame.pixels.begin(), frame.pixels.end()).size(), 2u);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    keepOnFailure(frame, "keyed");
}

TEST_F(PixelsTest, StyledBackgroundWithoutKey) {
    start();
    Frame frame = showCaption("Hi");
    ASSERT_FALSE(frame.empty());
    for (COLORREF c : frame.pixels)
        ASSERT_NE(c, COLOUR_KEY);
    /* The style's dark gradient fills the text area around the caption. */
    COLORREF c = frame.at(frame.width / 2, textInset());
    EXPECT_LT(GetRValue(c), 0x80);
    keepOnFailure(frame, "styled");
}

TEST_F(PixelsTest, DockedWindowKeepsTheStyleGradient) {
    start("Warble.plugin.transback.enabled: true\r\nWarble.plugin.inSlit: true\r\n", true);
    pump(300);
    Frame frame = showCaption("Hi");
    ASSERT_FALSE(frame.empty());
    int keyed = 0;
    for (COLORREF c : frame.pixels)
        if (c == COLOUR_KEY) ++keyed;
    EXPECT_EQ(keyed, 0);
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_FALSE(findInk(frame, textArea(frame)).none());
    keepOnFailure(frame, "docked");
}

TEST_F(PixelsTest, PausedCaptionStartsHiddenThenBlinks) {
    WinampSim sim;
    sim.setPlaylist({"Paused - A Song Far Wider Than The Window|200"});
    ASSERT_TRUE(sim.start("--paused"));
    start();
    /* Sampled for about three seconds: hidden first (the blink phase starts off), then
       shown, then hidden again, 25 ticks of 50 ms each. */
    std::vector<int> ink;
    DWORD begin = GetTickCount();
    while (GetTickCount() - begin < 3200) {
        Frame frame = captureWindow(window);
        ink.push_back(findInk(frame, textArea(frame)).count);
        pump(100);
    }
    ASSERT_GE(ink.size(), 20u);
    EXPECT_EQ(ink[0], 0) << ::testing::PrintToString(ink);
    EXPECT_EQ(ink[3], 0) << ::testing::PrintToString(ink);
    int shown = 0, hiddenAfterShown = 0;
    for (int count : ink) {
        if (count > 0) ++shown;
        if (shown > 0 && count == 0) ++hiddenAfterShown;
    }
    EXPECT_GE(shown, 3) << ::testing::PrintToString(ink);
    EXPECT_GE(hiddenAfterShown, 1) << ::testing::PrintToString(ink);

    /* A new, narrower title: not even a trace of the old, wider one lingers beside it, in
       either phase of the blink. */
    ASSERT_TRUE(sim.send("title Hi"));
    pump(300);
    Frame back = styleBackground(100, 40, true), frame;
    int lingering = 0;
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < 2600; pump(100)) {
        frame = captureWindow(window);
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                lingering += (x < 30 || x >= 70) && frame.at(x, y) != back.at(x, y);
    }
    EXPECT_EQ(lingering, 0);
    keepOnFailure(frame, "paused-new-title");
}

TEST_F(PixelsTest, PausedFrameOnKeyedBackgroundIsCopiedStraight) {
    WinampSim sim;
    sim.setPlaylist({"Paused - Song|200"});
    ASSERT_TRUE(sim.start("--paused"));
    start("Warble.plugin.transback.enabled: true\r\n");
    pump(200);
    Frame frame = captureWindow(window);
    ASSERT_FALSE(frame.empty());
    /* Blended over the earlier frame, the key colour would not come out exact. */
    int keyed = 0;
    for (COLORREF c : frame.pixels)
        if (c == COLOUR_KEY) ++keyed;
    EXPECT_EQ(keyed, (int)frame.pixels.size()) << "hidden phase: only the key colour";
    keepOnFailure(frame, "paused-keyed");
}

TEST_F(PixelsTest, SizeChangesWithoutASizeNotificationRepaintTheWholeWindow) {
    start();
    showCaption("Hi");
    SetWindowPos(window, nullptr, 0, 0, 300, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump(150);
    Frame moved = captureWindow(window);
    expectWholeWindowPainted(moved, 300, 30, true);
    keepOnFailure(moved, "resized");

    /* The same from the settings file, with the border dropped at the same time. */
    reconfigure(placed(260, 24) + "Warble.plugin.showBorder: false\r\n");
    Frame reconfigured = captureWindow(window);
    expectWholeWindowPainted(reconfigured, 260, 24, false);
    keepOnFailure(reconfigured, "reconfigured-size");
}

TEST_F(PixelsTest, RepaintedStripsGiveThePixelsOfAFullPaint) {
    for (bool keyed : {false, true}) {
        SCOPED_TRACE(keyed ? "keyed background" : "style background");
        if (keyed)
            reconfigure(placed(100, 40) + "Warble.plugin.transback.enabled: true\r\n");
        else
            start();
        /* A new caption alone is drawn at once, before any paint, as the full paint
           draws it. */
        showCaption("Hello");
        hostBroadcast("@Warble SetCaptionNow Hello there");
        EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the new caption waits for a paint";
        Frame drawn = captureWindow(window);
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        Frame full = captureWindow(window);
        EXPECT_TRUE(drawn.pixels == full.pixels) << "a new caption unlike its full paint";
        /* Each strip blacked out, then asked for alone, as the system asks for a
           part that another window uncovered. */
        const RECT strips[] = {{0, 0, 40, 40}, {30, 12, 70, 26}, {65, 0, 100, 40}, {0, 0, 100, 3}};
        for (const RECT &strip : strips) {
            HDC dc = GetDC(window);
            FillRect(dc, &strip, (HBRUSH)GetStockObject(BLACK_BRUSH));
            ReleaseDC(window, dc);
            InvalidateRect(window, &strip, FALSE);
            UpdateWindow(window);
        }
        Frame parts = captureWindow(window);
        ASSERT_EQ(full.pixels.size(), parts.pixels.size());
        int wrong = 0;
        for (size_t i = 0; i < full.pixels.size(); ++i)
            if (full.pixels[i] != parts.pixels[i]) ++wrong;
        EXPECT_EQ(0, wrong);
        keepOnFailure(parts, keyed ? "strips-keyed" : "strips");
    }
}

TEST_F(PixelsTest, FontChangeByReconfigureCentresTheCaptionAgain) {
    start();
    showCaption("Hi");
    reconfigure(placed(100, 40) + "Warble.plugin.useCustomFont: true\r\n"
                                  "Warble.plugin.font: Tahoma\r\n"
                                  "Warble.plugin.font.height: 26\r\n");
    Frame frame = captureWindow(window);
    HFONT font =
        CreateFontA(26, 0, 0, 0, 1, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
    SIZE size = styleTextSize("Hi", font);
    InkBox drawn = styleTextInk("Hi", font);
    DeleteObject(font);
    ASSERT_GT(size.cy, styleTextSize("Hi").cy + 6) << "the new font is much taller";

    RECT area = textArea(frame);
    InkBox box = findInk(frame, area);
    ASSERT_FALSE(box.none());
    EXPECT_LE(abs((box.bottom - box.top) - (drawn.bottom - drawn.top)), 1) << "in the new font";
    expectCentred(box, area);
    keepOnFailure(frame, "new-font");
}

namespace {

/* Hiding while nothing plays, read from the screen: floating, and docked in the Slit. */
class HideWhenIdleTest : public PixelsTest, public ::testing::WithParamInterface<bool> {
  protected:
    /* Caption ink on the screen where the window stands. */
    int inkOnScreen() {
        Frame frame = captureScreen(windowRect(window));
        return findInk(frame, textArea(frame)).count;
    }
};

} // namespace

TEST_P(HideWhenIdleTest, ScreenShowsNothingWhileStoppedAndTheTitleSoonAfterPlay) {
    bool docked = GetParam();
    WinampSim sim;
    sim.setPlaylist({"Stepping Aside - While Nothing Plays|200"});
    ASSERT_TRUE(sim.start("--stopped"));
    start(std::string("Warble.plugin.hideWhenIdle: true\r\n") +
              (docked ? "Warble.plugin.inSlit: true\r\n" : ""),
          docked);
    pump(400); /* the Slit places its windows every 250 ms */
    RECT place = windowRect(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(inkOnScreen(), 0);

    ASSERT_TRUE(sim.send("play"));
    EXPECT_TRUE(pumpUntil([&] { return IsWindowVisible(window) && inkOnScreen() > 0; }, 1000))
        << "the title within a second of play";
    RECT shown = windowRect(window);
    EXPECT_EQ(place.left, shown.left);
    EXPECT_EQ(place.top, shown.top);

    if (!docked) { /* the shell's hide still hides a playing window, and its show shows it */
        hostBroadcast("@NJHidePlugins");
        EXPECT_FALSE(IsWindowVisible(window));
        hostBroadcast("@NJShowPlugins");
        EXPECT_TRUE(IsWindowVisible(window));
    }
    /* Paused is not idle: the window stays, and the title blinks. */
    ASSERT_TRUE(sim.send("pause"));
    EXPECT_TRUE(pumpUntil([&] { return inkOnScreen() == 0; }, 3000)) << "the faint phase";
    EXPECT_TRUE(pumpUntil([&] { return inkOnScreen() > 0; }, 3000)) << "and back";
    EXPECT_TRUE(IsWindowVisible(window));
    ASSERT_TRUE(sim.send("stop"));
    EXPECT_TRUE(pumpUntil([&] { return !IsWindowVisible(window) && inkOnScreen() == 0; }, 1000));
    hostBroadcast("@NJShowPlugins");
    EXPECT_FALSE(IsWindowVisible(window)) << "the shell's show does not undo the idle hiding";
    keepOnFailure(captureScreen(windowRect(window)), docked ? "idle-docked" : "idle-floating");
}

INSTANTIATE_TEST_SUITE_P(PixelsHideWhenIdle, HideWhenIdleTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return std::string(info.param ? "Docked" : "Floating");
                         });

/* The progress line along the bottom of the text area: none at the start, half the
   width at the middle of the track, the whole width at its end (paused, and kept
   there), gone when stopped; nothing else of the window changes with it. */
TEST_F(PixelsTest, ProgressLineIsAsLongAsThePartPlayed) {
    WinampSim sim;
    sim.setPlaylist({"Progress - Song|1000"});
    ASSERT_TRUE(sim.start());
    start("Warble.plugin.progress: true\r\n");
    pump(1200);
    Frame start = captureWindow(window);
    RECT area = textArea(start), line = {area.left, area.bottom - 2, area.right, area.bottom};
    int width = area.right - area.left;
    auto lineInk = [&] { return findInk(captureWindow(window), line); };
    EXPECT_TRUE(lineInk().none()) << "0 %";

    ASSERT_TRUE(sim.send("seek 500000"));
    ASSERT_TRUE(pumpUntil([&] { return !lineInk().none(); }, 2500));
    Frame half = captureWindow(window);
    InkBox box = findInk(half, line);
    EXPECT_EQ(box.left, area.left);
    EXPECT_NEAR(box.right + 1 - area.left, width / 2, 1);
    EXPECT_EQ(box.count, 2 * (box.right + 1 - box.left)) << "two whole rows";
    int changed = 0;
    for (int y = 0; y < half.height; ++y)
        for (int x = 0; x < half.width; ++x)
            if (half.at(x, y) != start.at(x, y) && !(y >= line.top && y < line.bottom)) ++changed;
    EXPECT_EQ(changed, 0) << "pixels off the line changed";
    keepOnFailure(half, "progress-half");

    ASSERT_TRUE(sim.send("seek 999500"));
    ASSERT_TRUE(sim.send("state paused"));
    EXPECT_TRUE(pumpUntil([&] { return lineInk().right == area.right - 1; }, 3000)) << "100 %";
    EXPECT_EQ(lineInk().left, area.left);
    ASSERT_TRUE(sim.send("stop"));
    EXPECT_TRUE(pumpUntil([&] { return lineInk().none(); }, 2000)) << "hidden while idle";
}
