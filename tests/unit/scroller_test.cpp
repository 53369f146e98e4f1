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
    /* The display the test's window stands in for. */
    static Display &display() {
        static Display shown;
        return shown;
    }

    void SetUp() override {
        unit::StateTest::SetUp();
        /* A small window of the test's own stands in for the plugin window, so
           that the repaints the tick asks for can be seen. */
        window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP, 0, 0,
                                 200, 20, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(window);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        display().placement.window = window;
        unit::setOptions("useCustomFont: true\nfont: Tahoma\nfont.height: -13\n"
                         "font.weight: 400\nscrolling: true");
        remakeCaptionFont();
        font = captionFont();
        ASSERT_TRUE(font);
        shellStyle.bevelWidth = 2;
        shellStyle.borderWidth = 1;
        captionModel.scrollX = 0;
        captionModel.scrollForward = true;
        captionModel.edgeRestTicks = 0;
        captionModel.playState = 1;
        captionModel.text[0] = '\0';
        hand(); /* the scroll thread's copy of the options */
        captionModel.scrollMin = -10;
    }

    /* What the change path hands the scroll thread, the mouse away. */
    static void hand() { handScroller(display(), {false, captionModel.playState}, nullptr); }
    /* The same after setting the options named in lines. */
    static void hand(const std::string &lines) {
        unit::setOptions(lines);
        hand();
    }

    void TearDown() override {
        display().placement.window = nullptr;
        releaseCaptionFont();
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
        return measureText(std::wstring(text.begin(), text.end()).c_str()).cx == pixels ? text : "";
    }

    struct Frame {
        int x;
        bool forward;
        int rested;
    };
    Frame frame() const {
        return {captionModel.scrollX, captionModel.scrollForward, captionModel.edgeRestTicks};
    }

    bool repaintPending() {
        RECT r;
        return GetUpdateRect(window, &r, FALSE) != FALSE;
    }
};

TEST_F(Scroller, BounceRestsAtEachEndAndTurns) {
    std::vector<Frame> ticks(1); /* ticks[n] is the state after tick n */
    ticks[0] = frame();
    for (int n = 1; n <= 70; ++n) {
        stepEndToEnd();
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
    setCaption(text.c_str());
    hand();
    ASSERT_EQ(250, captionModel.textWidth);
    EXPECT_EQ(-56, captionModel.scrollMin) << "200 - 2 * 3 - 250";

    captionModel.scrollX = 0;
    std::vector<int> xs;
    for (int n = 0; n < 275; ++n) {
        stepStream();
        xs.push_back(captionModel.scrollX);
    }
    /* Ticks 1 to 271 move left to -271, the first offset past -(250 + 20); tick
       272 restarts at the window's width, and the run goes on from there. */
    for (int n = 0; n < 271; ++n)
        ASSERT_EQ(-(n + 1), xs[n]) << "tick " << n + 1;
    EXPECT_EQ(200, xs[271]);
    EXPECT_EQ(199, xs[272]);
    EXPECT_TRUE(captionModel.scrollForward) << "the stream leaves the bounce direction alone";
}

TEST_F(Scroller, StreamWithStepZeroDoesNotMoveButStillWraps) {
    captionModel.textWidth = 250;
    captionModel.playState = WINAMP_PAUSED;
    captionModel.scrollX = -30;
    for (int n = 0; n < 10; ++n)
        stepStream();
    EXPECT_EQ(-30, captionModel.scrollX);

    captionModel.scrollX = -271;
    stepStream();
    EXPECT_EQ(200, captionModel.scrollX);
    stepStream();
    EXPECT_EQ(200, captionModel.scrollX);
}

/* The first look at a player that does not answer leaves no play state: the
   caption moves at the plain pace, never faster. */
TEST_F(Scroller, BeforeThePlayerAnswersTheStreamMovesOneStepATick) {
    captionModel.playState = -1;
    captionModel.textWidth = 400;
    hand("scroll_style: Stream");
    int blinkTicks = 0;
    scrollTick(window, &blinkTicks);
    EXPECT_EQ(-1, captionModel.scrollX);
}

TEST_F(Scroller, StreamLeavesTheBounceStateAlone) {
    captionModel.textWidth = 250;
    captionModel.scrollForward = false;
    captionModel.edgeRestTicks = 9;
    captionModel.scrollX = -5;
    stepStream();
    EXPECT_EQ(-6, captionModel.scrollX);
    EXPECT_FALSE(captionModel.scrollForward);
    EXPECT_EQ(9, captionModel.edgeRestTicks);
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
        captionModel.scrollMin = -3;
        captionModel.textWidth = 2;
        captionModel.scrollX = c.endToEnd ? 0 : 5;
        captionModel.scrollForward = true;
        captionModel.edgeRestTicks = captionModel.streamRestTicks = 0;
        std::vector<int> expected = expandTicks(c.ticks, c.speed), xs;
        for (size_t n = 0; n < expected.size(); ++n) {
            c.endToEnd ? stepEndToEnd() : stepStream();
            xs.push_back(captionModel.scrollX);
        }
        EXPECT_EQ(expected, xs);
    }
}

