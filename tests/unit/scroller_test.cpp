/* The scroll animation tick by tick: the bounce with its rests and turns, the
   wrapping stream, a paused caption (step 0), a new caption in the middle of a
   bounce, and the tick itself: when it moves, when it blinks, and what it asks
   to be repainted. */
#include "core/owners.h"
#include "core/text.h"
#include "display/caption.h"
#include "display/display.h"
#include "display/render.h"
#include "display/scroller.h"
#include "display/surfaces.h"
#include "settings/options.h"
#include "settings/style.h"
#include "winamp/winamp.h"
#include "unit_support.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

class Scroller : public unit::StateTest {
  protected:
    HWND window = nullptr;
    HFONT font = nullptr;
    /* The display the test's window stands in for, with a caption model of its own. */
    static Display &display() {
        static Display shown;
        return shown;
    }
    static CaptionModel &model() { return *display().caption; }

    void SetUp() override {
        unit::StateTest::SetUp();
        /* A small window of the test's own stands in for the plugin window, so
           that the repaints the tick asks for can be seen. */
        window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP, 0, 0,
                                 200, 20, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(window);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        display().placement.window = window;
        ASSERT_TRUE(createCaptionModel(display().caption));
        unit::setOptions("useCustomFont: true\nfont: Tahoma\nfont.height: -13\n"
                         "font.weight: 400\nscrolling: true");
        remakeCaptionFont(display());
        font = captionFont(display());
        ASSERT_TRUE(font);
        display().style.bevelWidth = 2;
        display().style.borderWidth = 1;
        model().scrollX = 0;
        model().scrollForward = true;
        model().edgeRestTicks = 0;
        model().playState = 1;
        model().text[0] = '\0';
        hand(); /* the scroll thread's copy of the options */
        model().scrollMin = -10;
    }

    /* What the change path hands the scroll thread, the mouse away. */
    static void hand() { handScroller(display(), {false, model().playState}, nullptr); }
    /* The same after setting the options named in lines. */
    static void hand(const std::string &lines) {
        unit::setOptions(lines);
        hand();
    }

    void TearDown() override {
        display().placement.window = nullptr;
        display().caption.reset();
        releaseCaptionFont(display());
        if (window) DestroyWindow(window);
        unit::pumpMessages();
        unit::StateTest::TearDown();
    }

    /* A caption exactly `pixels` wide in the test font, made of letters whose
       widths add up to it; empty when no such text can be found. */
    std::string captionOfWidth(int pixels) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        std::vector<int> widths(127, 0);
        for (int c = 33; c < 127; ++c) {
            INT w = 0;
            if (c != '&' && GetCharWidth32A(dc, c, c, &w)) widths[c] = w;
        }
        SelectObject(dc, old);
        DeleteDC(dc);
        /* Fewest letters that add up to the width (coin change). */
        std::vector<int> best(pixels + 1, -1), last(pixels + 1, 0);
        best[0] = 0;
        for (int total = 1; total <= pixels; ++total)
            for (int c = 33; c < 127; ++c) {
                int w = widths[c];
                if (w <= 0 || w > total || best[total - w] < 0) continue;
                if (best[total] < 0 || best[total - w] + 1 < best[total]) {
                    best[total] = best[total - w] + 1;
                    last[total] = c;
                }
            }
        if (best[pixels] < 0) return "";
        std::string text;
        for (int total = pixels; total > 0; total -= widths[last[total]])
            text += (char)last[total];
        return measureText(display(), std::wstring(text.begin(), text.end()).c_str()).cx == pixels
                   ? text
                   : "";
    }

    struct Frame {
        int x;
        bool forward;
        int rested;
    };
    Frame frame() const { return {model().scrollX, model().scrollForward, model().edgeRestTicks}; }

    bool repaintPending() {
        RECT r;
        return GetUpdateRect(window, &r, FALSE) != FALSE;
    }
};

