/* Turning Winamp's window title into the caption, and the idle texts: the ring
   search for the scrolling marker, the cleaning of the title with and without
   track numbers, the idle time format and its fall-back, and the idle text for
   each idle state. */
#include "settings/settings.h"
#include "unit_support.h"
#include "winamp/player.h"
#include "winamp/title.h"

#include <string>
#include <time.h>

namespace {

TEST(FindRotated, FindsAPatternThatWrapsAroundTheEnd) {
    EXPECT_EQ(2, findRotated("abc", "cab", 3));
    EXPECT_EQ(1, findRotated("abc", "bca", 3));
    EXPECT_EQ(0, findRotated("abc", "abc", 3));
}

TEST(FindRotated, EmptyTextFindsNothing) {
    EXPECT_EQ(-1, findRotated("", "cab", 3));
    EXPECT_EQ(-1, findRotated("", "", 0));
}

TEST(FindRotated, AbsentPatternGivesMinusOne) {
    EXPECT_EQ(-1, findRotated("abc", "acb", 3));
    EXPECT_EQ(-1, findRotated("Artist - Title", "- Winamp ***", 12));
}

TEST(FindRotated, LowestIndexWins) {
    EXPECT_EQ(1, findRotated("xabab", "ab", 2));
    /* Every place of a one-letter ring matches; the first counts. */
    EXPECT_EQ(0, findRotated("aaaa", "aa", 2));
}

TEST(FindRotated, PatternLongerThanTextIsComparedAroundTheRing) {
    /* "ab" read as a ring is abab...: a four-letter pattern matches at 0 and 1. */
    EXPECT_EQ(0, findRotated("ab", "abab", 4));
    EXPECT_EQ(1, findRotated("ab", "baba", 4));
    EXPECT_EQ(-1, findRotated("ab", "abba", 4));
}

TEST(FindRotated, FindsTheScrollingMarkerInARotatedTitle) {
    EXPECT_EQ(13, findRotated("tist - Title - Winamp *** 7. Ar", "- Winamp ***", 12));
    /* The marker split by the ring's seam is still found, where it begins. */
    EXPECT_EQ(13, findRotated("** 7. Artist - Winamp *", "- Winamp ***", 12));
}

std::string cleaned(const char *title, bool showTrackNumber) {
    char out[TEXT_SIZE];
    memset(out, 'Z', sizeof out);
    cleanWinampTitle(title, showTrackNumber, out, sizeof out);
    return out;
}

struct TitleCase {
    const char *title;
    const char *withoutNumber;
    const char *withNumber;
};

TEST(CleanWinampTitle, GivesTheTrackTitleForEachFormOfWinampsTitle) {
    const TitleCase cases[] = {
        {"7. Artist - Title - Winamp", "Artist - Title", "7. Artist - Title"},
        {"tist - Title - Winamp *** 7. Ar", "Artist - Title ", " 7. Artist - Title "},
        {"Vol. 2 - Song - Winamp", "2 - Song", "Vol. 2 - Song"},
        {"Remix 2.0 - Winamp", "", "Remix 2.0"},
        {"Artist - Title - Winamp", "Artist - Title", "Artist - Title"},
        {"12. Song - Winamp [Paused]", "Song", "12. Song"},
        {"", "", ""},
    };
    for (const TitleCase &c : cases) {
        EXPECT_EQ(c.withoutNumber, cleaned(c.title, false)) << "title: " << c.title;
        EXPECT_EQ(c.withNumber, cleaned(c.title, true)) << "title: " << c.title;
    }
}

TEST(CleanWinampTitle, OnlyTheFirstWinampSuffixCounts) {
    EXPECT_EQ("A", cleaned("A - Winamp - Winamp", true));
}

TEST(CleanWinampTitle, TitleThatIsOnlyTheRotatedMarkerGivesAnEmptyCaption) {
    EXPECT_EQ("", cleaned("- Winamp ***", true));
    EXPECT_EQ("", cleaned("amp ***- Win", true));
    EXPECT_EQ("", cleaned("***- Winamp ", false));
}

TEST(CleanWinampTitle, PointAsLastCharacterGivesAnEmptyCaption) {
    EXPECT_EQ("", cleaned("Track 7.", false));
    EXPECT_EQ("", cleaned(".", false));
    EXPECT_EQ("Track 7.", cleaned("Track 7.", true));
}

TEST(CleanWinampTitle, LongTitleIsCutSafely) {
    std::string title = "7. " + std::string(290, 'A') + " - Winamp";
    char out[TEXT_SIZE + 16];
    memset(out, 'Z', sizeof out);
    cleanWinampTitle(title.c_str(), true, out, TEXT_SIZE);
    size_t n = strnlen(out, TEXT_SIZE);
    ASSERT_LT(n, (size_t)TEXT_SIZE) << "the result must be terminated inside its buffer";
    EXPECT_EQ(0, title.compare(0, n, out)) << "the cut text is the start of the title";
    for (size_t i = TEXT_SIZE; i < sizeof out; ++i)
        ASSERT_EQ('Z', out[i]) << "written past the buffer at " << i;

    memset(out, 'Z', sizeof out);
    cleanWinampTitle(title.c_str(), false, out, TEXT_SIZE);
    n = strnlen(out, TEXT_SIZE);
    ASSERT_LT(n, (size_t)TEXT_SIZE);
    EXPECT_EQ(std::string(n, 'A'), std::string(out));
}

TEST(CleanWinampTitle, LongScrollingTitleIsCutSafely) {
    std::string title = std::string(200, 'B') + " - Winamp *** " + std::string(200, 'C');
    char out[TEXT_SIZE + 16];
    memset(out, 'Z', sizeof out);
    cleanWinampTitle(title.c_str(), true, out, TEXT_SIZE);
    ASSERT_LT(strnlen(out, TEXT_SIZE), (size_t)TEXT_SIZE);
    for (size_t i = TEXT_SIZE; i < sizeof out; ++i)
        ASSERT_EQ('Z', out[i]);
}

TEST(CleanWinampTitle, SmallOutputBufferIsNeverOverrun) {
    char out[12];
    memset(out, 'Z', sizeof out);
    cleanWinampTitle("7. Artist - Title - Winamp", true, out, 8);
    EXPECT_STREQ("7. Arti", out);
    for (size_t i = 8; i < sizeof out; ++i)
        EXPECT_EQ('Z', out[i]);
}

/* Sunday 19 February 2006, 14:05:09. */
struct tm fixedTime() {
    struct tm t = {};
    t.tm_year = 2006 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 19;
    t.tm_hour = 14;
    t.tm_min = 5;
    t.tm_sec = 9;
    t.tm_wday = 0;
    t.tm_yday = 49;
    return t;
}

std::string formatted(const char *format, size_t size = TEXT_SIZE) {
    struct tm t = fixedTime();
    char out[TEXT_SIZE + 16];
    memset(out, 'Z', sizeof out);
    formatIdleTime(format, &t, out, size);
    for (size_t i = size; i < sizeof out; ++i)
        EXPECT_EQ('Z', out[i]) << "written past the buffer at " << i;
    return std::string(out, strnlen(out, size));
}

TEST(FormatIdleTime, FormatsTheGivenTime) {
    EXPECT_EQ("14:05", formatted("%H:%M"));
    EXPECT_EQ("02:05 PM", formatted("%I:%M %p"));
    EXPECT_EQ("Sun 19 Feb - 02:05 PM", formatted(DEFAULT_TIME_FORMAT));
    EXPECT_EQ("100% at 14", formatted("100%% at %H"));
    EXPECT_EQ("no conversion", formatted("no conversion"));
}

TEST(FormatIdleTime, UnknownConversionFallsBackToTheDefaultFormat) {
    std::string fallback = formatted(DEFAULT_TIME_FORMAT);
    ASSERT_FALSE(fallback.empty());
    EXPECT_EQ(fallback, formatted("%Q"));
    EXPECT_EQ(fallback, formatted("%H:%M %"));
    EXPECT_EQ(fallback, formatted("%"));
    EXPECT_EQ(fallback, formatted("%H %k"));
    EXPECT_EQ(fallback, formatted("%#"));
}

TEST(FormatIdleTime, HashFlagIsAccepted) {
    /* msvcrt's "#" drops leading zeros; the text is the time, not the fall-back. */
    std::string text = formatted("%#H:%M");
    EXPECT_NE(formatted(DEFAULT_TIME_FORMAT), text);
    EXPECT_EQ("14:05", text);
}

TEST(FormatIdleTime, TooSmallBufferGivesEmptyTextWithoutOverflow) {
    EXPECT_EQ("", formatted("%H:%M", 3));
    EXPECT_EQ("", formatted(DEFAULT_TIME_FORMAT, 10));
    EXPECT_EQ("14:05", formatted("%H:%M", 6));
}

TEST(FormatIdleTime, TimeTooLongForTheCaptionGivesEmptyText) {
    std::string format;
    for (int i = 0; i < 60; ++i)
        format += "%A ";
    EXPECT_EQ("", formatted(format.c_str()));
}

class IdleText : public unit::StateTest {
  protected:
    std::string text(bool winampCheck) {
        char out[TEXT_SIZE];
        memset(out, 'Z', sizeof out);
        idleText(winampCheck, out);
        return std::string(out, strnlen(out, sizeof out));
    }
};

TEST_F(IdleText, ErrorTextsSayWhetherWinampWasFound) {
    warble.idleState = 0;
    warble.hwndWinamp = nullptr;
    EXPECT_EQ("Couldn't Find Winamp", text(true));
    EXPECT_EQ("Couldn't Find Winamp", text(false));

    warble.hwndWinamp = GetDesktopWindow(); /* any window: present */
    EXPECT_EQ("Playback Stopped", text(true));
    EXPECT_EQ("Couldn't Find Winamp", text(false)) << "without the check Winamp counts as absent";
    warble.hwndWinamp = nullptr;
}

TEST_F(IdleText, TimeIsTheCurrentLocalTimeInTheSetFormat) {
    warble.idleState = 1;
    copyText(warble.idleTimeFormat, "%Y-%m-%d %H:%M", TEXT_SIZE);
    auto now = [] {
        time_t t = time(nullptr);
        char out[64];
        strftime(out, sizeof out, "%Y-%m-%d %H:%M", localtime(&t));
        return std::string(out);
    };
    std::string before = now();
    std::string shown = text(true);
    std::string after = now();
    EXPECT_TRUE(shown == before || shown == after) << shown;
}

TEST_F(IdleText, TimeWithABadFormatShowsTheDefaultFormat) {
    warble.idleState = 1;
    copyText(warble.idleTimeFormat, "%Q%", TEXT_SIZE);
    std::string shown = text(true);
    /* The default format's shape: "Sun 19 Feb - 02:05 PM". */
    ASSERT_EQ(21u, shown.size()) << shown;
    EXPECT_EQ(" - ", shown.substr(10, 3));
}

TEST_F(IdleText, MessageIsTheUsersText) {
    warble.idleState = 2;
    copyText(warble.idleMessage, "Gone fishing", TEXT_SIZE);
    EXPECT_EQ("Gone fishing", text(true));
    copyText(warble.idleMessage, "", TEXT_SIZE);
    EXPECT_EQ("", text(false));
}

TEST_F(IdleText, AnyOtherStateShowsThePluginsName) {
    for (int state : {5, 3, -1, 1000}) {
        warble.idleState = state;
        EXPECT_EQ("Warble", text(true)) << "idle state " << state;
    }
}

} // namespace