TEST_F(Scroller, BounceWithStepZeroDoesNotMove) {
    captionModel.playState = WINAMP_PAUSED;
    for (int n = 0; n < 30; ++n)
        stepEndToEnd();
    EXPECT_EQ(0, captionModel.scrollX);
    EXPECT_TRUE(captionModel.scrollForward);
    EXPECT_EQ(0, captionModel.edgeRestTicks);
}

TEST_F(Scroller, BounceWithStepZeroStillCountsTheRestAndTurns) {
    captionModel.playState = WINAMP_PAUSED;
    captionModel.scrollX = 3; /* resting past the right-hand limit */
    captionModel.edgeRestTicks = 5;
    for (int n = 0; n < 20; ++n)
        stepEndToEnd();
    EXPECT_EQ(25, captionModel.edgeRestTicks);
    EXPECT_TRUE(captionModel.scrollForward);
    stepEndToEnd();
    EXPECT_FALSE(captionModel.scrollForward);
    EXPECT_EQ(0, captionModel.edgeRestTicks);
    for (int n = 0; n < 5; ++n)
        stepEndToEnd();
    EXPECT_EQ(3, captionModel.scrollX) << "still no movement";
    EXPECT_EQ(0, captionModel.edgeRestTicks) << "inside the limits nothing counts";

    /* The same on the left. */
    captionModel.scrollX = -12;
    captionModel.edgeRestTicks = 25;
    stepEndToEnd();
    EXPECT_TRUE(captionModel.scrollForward);
    EXPECT_EQ(-12, captionModel.scrollX);
}

TEST_F(Scroller, NewCaptionMidBounceKeepsOffsetAndDirection) {
    std::string text = captionOfWidth(250);
    if (text.empty()) GTEST_SKIP() << "no text of exactly 250 pixels in this font";
    copyText(captionModel.text, L"an older caption", TEXT_SIZE);
    captionModel.scrollX = -20;
    captionModel.scrollForward = false;
    captionModel.edgeRestTicks = 7;

    setCaption(text.c_str());
    hand();
    EXPECT_EQ(std::wstring(text.begin(), text.end()), captionModel.text);
    EXPECT_EQ(-20, captionModel.scrollX);
    EXPECT_FALSE(captionModel.scrollForward);
    EXPECT_EQ(0, captionModel.edgeRestTicks);
    EXPECT_EQ(-56, captionModel.scrollMin);

    /* The same text again changes nothing of the bounce. */
    captionModel.edgeRestTicks = 4;
    setCaption(text.c_str());
    EXPECT_EQ(4, captionModel.edgeRestTicks);
}

TEST_F(Scroller, NewCaptionWithTheOffsetOutsideTheNewLimitsRestsAtOnce) {
    std::string text = captionOfWidth(250);
    if (text.empty()) GTEST_SKIP() << "no text of exactly 250 pixels in this font";
    captionModel.scrollX = -100;
    captionModel.scrollForward = false;
    setCaption(text.c_str());
    hand();
    ASSERT_EQ(-56, captionModel.scrollMin);
    stepEndToEnd();
    EXPECT_EQ(-101, captionModel.scrollX);
    EXPECT_EQ(1, captionModel.edgeRestTicks);
}