TEST_F(Scroller, BounceRestsAtEachEndAndTurns) {
    std::vector<Frame> ticks(1); /* ticks[n] is the state after tick n */
    ticks[0] = frame();
    for (int n = 1; n <= 70; ++n) {
        stepEndToEnd(model());
        ticks.push_back(frame());
    }
    /* Tick 1 moves past the right-hand limit 0 and the rest begins. */
    EXPECT_EQ(1, ticks[1].x);
    EXPECT_EQ(1, ticks[1].rested);
    EXPECT_TRUE(ticks[1].forward);
    /* Ticks 2 to 25 rest without moving. */
    for (int n = 2; n <= 25; ++n) {
        EXPECT_EQ(1, ticks[n].x) << "tick " << n;
        EXPECT_EQ(n, ticks[n].rested) << "tick " << n;
        EXPECT_TRUE(ticks[n].forward) << "tick " << n;
    }
    /* Tick 26 turns. */
    EXPECT_EQ(1, ticks[26].x);
    EXPECT_FALSE(ticks[26].forward);
    EXPECT_EQ(0, ticks[26].rested);
    /* Tick 27 moves back to 0, then one pixel left a tick down to -11, the first
       position below the left-hand limit -10. */
    for (int n = 27; n <= 38; ++n) {
        EXPECT_EQ(27 - n, ticks[n].x) << "tick " << n;
        EXPECT_FALSE(ticks[n].forward) << "tick " << n;
    }
    for (int n = 27; n <= 37; ++n)
        EXPECT_EQ(0, ticks[n].rested) << "tick " << n;
    EXPECT_EQ(1, ticks[38].rested);
    /* The same rest on the left: 25 ticks, then the turn to the right. */
    for (int n = 39; n <= 62; ++n) {
        EXPECT_EQ(-11, ticks[n].x) << "tick " << n;
        EXPECT_EQ(n - 37, ticks[n].rested) << "tick " << n;
        EXPECT_FALSE(ticks[n].forward) << "tick " << n;
    }
    EXPECT_EQ(-11, ticks[63].x);
    EXPECT_TRUE(ticks[63].forward);
    EXPECT_EQ(0, ticks[63].rested);
    EXPECT_EQ(-10, ticks[64].x);
    EXPECT_EQ(-4, ticks[70].x);
}

TEST_F(Scroller, StreamRestartsAtTheWindowWidthAfterPassingTheGap) {
    std::string text = captionOfWidth(250);
    if (text.empty()) GTEST_SKIP() << "no text of exactly 250 pixels in this font";
    setCaption(display(), text.c_str());
    hand();
    ASSERT_EQ(250, model().textWidth);
    EXPECT_EQ(-56, model().scrollMin) << "200 - 2 * 3 - 250";

    model().scrollX = 0;
    std::vector<int> xs;
    for (int n = 0; n < 275; ++n) {
        stepStream(model());
        xs.push_back(model().scrollX);
    }
    /* Ticks 1 to 271 move left to -271, the first offset past -(250 + 20); tick
       272 restarts at the window's width, and the run goes on from there. */
    for (int n = 0; n < 271; ++n)
        ASSERT_EQ(-(n + 1), xs[n]) << "tick " << n + 1;
    EXPECT_EQ(200, xs[271]);
    EXPECT_EQ(199, xs[272]);
    EXPECT_TRUE(model().scrollForward) << "the stream leaves the bounce direction alone";
}

TEST_F(Scroller, StreamWithStepZeroDoesNotMoveButStillWraps) {
    model().textWidth = 250;
    model().playState = WINAMP_PAUSED;
    model().scrollX = -30;
    for (int n = 0; n < 10; ++n)
        stepStream(model());
    EXPECT_EQ(-30, model().scrollX);

    model().scrollX = -271;
    stepStream(model());
    EXPECT_EQ(200, model().scrollX);
    stepStream(model());
    EXPECT_EQ(200, model().scrollX);
}

/* The first look at a player that does not answer leaves no play state: the
   caption moves at the plain pace, never faster. */
