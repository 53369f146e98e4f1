/* The relay's text work and slot choice, and the companion's two commands:
   reading numbers, splitting "@Warble_toWinamp" commands into their tokens,
   choosing the slot to evict across the millisecond clock's wrap, and the
   slider and label commands sent to DOVozizuvav. */
#include "unit_support.h"
#include "core/text.h"
#include "winamp/poller.h"
#include "winamp/relay.h"

#include <limits.h>
#include <string>

namespace {

TEST(ReadNumber, ReadsAnOptionallySignedDecimal) {
    EXPECT_EQ(0, readNumber("0"));
    EXPECT_EQ(42, readNumber("42"));
    EXPECT_EQ(42, readNumber("+42"));
    EXPECT_EQ(-42, readNumber("-42"));
    EXPECT_EQ(7, readNumber("007"));
}

TEST(ReadNumber, SkipsLeadingWhiteSpace) {
    EXPECT_EQ(12, readNumber("   12"));
    EXPECT_EQ(-3, readNumber(" \t\r\n-3"));
}

TEST(ReadNumber, StopsAtTheFirstNonDigit) {
    EXPECT_EQ(12, readNumber("12ab"));
    EXPECT_EQ(40001, readNumber("40001 7"));
    EXPECT_EQ(1, readNumber("1.9"));
}

TEST(ReadNumber, WithoutDigitsGivesZero) {
    EXPECT_EQ(0, readNumber(""));
    EXPECT_EQ(0, readNumber("ab12"));
    EXPECT_EQ(0, readNumber("-"));
    EXPECT_EQ(0, readNumber("+-5"));
    EXPECT_EQ(0, readNumber("- 5"));
    EXPECT_EQ(0, readNumber("   "));
}

TEST(ReadNumber, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(INT_MAX, readNumber("2147483647"));
    EXPECT_EQ(INT_MAX, readNumber("2147483648"));
    EXPECT_EQ(INT_MAX, readNumber("99999999999999999999999999999999"));
    EXPECT_EQ(INT_MIN, readNumber("-2147483648"));
    EXPECT_EQ(INT_MIN, readNumber("-2147483649"));
    EXPECT_EQ(INT_MIN, readNumber("-99999999999999999999999999999999"));
    EXPECT_EQ(INT_MAX, readNumber(std::string(3000, '9').c_str()));
}

TEST(ParseRelayCommand, SplitsKindAndNumbers) {
    RelayRequest r = {};
    ASSERT_TRUE(parseRelayCommand("@Warble_toWinamp WM_USER 104 3", &r));
    EXPECT_STREQ("WM_USER", r.kind);
    EXPECT_EQ(104, r.first);
    EXPECT_EQ(3, r.second);
}

TEST(ParseRelayCommand, MissingFourthTokenGivesZero) {
    RelayRequest r = {};
    r.second = 99;
    ASSERT_TRUE(parseRelayCommand("@Warble_toWinamp NJI_SPECIAL 102", &r));
    EXPECT_STREQ("NJI_SPECIAL", r.kind);
    EXPECT_EQ(102, r.first);
    EXPECT_EQ(0, r.second);

    r.second = 99;
    ASSERT_TRUE(parseRelayCommand("@Warble_toWinamp WM_COMMAND 40001   ", &r))
        << "trailing blanks make no fourth token";
    EXPECT_EQ(0, r.second);
}

TEST(ParseRelayCommand, FewerThanThreeTokensIsRefused) {
    RelayRequest r = {};
    EXPECT_FALSE(parseRelayCommand("", &r));
    EXPECT_FALSE(parseRelayCommand("   ", &r));
    EXPECT_FALSE(parseRelayCommand("@Warble_toWinamp", &r));
    EXPECT_FALSE(parseRelayCommand("@Warble_toWinamp WM_USER", &r));
    EXPECT_FALSE(parseRelayCommand("@Warble_toWinamp   WM_USER   ", &r));
}

TEST(ParseRelayCommand, OnlyBlanksSeparate) {
    RelayRequest r = {};
    /* A tab is part of a token: here there are only two tokens. */
    EXPECT_FALSE(parseRelayCommand("@Warble_toWinamp WM_USER\t104", &r));
    ASSERT_TRUE(parseRelayCommand("@Warble_toWinamp\tWM_USER 104 5", &r));
    EXPECT_STREQ("104", r.kind);
    EXPECT_EQ(5, r.first);
    EXPECT_EQ(0, r.second);
}

TEST(ParseRelayCommand, SeveralBlanksCountAsOne) {
    RelayRequest r = {};
    ASSERT_TRUE(parseRelayCommand("   @Warble_toWinamp    WM_USER     105      1   ", &r));
    EXPECT_STREQ("WM_USER", r.kind);
    EXPECT_EQ(105, r.first);
    EXPECT_EQ(1, r.second);
}

TEST(ParseRelayCommand, FurtherTokensAreIgnored) {
    RelayRequest r = {};
    ASSERT_TRUE(parseRelayCommand("@Warble_toWinamp NJI_SPECIAL 106 50 77 x", &r));
    EXPECT_EQ(106, r.first);
    EXPECT_EQ(50, r.second);
}

TEST(ParseRelayCommand, TokensCountFromTheStartOfTheText) {
    RelayRequest r = {};
    /* The relay word is not the first token: the second token is the kind. */
    ASSERT_TRUE(parseRelayCommand("please @Warble_toWinamp WM_USER 104", &r));
    EXPECT_STREQ("@Warble_toWinamp", r.kind);
    EXPECT_EQ(0, r.first) << "\"WM_USER\" has no digits";
    EXPECT_EQ(104, r.second);
}

TEST(ParseRelayCommand, NumbersWithLettersAreReadUpToTheLetters) {
    RelayRequest r = {};
    ASSERT_TRUE(parseRelayCommand("@Warble_toWinamp WM_USER 12ab -7x", &r));
    EXPECT_EQ(12, r.first);
    EXPECT_EQ(-7, r.second);
}

TEST(ParseRelayCommand, LongCommandIsCutSafely) {
    RelayRequest r = {};
    /* The numbers are within the first 259 characters: all is read. */
    std::string text = "@Warble_toWinamp WM_USER 12 34 " + std::string(2000, 'x');
    ASSERT_TRUE(parseRelayCommand(text.c_str(), &r));
    EXPECT_STREQ("WM_USER", r.kind);
    EXPECT_EQ(12, r.first);
    EXPECT_EQ(34, r.second);

    /* A kind of 2000 letters: what is kept of it fits its buffer and the
       number after it lies beyond the cut. */
    text = "@Warble_toWinamp " + std::string(2000, 'K') + " 104";
    memset(&r, 'Z', sizeof r);
    EXPECT_FALSE(parseRelayCommand(text.c_str(), &r));

    /* The third token starts beyond the cut. */
    text = "@Warble_toWinamp WM_USER" + std::string(300, ' ') + "104";
    EXPECT_FALSE(parseRelayCommand(text.c_str(), &r));

    /* A long kind within the cut is kept whole and terminated. */
    text = "@Warble_toWinamp " + std::string(200, 'K') + " 9";
    ASSERT_TRUE(parseRelayCommand(text.c_str(), &r));
    EXPECT_EQ(std::string(200, 'K'), r.kind);
    EXPECT_EQ(9, r.first);
}

/* A table of ten slots, each with a command waiting: which the eleventh command evicts
   is seen through the real player (relay_test); here the clock's turns, which no run can
   wait for. */
class OldestRelaySlot : public testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < RELAY_SLOTS; ++i)
            slots[i].owner = waitingOwner(0x1000 + i);
    }
    void startTimes(const DWORD (&times)[RELAY_SLOTS]) {
        for (int i = 0; i < RELAY_SLOTS; ++i)
            slots[i].startTime = times[i];
    }
    int oldest(DWORD now) { return oldestRelaySlot(slots, now); }
    RelaySlot slots[RELAY_SLOTS] = {};
};