TEST_F(Scroller, TickDoesNotMoveACaptionThatFitsExactly) {
    captionModel.textWidth = 200 - 2 * 3;
    captionModel.scrollX = 7;
    captionModel.edgeRestTicks = 3;
    int blinkTicks = 0;
    for (bool endToEnd : {false, true}) {
        hand(endToEnd ? "scroll_style: EndToEnd" : "scroll_style: Stream");
        ValidateRect(window, nullptr);
        for (int n = 0; n < 40; ++n)
            scrollTick(window, &blinkTicks);
        EXPECT_EQ(7, captionModel.scrollX);
        EXPECT_EQ(3, captionModel.edgeRestTicks);
        EXPECT_TRUE(captionModel.scrollForward);
        EXPECT_FALSE(repaintPending()) << "nothing moved, nothing to repaint";
    }

    /* One pixel wider and it moves. */
    captionModel.textWidth = 200 - 2 * 3 + 1;
    hand("scroll_style: Stream");
    scrollTick(window, &blinkTicks);
    EXPECT_EQ(6, captionModel.scrollX);
    EXPECT_TRUE(repaintPending());
}

TEST_F(Scroller, TickMovesNothingWhileScrollingIsOff) {
    captionModel.textWidth = 400;
    hand("scrolling: false");
    captionModel.scrollX = -3;
    int blinkTicks = 0;
    ValidateRect(window, nullptr);
    for (int n = 0; n < 10; ++n)
        scrollTick(window, &blinkTicks);
    EXPECT_EQ(-3, captionModel.scrollX);
    EXPECT_FALSE(repaintPending());
}

TEST_F(Scroller, TickUsesTheChosenStyle) {
    captionModel.textWidth = 400;
    captionModel.scrollMin = 194 - 400;
    int blinkTicks = 0;
    hand("scroll_style: EndToEnd");
    scrollTick(window, &blinkTicks); /* bounce: right, past the limit 0 */
    EXPECT_EQ(1, captionModel.scrollX);
    EXPECT_EQ(1, captionModel.edgeRestTicks);
    hand("scroll_style: Stream");
    scrollTick(window, &blinkTicks); /* stream: always left */
    EXPECT_EQ(0, captionModel.scrollX);
    EXPECT_EQ(1, captionModel.edgeRestTicks);
}

TEST_F(Scroller, PausedCaptionBlinksEveryTwentyFifthTick) {
    captionModel.playState = 3;
    hand("scrolling: false");
    captionModel.blinkOn = true;
    int blinkTicks = 0;
    for (int n = 1; n <= 24; ++n) {
        ValidateRect(window, nullptr);
        scrollTick(window, &blinkTicks);
        EXPECT_TRUE(captionModel.blinkOn) << "tick " << n;
        EXPECT_TRUE(repaintPending()) << "every paused tick repaints, tick " << n;
    }
    EXPECT_EQ(24, blinkTicks);
    scrollTick(window, &blinkTicks);
    EXPECT_FALSE(captionModel.blinkOn);
    EXPECT_EQ(0, blinkTicks);
    for (int n = 0; n < 25; ++n)
        scrollTick(window, &blinkTicks);
    EXPECT_TRUE(captionModel.blinkOn);
}

TEST_F(Scroller, BlinkCountIsKeptWhileNotPaused) {
    captionModel.playState = 3;
    hand("scrolling: false");
    captionModel.blinkOn = true;
    int blinkTicks = 0;
    for (int n = 0; n < 20; ++n)
        scrollTick(window, &blinkTicks);
    ASSERT_EQ(20, blinkTicks);

    captionModel.playState = 1;
    ValidateRect(window, nullptr);
    for (int n = 0; n < 100; ++n)
        scrollTick(window, &blinkTicks);
    EXPECT_EQ(20, blinkTicks);
    EXPECT_TRUE(captionModel.blinkOn);
    EXPECT_FALSE(repaintPending()) << "not paused, nothing scrolls: no repaint";

    /* The next pause starts with the left-over count: a short first phase. */
    captionModel.playState = 3;
    for (int n = 0; n < 4; ++n)
        scrollTick(window, &blinkTicks);
    EXPECT_TRUE(captionModel.blinkOn);
    scrollTick(window, &blinkTicks);
    EXPECT_FALSE(captionModel.blinkOn);
}

TEST_F(Scroller, PausedScrollingCaptionBlinksWithoutMoving) {
    captionModel.playState = 3;
    captionModel.playState = WINAMP_PAUSED;
    captionModel.textWidth = 400;
    captionModel.scrollX = -40;
    captionModel.blinkOn = false;
    int blinkTicks = 0;
    for (int n = 0; n < 25; ++n)
        scrollTick(window, &blinkTicks);
    EXPECT_EQ(-40, captionModel.scrollX);
    EXPECT_TRUE(captionModel.blinkOn);
}

} // namespace