TEST_F(Scroller, BeforeThePlayerAnswersTheStreamMovesOneStepATick) {
    model().playState = -1;
    model().textWidth = 400;
    hand("scroll_style: Stream");
    int blinkTicks = 0;
    scrollTick(model(), window, &blinkTicks);
    EXPECT_EQ(-1, model().scrollX);
}

TEST_F(Scroller, StreamLeavesTheBounceStateAlone) {
    model().textWidth = 250;
    model().scrollForward = false;
    model().edgeRestTicks = 9;
    model().scrollX = -5;
    stepStream(model());
    EXPECT_EQ(-6, model().scrollX);
    EXPECT_FALSE(model().scrollForward);
    EXPECT_EQ(9, model().edgeRestTicks);
}

/* Offsets tick by tick, written short: "x" one tick at x, "x*n" n ticks at x,
   "a..b" every offset from a to b, moving by the speed. */
std::vector<int> expandTicks(const std::string &spec, int speed) {
    std::vector<int> xs;
    std::istringstream in(spec);
    std::string token;
    while (in >> token) {
        size_t range = token.find(".."), times = token.find('*');
        if (range != std::string::npos) {
            int from = std::stoi(token.substr(0, range)), to = std::stoi(token.substr(range + 2));
            int stride = from <= to ? speed : -speed;
            for (int x = from; stride > 0 ? x <= to : x >= to; x += stride)
                xs.push_back(x);
        } else if (times != std::string::npos) {
            xs.insert(xs.end(), std::stoi(token.substr(times + 1)),
                      std::stoi(token.substr(0, times)));
        } else {
            xs.push_back(std::stoi(token));
        }
    }
    return xs;
}

TEST_F(Scroller, SpeedAndRestTickByTick) {
    /* The bounce runs between 0 and -3 from 0, moving right; a fast move ends one
       pixel past a limit, where a one-pixel step would have. The stream starts at 5
       in a window 25 wide with a caption 2 wide, so it restarts after passing -22;
       with a rest it stops with the caption's start at the left edge. */
    const struct {
        bool endToEnd;
        int speed, rest;
        const char *ticks;
    } cases[] = {
        {true, 1, 0, "1 0..-4 -3..1 0"},
        {true, 1, 1, "1*2 0..-3 -4*2 -3..0 1*2 0"},
        {true, 1, 40, "1*41 0..-3 -4*41 -3..0 1*41 0"},
        {true, 2, 0, "1 -1 -3 -4 -2 0 1 -1"},
        {true, 2, 1, "1*2 -1 -3 -4*2 -2 0 1*2 -1"},
        {true, 2, 40, "1*41 -1 -3 -4*41 -2 0 1*41 -1"},
        {true, 10, 0, "1 -4 1 -4"},
        {true, 10, 1, "1*2 -4*2 1*2 -4"},
        {true, 10, 40, "1*41 -4*41 1*41 -4"},
        {false, 1, 0, "4..-23 25 24"},
        {false, 1, 1, "4..1 0*2 -1..-23 25 24"},
        {false, 1, 40, "4..1 0*41 -1..-23 25 24"},
        {false, 2, 0, "3..-23 25 23"},
        {false, 2, 1, "3 1 0*2 -2..-24 25 23"},
        {false, 2, 40, "3 1 0*41 -2..-24 25 23"},
        {false, 10, 0, "-5 -15 -25 25 15 5 -5"},
        {false, 10, 1, "0*2 -10 -20 -30 25 15 5 0*2 -10"},
        {false, 10, 40, "0*41 -10 -20 -30 25 15 5 0*41 -10"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.endToEnd ? "bounce" : "stream") + " at speed " +
                     std::to_string(c.speed) + ", rest " + std::to_string(c.rest));
        SetWindowPos(window, nullptr, 0, 0, 25, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        hand("scroll.speed: " + std::to_string(c.speed) +
             "\nscroll.pause: " + std::to_string(c.rest));
        model().scrollMin = -3;
        model().textWidth = 2;
        model().scrollX = c.endToEnd ? 0 : 5;
        model().scrollForward = true;
        model().edgeRestTicks = model().streamRestTicks = 0;
        std::vector<int> expected = expandTicks(c.ticks, c.speed), xs;
        for (size_t n = 0; n < expected.size(); ++n) {
            c.endToEnd ? stepEndToEnd(model()) : stepStream(model());
            xs.push_back(model().scrollX);
        }
        EXPECT_EQ(expected, xs);
    }
}