TEST_F(OldestRelaySlot, WaitIsMeasuredAcrossTheSignedBoundary) {
    /* The clock passed 2^31 a little while ago. Slot 3 started before that
       (0x7FFFFF00) and has waited longest; read as signed numbers it would look
       like the latest start of all. */
    startTimes({0x80000100u, 0x80000200u, 0x80000300u, 0x7FFFFF00u, 0x80000050u, 0x80000400u,
                0x80000500u, 0x80000600u, 0x80000700u, 0x80000800u});
    EXPECT_EQ(3, oldest(0x80001000u));
}

TEST_F(OldestRelaySlot, WaitIsMeasuredAcrossTheClocksWrap) {
    /* The clock wrapped from 2^32 - 1 to 0 a moment ago: slot 6 started just
       before the wrap and has waited longest, although its number is the largest. */
    startTimes({0x00000010u, 0x00000020u, 0x00000030u, 0x00000040u, 0x00000050u, 0x00000060u,
                0xFFFFFF00u, 0xFFFFFFF0u, 0x00000070u, 0x00000080u});
    EXPECT_EQ(6, oldest(0x00000100u));
}

TEST(SeekPosition, PercentOfTheTrackInWholeSecondsWithinTheTrack) {
    struct Case {
        int percent, length, position;
    } cases[] = {
        {50, 201, 100000},  {33, 201, 66000},          {0, 201, 0},
        {100, 201, 201000}, {101, 201, 201000},        {2147483647, 201, 201000},
        {-5, 201, 0},       {-2147483647 - 1, 201, 0}, {100, 2147483647, 2147483000},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.position, seekPosition(c.percent, c.length))
            << c.percent << "% of " << c.length << " s";
}

