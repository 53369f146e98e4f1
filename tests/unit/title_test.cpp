/* Turning Winamp's window title into the caption, and the idle texts: the ring
   search for the scrolling marker, the cleaning of the title with and without
   track numbers, the idle time format and its fall-back, and the idle text for
   each idle state. */
#include "core/text.h"
#include "settings/options.h"
#include "winamp/player.h"
#include "winamp/caption_format.h"
#include "winamp/title.h"
#include "unit_support.h"

#include <string>
#include <vector>
#include <wchar.h>
#include <time.h>

namespace {

/* The caption format over a title and its times: every field, a stream, and what a
   format does not know. */
TEST(FormatCaption, FieldsTimesAndUnknownNames) {
    const CaptionFields song = {
        L"7. Boards - Roygbiv - Live", L"Boards - Roygbiv - Live", L"7", 65, 3725, false, L"Live"};
    const CaptionFields stream = {L"Radio One", L"Radio One", L"", 4000, -1, false, L""};
    const CaptionFields paused = {L"Radio One", L"Radio One", L"", 4000, -1, true, L""};
    const CaptionFields hour = {L"Long", L"Long", L"", 3599, 3600, false, nullptr};
    const struct {
        const CaptionFields &fields;
        const wchar_t *format, *expected;
    } cases[] = {
        {song, L"%title%", L"7. Boards - Roygbiv - Live"},
        {song, L"%artist%|%song%|%track%", L"Boards|Roygbiv - Live|7"},
        {song, L"%elapsed%/%length% -%remaining%", L"1:05/1:02:05 -1:01:00"},
        {stream, L"%artist%|%song% %[%elapsed%/%length%|%remaining%%]", L"|Radio One [1:06:40/|]"},
        /* An hour exactly is the first time with hours. */
        {hour, L"%elapsed% %length% %remaining%", L"59:59 1:00:00 0:01"},
        {song, L"100%% %unknown% % %%title%", L"100% %unknown% % %title%"},
        {song, L"%title", L"%title"},
        /* Sections: shown whole only when every field inside, nested ones' too, shows. */
        {song, L"%song%[ %[%elapsed%/%length%%]]", L"Roygbiv - Live [1:05/1:02:05]"},
        {stream, L"%song%[ %[%elapsed%/%length%%]]", L"Radio One"},
        {stream, L"%song%[ [%elapsed%/%length%]][ -%remaining%][ (%elapsed%)]",
         L"Radio One (1:06:40)"},
        {stream, L"[%artist% - ]%song%[ #%track%]", L"Radio One"},
        /* The album where the player gives it; without, its section hides. */
        {song, L"%song%[ (%album%)]", L"Roygbiv - Live (Live)"},
        {stream, L"%song%[ (%album%)]", L"Radio One"},
        {hour, L"%title%[ (%album%)]", L"Long"},
        {paused, L"%title%[ (%state%)]", L"Radio One (Paused)"},
        {stream, L"%title%[ (%state%)]|%state%|", L"Radio One||"},
        {song, L"a]b[c [%length% %][x", L"a]b[c [1:02:05 ][x"},
        /* A bracket whose section never closes shows, whatever sections follow it. */
        {stream, L"[a [%state%]", L"[a "},
        {paused, L"[a [%state%]", L"[a Paused"},
    };
    for (const auto &c : cases) {
        wchar_t out[TEXT_SIZE];
        formatCaption(c.format, c.fields, out, TEXT_SIZE);
        EXPECT_STREQ(c.expected, out) << c.format;
    }
    /* Cut at the text's size, never inside a surrogate pair. */
    std::wstring many;
    for (int i = 0; i < 200; ++i)
        many += L"\U0001F3B5";
    const CaptionFields wide = {many.c_str(), many.c_str(), L"", 0, 0, false, L""};
    wchar_t out[TEXT_SIZE];
    formatCaption(L"%title%", wide, out, TEXT_SIZE);
    EXPECT_EQ(TEXT_SIZE - 2u, wcslen(out));
    EXPECT_FALSE(isHighSurrogate(out[wcslen(out) - 1]));
}

TEST(FindRotated, FindsAPatternThatWrapsAroundTheEnd) {
    EXPECT_EQ(2, findRotated(L"abc", L"cab", 3));
    EXPECT_EQ(1, findRotated(L"abc", L"bca", 3));
    EXPECT_EQ(0, findRotated(L"abc", L"abc", 3));
}

TEST(FindRotated, EmptyTextFindsNothing) {
    EXPECT_EQ(-1, findRotated(L"", L"cab", 3));
    EXPECT_EQ(-1, findRotated(L"", L"", 0));
}

TEST(FindRotated, AbsentPatternGivesMinusOne) {
    EXPECT_EQ(-1, findRotated(L"abc", L"acb", 3));
    EXPECT_EQ(-1, findRotated(L"Artist - Title", L"- Winamp ***", 12));
}

TEST(FindRotated, LowestIndexWins) {
    EXPECT_EQ(1, findRotated(L"xabab", L"ab", 2));
    /* Every place of a one-letter ring matches; the first counts. */
    EXPECT_EQ(0, findRotated(L"aaaa", L"aa", 2));
}

TEST(FindRotated, PatternLongerThanTextIsComparedAroundTheRing) {
    /* "ab" read as a ring is abab...: a four-letter pattern matches at 0 and 1. */
    EXPECT_EQ(0, findRotated(L"ab", L"abab", 4));
    EXPECT_EQ(1, findRotated(L"ab", L"baba", 4));
    EXPECT_EQ(-1, findRotated(L"ab", L"abba", 4));
}

TEST(FindRotated, FindsTheScrollingMarkerInARotatedTitle) {
    EXPECT_EQ(13, findRotated(L"tist - Title - Winamp *** 7. Ar", L"- Winamp ***", 12));
    /* The marker split by the ring's seam is still found, where it begins. */
    EXPECT_EQ(13, findRotated(L"** 7. Artist - Winamp *", L"- Winamp ***", 12));
}

std::wstring cleaned(const std::wstring &title, bool showTrackNumber) {
    wchar_t out[TEXT_SIZE];
    wmemset(out, L'Z', TEXT_SIZE);
    cleanWinampTitle(title.c_str(), showTrackNumber, out, TEXT_SIZE);
    return out;
}

struct TitleCase {
    const wchar_t *title;
    const wchar_t *withoutNumber;
    const wchar_t *withNumber;
};

TEST(CleanWinampTitle, GivesTheTrackTitleForEachFormOfWinampsTitle) {
    const TitleCase cases[] = {
        {L"7. Artist - Title - Winamp", L"Artist - Title", L"7. Artist - Title"},
        {L"tist - Title - Winamp *** 7. Ar", L"Artist - Title", L"7. Artist - Title"},
        /* The ring holds the paused mark too; the unwound title keeps no blanks. */
        {L"Heaven) - Winamp [Paused] *** 3. Stairway (To ", L"Stairway (To Heaven)",
         L"3. Stairway (To Heaven)"},
        {L"Winamp [Stopped] *** 3. Song - ", L"Song", L"3. Song"},
        /* Only a leading run of digits and ". " is Winamp's number. */
        {L"Vol. 2 - Song - Winamp", L"Vol. 2 - Song", L"Vol. 2 - Song"},
        {L"Remix 2.0 - Winamp", L"Remix 2.0", L"Remix 2.0"},
        {L"4.Song - Winamp", L"4.Song", L"4.Song"},
        {L"Artist - Title - Winamp", L"Artist - Title", L"Artist - Title"},
        {L"12. Song - Winamp [Paused]", L"Song", L"12. Song"},
        {L"\u65e5\u672c\u8a9e - \u6b4c - Winamp", L"\u65e5\u672c\u8a9e - \u6b4c",
         L"\u65e5\u672c\u8a9e - \u6b4c"},
        {L"", L"", L""},
    };
    for (const TitleCase &c : cases) {
        EXPECT_EQ(c.withoutNumber, cleaned(c.title, false)) << "title: " << c.title;
        EXPECT_EQ(c.withNumber, cleaned(c.title, true)) << "title: " << c.title;
    }
}

/* Every form Winamp gives a track (numbered or not; playing, paused or stopped; each
   also as the scrolling ring at every offset) cleans to the same caption, in any script. */
TEST(CleanWinampTitle, EveryFormOfATrackGivesTheSameCaption) {
    const wchar_t *const tracks[] = {
        L"Artist - Title",
        L"Mr. Brightside",
        L"Dr. Dre - Still D.R.E.",
        L"Vol. 2 - Song",
        L"\u30b9\u30d4\u30c3\u30c4 - \u6d77\u306e\u6b4c", /* Japanese */
        L"Bjo\u0308rk - Jo\u0301ga",                      /* combining marks */
        L"\u039a\u03cc\u03c3\u03bc\u03bf\u03c2 \U0001F3B5 - \u041f\u0435\u0441\u043d\u044f", /* a
                                                                                                pair
                                                                                              */
    };
    const wchar_t *const numbers[] = {L"", L"7. ", L"123. "};
    const wchar_t *const marks[] = {L"", L" [Paused]", L" [Stopped]"};
    for (const wchar_t *track : tracks)
        for (const wchar_t *number : numbers)
            for (const wchar_t *mark : marks) {
                std::wstring plain = std::wstring(number) + track + L" - Winamp" + mark;
                std::wstring ring = plain + L" *** ";
                std::vector<std::wstring> forms = {plain};
                for (size_t shift = 0; shift < ring.size(); ++shift)
                    forms.push_back(ring.substr(shift) + ring.substr(0, shift));
                for (const std::wstring &form : forms) {
                    ASSERT_EQ(track, cleaned(form, false)) << "title: " << form;
                    ASSERT_EQ(number + std::wstring(track), cleaned(form, true))
                        << "title: " << form;
                }
            }
}

TEST(CleanWinampTitle, OnlyTheFirstWinampSuffixCounts) {
    EXPECT_EQ(L"A", cleaned(L"A - Winamp - Winamp", true));
}

TEST(CleanWinampTitle, TitleThatIsOnlyTheRotatedMarkerGivesAnEmptyCaption) {
    EXPECT_EQ(L"", cleaned(L"- Winamp ***", true));
    EXPECT_EQ(L"", cleaned(L"amp ***- Win", true));
    EXPECT_EQ(L"", cleaned(L"***- Winamp ", false));
    EXPECT_EQ(L"", cleaned(L"Paused] ***- Winamp [", false));
}

TEST(CleanWinampTitle, PointThatIsNoTrackNumberStays) {
    EXPECT_EQ(L"Track 7.", cleaned(L"Track 7.", false));
    EXPECT_EQ(L".", cleaned(L".", false));
    EXPECT_EQ(L"7.", cleaned(L"7.", false)) << "no blank after the point: no number";
    EXPECT_EQ(L"", cleaned(L"7. ", false));
    EXPECT_EQ(L"Track 7.", cleaned(L"Track 7.", true));
    EXPECT_EQ(L". Intro", cleaned(L". Intro", false)) << "no digits before the point";
}

TEST(CleanWinampTitle, LongTitleIsCutSafely) {
    std::wstring title = L"7. " + std::wstring(290, L'A') + L" - Winamp";
    wchar_t out[TEXT_SIZE + 16];
    wmemset(out, L'Z', TEXT_SIZE + 16);
    cleanWinampTitle(title.c_str(), true, out, TEXT_SIZE);
    size_t n = wcsnlen(out, TEXT_SIZE);
    ASSERT_LT(n, (size_t)TEXT_SIZE) << "the result must be terminated inside its buffer";
    EXPECT_EQ(0, title.compare(0, n, out)) << "the cut text is the start of the title";
    for (size_t i = TEXT_SIZE; i < TEXT_SIZE + 16; ++i)
        ASSERT_EQ(L'Z', out[i]) << "written past the buffer at " << i;

    wmemset(out, L'Z', TEXT_SIZE + 16);
    cleanWinampTitle(title.c_str(), false, out, TEXT_SIZE);
    n = wcsnlen(out, TEXT_SIZE);
    ASSERT_LT(n, (size_t)TEXT_SIZE);
    EXPECT_EQ(std::wstring(n, L'A'), std::wstring(out));
}

TEST(CleanWinampTitle, LongScrollingTitleIsCutSafely) {
    std::wstring title = std::wstring(200, L'B') + L" - Winamp *** " + std::wstring(200, L'C');
    wchar_t out[TEXT_SIZE + 16];
    wmemset(out, L'Z', TEXT_SIZE + 16);
    cleanWinampTitle(title.c_str(), true, out, TEXT_SIZE);
    ASSERT_LT(wcsnlen(out, TEXT_SIZE), (size_t)TEXT_SIZE);
    for (size_t i = TEXT_SIZE; i < TEXT_SIZE + 16; ++i)
        ASSERT_EQ(L'Z', out[i]);
}

TEST(CleanWinampTitle, SmallOutputBufferIsNeverOverrun) {
    wchar_t out[12];
    wmemset(out, L'Z', 12);
    cleanWinampTitle(L"7. Artist - Title - Winamp", true, out, 8);
    EXPECT_STREQ(L"7. Arti", out);
    for (size_t i = 8; i < 12; ++i)
        EXPECT_EQ(L'Z', out[i]);
}

TEST(CleanWinampTitle, CutNeverSplitsASurrogatePair) {
    /* The note is a pair of units: where the limit falls between them, both go. */
    wchar_t out[8];
    cleanWinampTitle(L"7. Ab\U0001F3B5c - Winamp", true, out, 7);
    EXPECT_STREQ(L"7. Ab", out);
    EXPECT_EQ(L"7. Ab", cleaned(L"7. Ab\xD83D", true)) << "a lone first half at the end";
    char narrow[4];
    narrowText(L"ab\U0001F600", narrow, sizeof narrow);
    EXPECT_STREQ("ab", narrow) << "the code-page copy drops the whole pair too";
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
    std::wstring wideText(bool winampCheck) {
        wchar_t out[TEXT_SIZE];
        wmemset(out, L'Z', TEXT_SIZE);
        idleText(winampCheck, out);
        return std::wstring(out, wcsnlen(out, TEXT_SIZE));
    }
    std::string text(bool winampCheck) {
        char out[TEXT_SIZE];
        narrowText(wideText(winampCheck).c_str(), out, sizeof out);
        return out;
    }
};

TEST_F(IdleText, ErrorTextsSayWhetherWinampWasFound) {
    unit::setOptions("idle.state: 0");
    playerStatus.window = nullptr;
    EXPECT_EQ("Couldn't Find Winamp", text(true));
    EXPECT_EQ("Couldn't Find Winamp", text(false));

    playerStatus.window = GetDesktopWindow(); /* any window: present */
    EXPECT_EQ("Playback Stopped", text(true));
    EXPECT_EQ("Couldn't Find Winamp", text(false)) << "without the check Winamp counts as absent";
    playerStatus.window = nullptr;
}

TEST_F(IdleText, TimeIsTheCurrentLocalTimeInTheSetFormat) {
    unit::setOptions("idle.state: 1\nidle.TimeStr: %Y-%m-%d %H:%M");
    /* The time the system's clock shows the user. */
    auto now = [] {
        SYSTEMTIME t;
        GetLocalTime(&t);
        char out[64];
        snprintf(out, sizeof out, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute);
        return std::string(out);
    };
    std::string before = now();
    std::string shown = text(true);
    std::string after = now();
    EXPECT_TRUE(shown == before || shown == after) << shown;
}

TEST_F(IdleText, TimeWithABadFormatShowsTheDefaultFormat) {
    unit::setOptions("idle.state: 1\nidle.TimeStr: %Q%");
    std::string shown = text(true);
    /* The default format's shape: "Sun 19 Feb - 02:05 PM". */
    ASSERT_EQ(21u, shown.size()) << shown;
    EXPECT_EQ(" - ", shown.substr(10, 3));
}

TEST_F(IdleText, MessageIsTheUsersText) {
    unit::setOptions("idle.state: 2\nidle.message: Gone fishing");
    EXPECT_EQ("Gone fishing", text(true));
    /* The message is text in the system code page. */
    unit::setOptions("idle.message: Caf\xe9");
    if (GetACP() == 1252) {
        EXPECT_EQ(L"Caf\u00e9", wideText(true));
    }
    copyText(optionValues().idleMessage, "", TEXT_SIZE);
    EXPECT_EQ("", text(false));
}

TEST_F(IdleText, AnyOtherStateShowsThePluginsName) {
    for (int state : {5, 3, -1, 1000}) {
        unit::setOptions("idle.state: " + std::to_string(state));
        EXPECT_EQ("Warble", text(true)) << "idle state " << state;
    }
}

} // namespace