TEST_F(Scroller, BounceWithStepZeroDoesNotMove) {
    model().playState = WINAMP_PAUSED;
    for (int n = 0; n < 30; ++n)
        stepEndToEnd(model());
    EXPECT_EQ(0, model().scrollX);
    EXPECT_TRUE(model().scrollForward);
    EXPECT_EQ(0, model().edgeRestTicks);
}

TEST_F(Scroller, BounceWithStepZeroStillCountsTheRestAndTurns) {
    model().playState = WINAMP_PAUSED;
    model().scrollX = 3; /* resting past the right-hand limit */
    model().edgeRestTicks = 5;
    for (int n = 0; n < 20; ++n)
        stepEndToEnd(model());
    EXPECT_EQ(25, model().edgeRestTicks);
    EXPECT_TRUE(model().scrollForward);
    stepEndToEnd(model());
    EXPECT_FALSE(model().scrollForward);
    EXPECT_EQ(0, model().edgeRestTicks);
    for (int n = 0; n < 5; ++n)
        stepEndToEnd(model());
    EXPECT_EQ(3, model().scrollX) << "still no movement";
    EXPECT_EQ(0, model().edgeRestTicks) << "inside the limits nothing counts";

    /* The same on the left. */
    model().scrollX = -12;
    model().edgeRestTicks = 25;
    stepEndToEnd(model());
    EXPECT_TRUE(model().scrollForward);
    EXPECT_EQ(-12, model().scrollX);
}

TEST_F(Scroller, NewCaptionMidBounceKeepsOffsetAndDirection) {
    std::string text = captionOfWidth(250);
    if (text.empty()) GTEST_SKIP() << "no text of exactly 250 pixels in this font";
    copyText(model().text, L"an older caption", TEXT_SIZE);
    model().scrollX = -20;
    model().scrollForward = false;
    model().edgeRestTicks = 7;

    setCaption(display(), text.c_str());
    hand();
    EXPECT_EQ(std::wstring(text.begin(), text.end()), model().text);
    EXPECT_EQ(-20, model().scrollX);
    EXPECT_FALSE(model().scrollForward);
    EXPECT_EQ(0, model().edgeRestTicks);
    EXPECT_EQ(-56, model().scrollMin);

    /* The same text again changes nothing of the bounce. */
    model().edgeRestTicks = 4;
    setCaption(display(), text.c_str());
    EXPECT_EQ(4, model().edgeRestTicks);
}

TEST_F(Scroller, NewCaptionWithTheOffsetOutsideTheNewLimitsRestsAtOnce) {
    std::string text = captionOfWidth(250);
    if (text.empty()) GTEST_SKIP() << "no text of exactly 250 pixels in this font";
    model().scrollX = -100;
    model().scrollForward = false;
    setCaption(display(), text.c_str());
    hand();
    ASSERT_EQ(-56, model().scrollMin);
    stepEndToEnd(model());
    EXPECT_EQ(-101, model().scrollX);
    EXPECT_EQ(1, model().edgeRestTicks);
}

TEST_F(Scroller, TickDoesNotMoveACaptionThatFitsExactly) {
    model().textWidth = 200 - 2 * 3;
    model().scrollX = 7;
    model().edgeRestTicks = 3;
    int blinkTicks = 0;
    for (bool endToEnd : {false, true}) {
        hand(endToEnd ? "scroll_style: EndToEnd" : "scroll_style: Stream");
        ValidateRect(window, nullptr);
        for (int n = 0; n < 40; ++n)
            scrollTick(model(), window, &blinkTicks);
        EXPECT_EQ(7, model().scrollX);
        EXPECT_EQ(3, model().edgeRestTicks);
        EXPECT_TRUE(model().scrollForward);
        EXPECT_FALSE(repaintPending()) << "nothing moved, nothing to repaint";
    }

    /* One pixel wider and it moves. */
    model().textWidth = 200 - 2 * 3 + 1;
    hand("scroll_style: Stream");
    scrollTick(model(), window, &blinkTicks);
    EXPECT_EQ(6, model().scrollX);
    EXPECT_TRUE(repaintPending());
}