TEST(FormatSliderCommand, PrintsTheFractionWithSixDecimals) {
    char out[TEXT_SIZE];
    formatSliderCommand((float)((double)61 / 246), out, sizeof out);
    EXPECT_STREQ("@DOVozizuvav Control SetControlProperty winampslider Value 0.247967", out);
    formatSliderCommand(0.0f, out, sizeof out);
    EXPECT_STREQ("@DOVozizuvav Control SetControlProperty winampslider Value 0.000000", out);
    formatSliderCommand(0.25f, out, sizeof out);
    EXPECT_STREQ("@DOVozizuvav Control SetControlProperty winampslider Value 0.250000", out);

    /* A stream (no length) is at 0, a position past the end at 1. */
    const int cases[][3] = {
        {61, 246, 247967}, {300, -1, 0}, {100, 10, 1000000}, {2147483, 1, 1000000}};
    for (const auto &c : cases)
        EXPECT_EQ(c[2], (int)(playedFraction(c[0], c[1]) * 1e6 + 0.5)) << c[0] << " s of " << c[1];
}

TEST(FormatSliderCommand, SmallBufferIsNeverOverrun) {
    char out[32];
    memset(out, 'Z', sizeof out);
    formatSliderCommand(0.5f, out, 20);
    EXPECT_STREQ("@DOVozizuvav Contro", out);
    for (size_t i = 20; i < sizeof out; ++i)
        EXPECT_EQ('Z', out[i]);
}

TEST(FormatLabelCommand, QuotesTheCaption) {
    char out[TEXT_SIZE];
    formatLabelCommand(L"Artist - Title", out, sizeof out);
    EXPECT_STREQ("@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"Artist - Title\"",
                 out);
    formatLabelCommand(L"", out, sizeof out);
    EXPECT_STREQ("@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"\"", out);
}

TEST(FormatLabelCommand, LongCaptionIsCutAndStillEndsWithItsQuote) {
    const std::string prefix = "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"";
    std::wstring caption(259, L'c');
    char out[TEXT_SIZE + 16];
    memset(out, 'Z', sizeof out);
    formatLabelCommand(caption.c_str(), out, TEXT_SIZE);
    std::string command(out, strnlen(out, TEXT_SIZE));
    ASSERT_LT(command.size(), (size_t)TEXT_SIZE) << "terminated inside its buffer";
    EXPECT_LE(command.size(), 259u);
    EXPECT_EQ('"', command.back());
    EXPECT_EQ(0, command.compare(0, prefix.size(), prefix));
    /* Between the quotes: the start of the caption, as much of it as fits. */
    std::string inside = command.substr(prefix.size(), command.size() - prefix.size() - 1);
    EXPECT_EQ(std::string(inside.size(), 'c'), inside);
    EXPECT_EQ(259u, command.size()) << "the room is used to the last character";
    for (size_t i = TEXT_SIZE; i < sizeof out; ++i)
        ASSERT_EQ('Z', out[i]);
}

TEST(FormatLabelCommand, CaptionThatJustFitsIsKeptWhole) {
    const size_t prefixLength =
        strlen("@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"");
    std::wstring caption(259 - prefixLength - 1, L'd');
    char out[TEXT_SIZE];
    formatLabelCommand(caption.c_str(), out, sizeof out);
    EXPECT_EQ(259u, strlen(out));
    EXPECT_EQ(std::string(caption.size(), 'd') + "\"", std::string(out + prefixLength));
}

} // namespace