TEST_F(Scroller, TickMovesNothingWhileScrollingIsOff) {
    model().textWidth = 400;
    hand("scrolling: false");
    model().scrollX = -3;
    int blinkTicks = 0;
    ValidateRect(window, nullptr);
    for (int n = 0; n < 10; ++n)
        scrollTick(model(), window, &blinkTicks);
    EXPECT_EQ(-3, model().scrollX);
    EXPECT_FALSE(repaintPending());
}

TEST_F(Scroller, TickUsesTheChosenStyle) {
    model().textWidth = 400;
    model().scrollMin = 194 - 400;
    int blinkTicks = 0;
    hand("scroll_style: EndToEnd");
    scrollTick(model(), window, &blinkTicks); /* bounce: right, past the limit 0 */
    EXPECT_EQ(1, model().scrollX);
    EXPECT_EQ(1, model().edgeRestTicks);
    hand("scroll_style: Stream");
    scrollTick(model(), window, &blinkTicks); /* stream: always left */
    EXPECT_EQ(0, model().scrollX);
    EXPECT_EQ(1, model().edgeRestTicks);
}

TEST_F(Scroller, PausedCaptionBlinksEveryTwentyFifthTick) {
    model().playState = 3;
    hand("scrolling: false");
    model().blinkOn = true;
    int blinkTicks = 0;
    for (int n = 1; n <= 24; ++n) {
        ValidateRect(window, nullptr);
        scrollTick(model(), window, &blinkTicks);
        EXPECT_TRUE(model().blinkOn) << "tick " << n;
        EXPECT_TRUE(repaintPending()) << "every paused tick repaints, tick " << n;
    }
    EXPECT_EQ(24, blinkTicks);
    scrollTick(model(), window, &blinkTicks);
    EXPECT_FALSE(model().blinkOn);
    EXPECT_EQ(0, blinkTicks);
    for (int n = 0; n < 25; ++n)
        scrollTick(model(), window, &blinkTicks);
    EXPECT_TRUE(model().blinkOn);
}

TEST_F(Scroller, BlinkCountIsKeptWhileNotPaused) {
    model().playState = 3;
    hand("scrolling: false");
    model().blinkOn = true;
    int blinkTicks = 0;
    for (int n = 0; n < 20; ++n)
        scrollTick(model(), window, &blinkTicks);
    ASSERT_EQ(20, blinkTicks);

    model().playState = 1;
    ValidateRect(window, nullptr);
    for (int n = 0; n < 100; ++n)
        scrollTick(model(), window, &blinkTicks);
    EXPECT_EQ(20, blinkTicks);
    EXPECT_TRUE(model().blinkOn);
    EXPECT_FALSE(repaintPending()) << "not paused, nothing scrolls: no repaint";

    /* The next pause starts with the left-over count: a short first phase. */
    model().playState = 3;
    for (int n = 0; n < 4; ++n)
        scrollTick(model(), window, &blinkTicks);
    EXPECT_TRUE(model().blinkOn);
    scrollTick(model(), window, &blinkTicks);
    EXPECT_FALSE(model().blinkOn);
}

TEST_F(Scroller, PausedScrollingCaptionBlinksWithoutMoving) {
    model().playState = 3;
    model().playState = WINAMP_PAUSED;
    model().textWidth = 400;
    model().scrollX = -40;
    model().blinkOn = false;
    int blinkTicks = 0;
    for (int n = 0; n < 25; ++n)
        scrollTick(model(), window, &blinkTicks);
    EXPECT_EQ(-40, model().scrollX);
    EXPECT_TRUE(model().blinkOn);
}

} // namespace
