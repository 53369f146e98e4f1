/* The command dispatcher through the plugin's real window: the three ways a
   text is matched, every menu command with its settings write and
   announcement, the public commands, the echoes of the plugin's own
   broadcasts, and a run of random and malformed broadcasts. */
#include "commands/dispatcher.h"
#include "commands/menu.h"
#include "core/text.h"
#include "display/caption.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/outbox.h"
#include "winamp/player.h"
#include "winamp/relay.h"
#include "unit_support.h"

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using unit::eventIndex;
using unit::hasEvent;
using unit::writeEvent;

TEST(MatchEqual, WholeTextWithoutRegardToCase) {
    EXPECT_TRUE(matchEqual("@Warble GetWinampInfo", "@Warble GetWinampInfo"));
    EXPECT_TRUE(matchEqual("@wARBLE getwinampinfo", "@Warble GetWinampInfo"));
    EXPECT_TRUE(matchEqual("", ""));
    EXPECT_FALSE(matchEqual("@Warble GetWinampInfo ", "@Warble GetWinampInfo"));
    EXPECT_FALSE(matchEqual("@Warble GetWinampInf", "@Warble GetWinampInfo"));
    EXPECT_FALSE(matchEqual(" @Warble GetWinampInfo", "@Warble GetWinampInfo"));
    EXPECT_FALSE(matchEqual("", "Edit"));
    /* Only letters fold: '@' and '`' differ by the same bit as 'A' and 'a'. */
    EXPECT_FALSE(matchEqual("`", "@"));
    EXPECT_FALSE(matchEqual("[", "{"));
}

TEST(MatchPrefix, FirstCharactersWithoutRegardToCase) {
    EXPECT_TRUE(matchPrefix("@WarbleInternal Edit", "@WarbleInternal", 15));
    EXPECT_TRUE(matchPrefix("@warbleINTERNALEdit", "@WarbleInternal", 15));
    EXPECT_TRUE(matchPrefix("@WarbleInternal", "@WarbleInternal", 15));
    EXPECT_FALSE(matchPrefix("@WarbleInterna", "@WarbleInternal", 15)) << "shorter text";
    EXPECT_FALSE(matchPrefix("", "@WarbleInternal", 15));
    EXPECT_FALSE(matchPrefix(" @WarbleInternal", "@WarbleInternal", 15));
    EXPECT_TRUE(matchPrefix("TransparencyAlpha 9", "TransparencyAlpha ", 18));
    EXPECT_FALSE(matchPrefix("TransparencyAlpha", "TransparencyAlpha ", 18));
}

/* The options a broadcast can change, and the caption, taken together so that
   "nothing changed" can be checked in one comparison. */
struct Options {
    bool showBorder, scrolling, alwaysOnTop, snapWindow, transparencyEnabled, transBackEnabled;
    bool toggleWithPlugins, showTrackNumber, interfaceExtensions, inSlit, pluginsHidden;
    int scrollStyle;
    int alpha, idleState;
    std::wstring caption;

    static Options now() {
        return {options.showBorder,
                options.scrolling,
                options.alwaysOnTop,
                options.snapWindow,
                options.transparencyEnabled,
                options.transBackEnabled,
                options.toggleWithPlugins,
                options.showTrackNumber,
                options.interfaceExtensions,
                options.inSlit,
                unit::display().placement.pluginsHidden,
                options.scrollStyle,
                options.alpha,
                options.idleState,
                unit::caption().text};
    }
    bool operator==(const Options &o) const {
        return showBorder == o.showBorder && scrolling == o.scrolling &&
               alwaysOnTop == o.alwaysOnTop && snapWindow == o.snapWindow &&
               transparencyEnabled == o.transparencyEnabled &&
               transBackEnabled == o.transBackEnabled && toggleWithPlugins == o.toggleWithPlugins &&
               showTrackNumber == o.showTrackNumber &&
               interfaceExtensions == o.interfaceExtensions && inSlit == o.inSlit &&
               pluginsHidden == o.pluginsHidden && scrollStyle == o.scrollStyle &&
               alpha == o.alpha && idleState == o.idleState && caption == o.caption;
    }
};

/* A window that stands in for Winamp's: it answers 1 to everything and keeps
   what it was sent. */
class Dispatcher : public unit::RunningPlugin {
  protected:
    /* The label the shell shows after a toggle. */
    std::string announcement(const std::string &word, bool on) {
        return "label|WarblePlugin -> " + word + (on ? " enabled!" : " disabled!");
    }
    static std::string boolText(bool value) { return value ? "true" : "false"; }
};

struct ToggleCase {
    const char *word;
    const bool *flag;
    const char *key;
};

TEST_F(Dispatcher, EveryOnOffCommandTogglesAnnouncesWritesAndRefreshesTheMenu) {
    const ToggleCase cases[] = {
        {"ToggleDOVozizuvav", &options.interfaceExtensions, "Warble.plugin.doVozizuvavExtensions:"},
        {"ToggleBorder", &options.showBorder, "Warble.plugin.showBorder:"},
        {"ToggleScrolling", &options.scrolling, "Warble.plugin.scrolling:"},
        {"AlwaysOnTop", &options.alwaysOnTop, "Warble.plugin.alwaysontop:"},
        {"SnapWindowToEdge", &options.snapWindow, "Warble.plugin.snapwindow:"},
        {"TransparencyEnabled", &options.transparencyEnabled,
         "Warble.plugin.transparency.enabled:"},
        {"TransbackEnabled", &options.transBackEnabled, "Warble.plugin.transback.enabled:"},
        {"ToggleWithPlugins", &options.toggleWithPlugins, "Warble.plugin.togglewithplugins:"},
        {"ToggleTrackNumber", &options.showTrackNumber, "Warble.plugin.showTrackNumber:"},
        {"ToggleHideWhenIdle", &options.hideWhenIdle, "Warble.plugin.hideWhenIdle:"},
        {"ToggleTooltip", &options.showTooltip, "Warble.plugin.tooltip:"},
        {"ToggleProgress", &options.showProgress, "Warble.plugin.progress:"},
    };
    for (const ToggleCase &c : cases) {
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(std::string(c.word) + (round ? ", back" : ""));
            bool before = *c.flag;
            hostClearEvents();
            EXPECT_EQ(0, broadcast((std::string("@WarbleInternal ") + c.word).c_str()));
            bool after = *c.flag;
            EXPECT_EQ(!before, after);
            int label = eventIndex(announcement(c.word, after));
            int write = eventIndex(writeEvent(c.key, boolText(after)));
            int menu = eventIndex("menu|new|Warble|Warble_IDMain|0");
            EXPECT_GE(label, 0);
            EXPECT_GT(write, label) << "announced, then written";
            EXPECT_GT(menu, write) << "written, then the menu refreshed";
            EXPECT_EQ(after, ReadBool(settings().path, c.key, !after)) << "the file holds it";
            EXPECT_EQ(1u, unit::eventsStartingWith("label|").size());
            if (&options.showTrackNumber == c.flag) {
                EXPECT_GT(eventIndex("broadcast|@Warble_fromWinamp_Stopped"), menu)
                    << "the player is asked again after the track number setting";
            }
            if (&options.hideWhenIdle == c.flag) {
                EXPECT_EQ(!after, IsWindowVisible(unit::pluginWindow()) != FALSE)
                    << "no player: hidden while the option is on";
            }
        }
    }
}

TEST_F(Dispatcher, AlwaysOnTopIsAppliedToTheWindow) {
    ASSERT_TRUE(options.alwaysOnTop);
    EXPECT_TRUE(GetWindowLongA(unit::pluginWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    broadcast("@WarbleInternal AlwaysOnTop");
    EXPECT_FALSE(GetWindowLongA(unit::pluginWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    broadcast("@WarbleInternal AlwaysOnTop");
    EXPECT_TRUE(GetWindowLongA(unit::pluginWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Dispatcher, SlitToggleWithoutASlitSaysThereIsNone) {
    RECT before, after;
    GetWindowRect(unit::pluginWindow(), &before);
    broadcast("@WarbleInternal SlitToggle");
    EXPECT_FALSE(options.inSlit);
    GetWindowRect(unit::pluginWindow(), &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the window stays where it is";
    EXPECT_TRUE(hasEvent(std::string("label|") + NO_SLIT_NOTICE));
    EXPECT_FALSE(hasEvent(announcement("SlitToggle", false)));
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.inSlit:", "false")));
    EXPECT_TRUE(unit::eventsStartingWith("slit").empty());

    hostClearEvents();
    unit::setOptions("inSlit: true"); /* docked by the file, but no Slit was handed over */
    broadcast("@WarbleInternal slittoggle");
    EXPECT_TRUE(options.inSlit);
    EXPECT_TRUE(hasEvent(std::string("label|") + NO_SLIT_NOTICE));
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.inSlit:", "true")));
}

TEST_F(Dispatcher, SlitToggleDocksAndUndocks) {
    HWND slit = hostSlitWindow();
    if (!slit) GTEST_SKIP() << "the shell runs without a Slit";
    shellLink.slit = slit;
    int x = options.xPos, y = options.yPos;

    broadcast("@WarbleInternal SlitToggle");
    EXPECT_TRUE(options.inSlit);
    int added = eventIndex("slit+|" + unit::hex(unit::pluginWindow()));
    EXPECT_GE(added, 0);
    EXPECT_GT(eventIndex(announcement("SlitToggle", true)), added);
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.inSlit:", "true")));
    unit::pumpFor(300); /* the Slit places its windows */
    EXPECT_EQ(x, options.xPos) << "the Slit's placement is not recorded";
    EXPECT_EQ(y, options.yPos);
    EXPECT_EQ(HTCLIENT, SendMessageA(unit::pluginWindow(), WM_NCHITTEST, 0, 0));

    hostClearEvents();
    broadcast("@WarbleInternal SlitToggle");
    EXPECT_FALSE(options.inSlit);
    int removed = eventIndex("slit-|" + unit::hex(unit::pluginWindow()));
    EXPECT_GE(removed, 0);
    EXPECT_GT(eventIndex(announcement("SlitToggle", false)), removed);
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.inSlit:", "false")));
    RECT r;
    GetWindowRect(unit::pluginWindow(), &r);
    EXPECT_EQ(x, r.left) << "back where it floated before";
    EXPECT_EQ(y, r.top);
}

TEST_F(Dispatcher, ToggleIdleStateStoresWritesAndShowsTheNewIdleText) {
    broadcast("@WarbleInternal ToggleIdleState 2");
    EXPECT_EQ(2, options.idleState);
    EXPECT_STREQ(L"Gone fishing", unit::caption().text);
    int state = eventIndex(writeEvent("Warble.plugin.idle.state:", "2"));
    int status = eventIndex("broadcast|@Warble_fromWinamp_Stopped");
    int format = eventIndex(writeEvent("Warble.plugin.idle.TimeStr:", DEFAULT_TIME_FORMAT));
    EXPECT_GE(state, 0);
    EXPECT_GT(status, state) << "the player is asked after the state is written";
    EXPECT_GT(format, status) << "the time format is written back last";
    EXPECT_TRUE(unit::eventsStartingWith("label|").empty()) << "not announced";
    EXPECT_STREQ(DEFAULT_TIME_FORMAT,
                 ReadString(settings().path, "Warble.plugin.idle.TimeStr:", ""))
        << "the file now holds the format in use";
    EXPECT_EQ(2, ReadInt(settings().path, "Warble.plugin.idle.state:", -1));
}

TEST_F(Dispatcher, ToggleIdleStateNumberRules) {
    broadcast("@WarbleInternal ToggleIdleState 2");
    ASSERT_EQ(2, options.idleState);
    broadcast("@WarbleInternal ToggleIdleState x");
    EXPECT_EQ(0, options.idleState) << "a letter reads as 0";
    EXPECT_STREQ(L"Couldn't Find Winamp", unit::caption().text);

    hostClearEvents();
    broadcast("@WarbleInternal ToggleIdleState 7");
    EXPECT_EQ(7, options.idleState);
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.idle.state:", "7")));
    EXPECT_STREQ(L"Warble", unit::caption().text);

    hostClearEvents();
    broadcast("@WarbleInternal toggleidlestate 2");
    EXPECT_EQ(7, options.idleState) << "matched with case: lower case is ignored";
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());

    broadcast("@WarbleInternal ToggleIdleState");
    EXPECT_EQ(7, options.idleState) << "without a blank there is no number: nothing changes";
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());

    broadcast("@WarbleInternal MyToggleIdleState 1");
    EXPECT_EQ(1, options.idleState) << "the word may stand anywhere in the command";
}

TEST_F(Dispatcher, TransparencyAlphaTakesTheNumberAsItIs) {
    broadcast("@WarbleInternal TransparencyAlpha 128");
    EXPECT_EQ(128, options.alpha);
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.transparency.alpha:", "128")));
    EXPECT_TRUE(unit::eventsStartingWith("label|").empty()) << "not announced";

    broadcast("@WarbleInternal transparencyALPHA 77");
    EXPECT_EQ(77, options.alpha);

    hostClearEvents();
    broadcast("@WarbleInternal TransparencyAlpha");
    EXPECT_EQ(77, options.alpha) << "without its blank the word matches nothing";
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());

    broadcast("@WarbleInternal TransparencyAlpha ");
    EXPECT_EQ(0, options.alpha) << "the blank alone: no digits, 0";
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.transparency.alpha:", "0")));

    broadcast("@WarbleInternal TransparencyAlpha 300");
    EXPECT_EQ(300, options.alpha);
    EXPECT_TRUE(hasEvent(writeEvent("Warble.plugin.transparency.alpha:", "300")));
    EXPECT_EQ(300, ReadInt(settings().path, "Warble.plugin.transparency.alpha:", -1));

    broadcast("@WarbleInternal TransparencyAlpha -5");
    EXPECT_EQ(-5, options.alpha);
}

TEST_F(Dispatcher, ScrollSpeedIsBroughtInsideItsRangeAndWritten) {
    const std::pair<const char *, int> cases[] = {{"4", 4}, {"50", 10}, {"-2", 1}, {" +3 ", 3}};
    for (const auto &c : cases) {
        broadcast((std::string("@WarbleInternal scrollSpeed ") + c.first).c_str());
        EXPECT_EQ(c.second, options.scrollSpeed) << c.first;
        EXPECT_EQ(c.second, ReadInt(settings().path, "Warble.plugin.scroll.speed:", 0)) << c.first;
    }
    hostClearEvents();
    broadcast("@WarbleInternal ScrollSpeed");
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty()) << "without its blank: nothing";

    /* A value that is no number is refused, and the label says so (the older number
       commands take a letter as 0, above). */
    const std::pair<const char *, const char *> refused[] = {
        {"ScrollSpeed abc", "ScrollSpeed: \"abc\""},
        {"ScrollSpeed ", "ScrollSpeed: \"\""},
        {"ScrollSpeed 4x", "ScrollSpeed: \"4x\""}};
    for (const auto &c : refused) {
        hostClearEvents();
        broadcast((std::string("@WarbleInternal ") + c.first).c_str());
        EXPECT_EQ(std::vector<std::string>{std::string("label|WarblePlugin -> ") + c.second +
                                           " is not a number"},
                  unit::eventsStartingWith("label|"));
        EXPECT_TRUE(unit::eventsStartingWith("write|").empty()) << c.first;
    }
    EXPECT_EQ(3, options.scrollSpeed);
}

TEST_F(Dispatcher, ScrollStyleCommandsSetOrSwitchAndWriteTheStyleName) {
    auto stored = [] {
        const char *style = ReadString(settings().path, "Warble.plugin.scroll_style:", nullptr);
        return std::string(style ? style : "(none)");
    };
    broadcast("@WarbleInternal ToggleScrollStyle");
    EXPECT_EQ("EndToEnd", stored());
    broadcast("@WarbleInternal togglescrollstyle");
    EXPECT_EQ("Stream", stored());
    /* Choosing the style already set keeps it; an unknown style changes nothing. */
    broadcast("@WarbleInternal ScrollStyle Stream");
    EXPECT_EQ("Stream", stored());
    broadcast("@WarbleInternal ScrollStyle Bounce");
    EXPECT_EQ("Stream", stored());
    broadcast("@WarbleInternal ScrollStyle endtoend");
    EXPECT_EQ("EndToEnd", stored());
    EXPECT_EQ(4u, unit::eventsStartingWith("broadcast|@Warble_fromWinamp_Stopped").size())
        << "each choice asks the player again";
    EXPECT_TRUE(unit::eventsStartingWith("label|").empty());
}

/* The file opened lists every key: the missing ones are written first, once. */
TEST_F(Dispatcher, EditOpensTheSettingsFileInTheShellsEditor) {
    broadcast("@WarbleInternal Edit");
    int opened = eventIndex("execute|C:\\warble-unit-no-such-folder\\editor.exe|" +
                            std::string(settings().path));
    EXPECT_GE(opened, 0);
    EXPECT_GT(opened, eventIndex(writeEvent("Warble.plugin.mouse.wheel:", "Volume")));
    for (const OptionRow &row : optionRows())
        EXPECT_EQ(!unsetNumber(row), ReadString(settings().path, row.key, nullptr) != nullptr)
            << row.key;
    const std::string file = unit::readFile(settingsPath());
    EXPECT_NE(std::string::npos, file.find("Gone fishing")) << "what the file held stays";
    /* Each added key after a comment naming its values, as the sample file has them. */
    EXPECT_NE(std::string::npos, file.find("# Warble.plugin.ellipsis takes: true or false\r\n"
                                           "Warble.plugin.ellipsis: false\r\n"));
    EXPECT_NE(std::string::npos, file.find("# Warble.plugin.scroll.when takes: Always, Once or "
                                           "Hover\r\nWarble.plugin.scroll.when: Always\r\n"));
    /* The rest left unset stays out: an empty value reads as 0 in many shells. */
    EXPECT_EQ(std::string::npos, file.find("scroll.pause")) << file;
    /* Where the kind's words say too little, the row's own: what the numbers mean, the fields. */
    EXPECT_NE(std::string::npos, file.find("# Warble.plugin.idle.state takes: what shows while "
                                           "nothing plays: 0 the errors, 1 the time, 2 the idle"));
    EXPECT_NE(std::string::npos,
              file.find("# Warble.plugin.format takes: text with the fields %title%, %artist%, "
                        "%song%, %track%, %elapsed%, %remaining%, %length%, %state% and %%"));
    hostClearEvents();
    broadcast("@WarbleInternal Edit");
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());
    broadcast("@WarbleInternal ToggleBorder");
    EXPECT_EQ(1u, unit::eventsStartingWith("write|").size()) << "only the change is written";

    /* A file far larger than any list of keys is opened as it is, and the label says so. */
    unit::writeFile(settingsPath(), "Warble.plugin.x: 40\r\n" + std::string(300 << 10, '#'));
    hostClearEvents();
    broadcast("@WarbleInternal Edit");
    EXPECT_TRUE(unit::eventsStartingWith("write|").empty());
    EXPECT_EQ(1u, unit::eventsStartingWith(std::string("label|") + FILE_TOO_LARGE_NOTICE).size());
    EXPECT_EQ(1u, unit::eventsStartingWith("execute|").size());
}

/* Finds the About box from another thread, reads it and closes it. */
struct BoxCloser {
    std::string text;
    bool found = false;
    HANDLE thread = nullptr;
    DWORD owner = 0;

    static BOOL CALLBACK collect(HWND child, LPARAM me) {
        char className[32] = "", text[512] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0) {
            GetWindowTextA(child, text, sizeof text);
            std::string &best = ((BoxCloser *)me)->text;
            if (strlen(text) > best.size()) best = text;
        }
        return TRUE;
    }
    static DWORD WINAPI run(LPVOID me) {
        BoxCloser *self = (BoxCloser *)me;
        for (int i = 0; i < 500; ++i) {
            HWND box = FindWindowA("#32770", "About this plugin...");
            if (box) {
                self->found = true;
                Sleep(50);
                EnumChildWindows(box, collect, (LPARAM)self);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return 0;
            }
            Sleep(10);
        }
        /* Not found: a quit message ends whatever modal loop the box runs, so
           that the test fails instead of hanging. */
        PostThreadMessageA(self->owner, WM_QUIT, 0, 0);
        return 0;
    }
    void start() {
        owner = GetCurrentThreadId();
        thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    void finish() {
        if (thread) {
            WaitForSingleObject(thread, 10000);
            CloseHandle(thread);
        }
    }
};

TEST_F(Dispatcher, AboutShowsThePluginsInformation) {
    BoxCloser closer;
    closer.start();
    broadcast("@WarbleInternal About"); /* returns when the box is closed */
    closer.finish();
    ASSERT_TRUE(closer.found) << "no box titled \"About this plugin...\"";
    EXPECT_EQ(0u, closer.text.find("Warble v0.96b\n\nAuthor : ")) << closer.text;
    EXPECT_NE(std::string::npos, closer.text.find("\nWeb: ")) << closer.text;
    EXPECT_NE(std::string::npos, closer.text.find("\nEmail: ")) << closer.text;
    EXPECT_NE('\n', closer.text.back());
    EXPECT_TRUE(IsWindow(unit::pluginWindow()));
}

TEST_F(Dispatcher, InternalPrefixRules) {
    ASSERT_TRUE(options.showBorder);
    broadcast("@warbleinternal ToggleBorder");
    EXPECT_FALSE(options.showBorder) << "the prefix matches in any case";
    broadcast("@WarbleInternalToggleBorder");
    EXPECT_TRUE(options.showBorder) << "no blank is needed after the prefix";
    broadcast("@WarbleInternal      ToggleBorder");
    EXPECT_FALSE(options.showBorder) << "several blanks are skipped";

    hostClearEvents();
    Options before = Options::now();
    broadcast("@WarbleInternal ToggleBorder ");
    broadcast("@WarbleInternal\tToggleBorder");
    broadcast("@WarbleInternal \tToggleBorder");
    broadcast("@WarbleInterna ToggleBorder");
    broadcast(" @WarbleInternal ToggleBorder");
    broadcast("@WarbleInternal");
    broadcast("@WarbleInternal ");
    broadcast("@WarbleInternal NoSuchCommand");
    EXPECT_TRUE(before == Options::now()) << "trailing blank, tab, or an unknown word: ignored";
    EXPECT_TRUE(hostEvents().empty());
}

TEST_F(Dispatcher, LowerCaseWordIsAnnouncedAsItCame) {
    ASSERT_TRUE(options.showBorder);
    broadcast("@WarbleInternal toggleborder");
    EXPECT_FALSE(options.showBorder);
    EXPECT_TRUE(hasEvent("label|WarblePlugin -> toggleborder disabled!"));
    broadcast("@WarbleInternal TOGGLEBORDER");
    EXPECT_TRUE(hasEvent("label|WarblePlugin -> TOGGLEBORDER enabled!"));
}

TEST_F(Dispatcher, OwnStatusTextsAndCompanionUpdatesAreIgnored) {
    broadcast("@Warble SetCaptionNow unchanged");
    hostClearEvents();
    Options before = Options::now();
    const char *echoes[] = {
        "@Warble_fromWinamp_Playing",
        "@Warble_fromWinamp_Paused",
        "@Warble_fromWinamp_Stopped",
        "@Warble_fromWinamp_Closed",
        "@Warble_fromWinamp_Opened",
        "@Warble_fromWinamp_TitleChange",
        "@Warble_fromWinamp_Result 104 1",
        "@DOVozizuvav Control SetControlProperty winampslider Value 0.250000",
        "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"unchanged\"",
        /* The companion's label carries the track's title, which strangers write. */
        "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"@Warble SetCaptionNow X\"",
        "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"x @Warble_toWinamp 1 2\"",
        "@DOVozizuvav Control SetAgent winamplabel Caption StaticText \"@WarbleInternal Edit\"",
        "@Someone @Warble SetCaptionNow X",
        "",
        "@Warble",
        /* Any blank or control character before the address, and only a whole word of
           the plugin's own counts as its address. */
        "\t@OtherPlugin @Warble SetCaptionNow X",
        "\r\n\x01@Other @Warble SetCaptionNow X",
        "@ @Warble SetCaptionNow X",
        "@W @Warble SetCaptionNow X",
        "@Warb @Warble SetCaptionNow X",
        "@NJ @Warble SetCaptionNow X",
        "@Warble_ @Warble SetCaptionNow X",
        "@Warble SetCaptionNow", /* without its blank */
        /* A first word that is not an address makes the text a stranger's, and only its
           own commands act under each address. */
        "\"@Warble SetCaptionNow INJECTED",
        "From a friend: @Warble SetCaptionNow X",
        "x @Warble_toWinamp CMD 40047",
        "@NJShowPlugins @Warble SetCaptionNow X",
        "@Warble_toWinamp @Warble SetCaptionNow X",
        "@WarbleInternal @Warble SetCaptionNow X",
    };
    for (const char *text : echoes)
        EXPECT_EQ(0, broadcast(text)) << text;
    {
        OutgoingBroadcast own("@Warble SetCaptionNow own");
        broadcast("@Warble SetCaptionNow own");
    }
    unit::pumpFor(100);
    EXPECT_TRUE(before == Options::now());
    EXPECT_STREQ(L"unchanged", unit::caption().text);
    EXPECT_TRUE(hostEvents().empty());
}

TEST_F(Dispatcher, GetWinampInfoInAnyCaseAsksThePlayer) {
    broadcast("@Warble SetCaptionNow placeholder");
    hostClearEvents();
    broadcast("@wARBLE gETwINAMPiNFO");
    EXPECT_TRUE(unit::pumpUntil(
        [] { return wcscmp(L"Couldn't Find Winamp", unit::caption().text) == 0; }));
    int closed = eventIndex("broadcast|@Warble_fromWinamp_Closed");
    EXPECT_GE(closed, 0);
    EXPECT_GT(eventIndex("broadcast|@Warble_fromWinamp_Stopped"), closed);

    broadcast("@Warble SetCaptionNow placeholder");
    hostClearEvents();
    broadcast("@Warble GetWinampInfo ");
    broadcast(" @Warble GetWinampInfo");
    unit::pumpFor(300);
    EXPECT_STREQ(L"placeholder", unit::caption().text)
        << "with a blank around it the text is another";
    EXPECT_TRUE(hostEvents().empty());

    /* A look the poller began before the last one was installed is out of date. */
    handPlayerLook({nullptr, -1, true}, 0, playerStatus.epoch - 1, unit::pluginWindow());
    EXPECT_STREQ(L"placeholder", unit::caption().text);
    EXPECT_TRUE(hostEvents().empty());
    handPlayerLook({nullptr, -1, true}, 0, playerStatus.epoch, unit::pluginWindow());
    EXPECT_STREQ(L"Couldn't Find Winamp", unit::caption().text);
}

TEST_F(Dispatcher, SetCaptionNowTakesWhatFollowsThePattern) {
    broadcast("@Warble from a friend: @Warble SetCaptionNow Hello there");
    EXPECT_STREQ(L"Hello there", unit::caption().text);
    broadcast("@Warble SetCaptionNow @Warble SetCaptionNow twice");
    EXPECT_STREQ(L"@Warble SetCaptionNow twice", unit::caption().text)
        << "the first occurrence counts";
    broadcast("@Warble SetCaptionNow ");
    EXPECT_STREQ(L"", unit::caption().text);
    broadcast("@Warble SetCaptionNow Simon & Garfunkel");
    EXPECT_STREQ(L"Simon & Garfunkel", unit::caption().text);

    broadcast("@Warble SetCaptionnow ignored");
    broadcast("@warble SetCaptionNow ignored");
    EXPECT_STREQ(L"Simon & Garfunkel", unit::caption().text) << "the pattern is matched with case";
}

TEST_F(Dispatcher, LongCaptionIsCutToTheCaptionText) {
    std::string text = "@Warble SetCaptionNow " + std::string(3000, 'L');
    broadcast(text.c_str());
    EXPECT_EQ(std::wstring(TEXT_SIZE - 1, L'L'), std::wstring(unit::caption().text));
    EXPECT_TRUE(IsWindow(unit::pluginWindow()));
}

TEST_F(Dispatcher, SetCaptionOnlyWhileWinampIsAbsent) {
    broadcast("@Warble SetCaption Hello");
    EXPECT_STREQ(L"Hello", unit::caption().text);

    unit::FakePlayer player;
    ASSERT_TRUE(player.window);
    playerStatus.window = player.window;
    broadcast("@Warble SetCaption Other");
    EXPECT_STREQ(L"Hello", unit::caption().text);
    broadcast("@Warble SetCaptionNow Now");
    EXPECT_STREQ(L"Now", unit::caption().text) << "SetCaptionNow works with Winamp present";
    playerStatus.window = nullptr;
}

TEST_F(Dispatcher, RelayOnlyWhileWinampIsKnown) {
    broadcast("@Warble_toWinamp WM_USER 125");
    unit::pumpFor(200);
    EXPECT_TRUE(unit::eventsStartingWith("broadcast|@Warble_fromWinamp_Result").empty());

    unit::FakePlayer player;
    ASSERT_TRUE(player.window);
    playerStatus.window = player.window;
    broadcast("@Warble_toWinamp WM_USER 125");
    EXPECT_TRUE(unit::pumpUntil(
        [] { return unit::hasEvent("broadcast|@Warble_fromWinamp_Result 125 1"); }));
    ASSERT_EQ(1u, unit::FakePlayer::received().size());
    EXPECT_EQ((UINT)WM_USER, unit::FakePlayer::received()[0].message);
    EXPECT_EQ(125, unit::FakePlayer::received()[0].lParam);
    playerStatus.window = nullptr;
}

TEST_F(Dispatcher, OnlyATextUnderTheRelaysAddressReachesThePlayer) {
    unit::FakePlayer player;
    ASSERT_TRUE(player.window);
    playerStatus.window = player.window;
    for (const char *text :
         {"@Warble SetCaption @Warble_toWinamp WM_USER 125", "x @Warble_toWinamp CMD 40047",
          "@warble_towinamp @Warble_toWinamp 1 2"})
        broadcast(text);
    unit::pumpFor(200);
    EXPECT_TRUE(unit::FakePlayer::received().empty());
    broadcast("\r\n @Warble_toWinamp WM_USER 125");
    EXPECT_TRUE(unit::pumpUntil(
        [] { return unit::hasEvent("broadcast|@Warble_fromWinamp_Result 125 1"); }));
    playerStatus.window = nullptr;
}

TEST_F(Dispatcher, BroadcastWithoutTextIsIgnored) {
    Options before = Options::now();
    EXPECT_EQ(0, SendMessageA(unit::pluginWindow(), MSG_BROADCAST, 0, 0));
    EXPECT_TRUE(before == Options::now());
    EXPECT_TRUE(hostEvents().empty());
}

TEST_F(Dispatcher, SetCaptionNowWinsOverTheRelay) {
    unit::FakePlayer player;
    ASSERT_TRUE(player.window);
    playerStatus.window = player.window;
    broadcast("@Warble SetCaptionNow @Warble_toWinamp");
    EXPECT_STREQ(L"@Warble_toWinamp", unit::caption().text);
    unit::pumpFor(200);
    EXPECT_TRUE(unit::FakePlayer::received().empty());
    EXPECT_TRUE(unit::eventsStartingWith("broadcast|@Warble_fromWinamp_Result").empty());
    playerStatus.window = nullptr;
}

TEST_F(Dispatcher, ShowAndHidePluginsInAnyCase) {
    ASSERT_TRUE(options.toggleWithPlugins);
    broadcast("@njhideplugins");
    EXPECT_TRUE(unit::display().placement.pluginsHidden);
    EXPECT_FALSE(IsWindowVisible(unit::pluginWindow()));
    broadcast("@NJSHOWPLUGINS");
    EXPECT_FALSE(unit::display().placement.pluginsHidden);
    EXPECT_TRUE(IsWindowVisible(unit::pluginWindow()));

    broadcast("@NJHidePlugins "); /* not the whole text */
    EXPECT_FALSE(unit::display().placement.pluginsHidden);
}

TEST_F(Dispatcher, HidePluginsWithoutToggleWithPluginsKeepsTheWindow) {
    broadcast("@WarbleInternal ToggleWithPlugins");
    ASSERT_FALSE(options.toggleWithPlugins);
    broadcast("@NJHidePlugins");
    EXPECT_TRUE(unit::display().placement.pluginsHidden);
    EXPECT_TRUE(IsWindowVisible(unit::pluginWindow()));
    /* Turning the option on while the shell hides its plugins hides the window. */
    broadcast("@WarbleInternal ToggleWithPlugins");
    EXPECT_FALSE(IsWindowVisible(unit::pluginWindow()));
    broadcast("@NJShowPlugins");
    EXPECT_TRUE(IsWindowVisible(unit::pluginWindow()));
}

TEST_F(Dispatcher, ShowAndHidePluginsChangeNothingWhileDocked) {
    unit::setOptions("inSlit: true");
    shellLink.slit = hostSlitWindow();
    broadcast("@NJHidePlugins");
    EXPECT_FALSE(unit::display().placement.pluginsHidden);
    EXPECT_TRUE(IsWindowVisible(unit::pluginWindow()));
    unit::display().placement.pluginsHidden = true;
    broadcast("@NJShowPlugins");
    EXPECT_TRUE(unit::display().placement.pluginsHidden);
    unit::display().placement.pluginsHidden = false;
}

/* Random and malformed broadcasts. "About" and "Edit" are left out: the one
   opens a modal box, the other starts a program. */
std::string randomBroadcast(std::mt19937 &random) {
    static const char *const pieces[] = {
        "@WarbleInternal",
        "@warbleinternal",
        "@WarbleInternal ",
        "SlitToggle",
        "ToggleDOVozizuvav",
        "ToggleIdleState",
        "ToggleIdleState ",
        "ToggleBorder",
        "ToggleScrolling",
        "AlwaysOnTop",
        "SnapWindowToEdge",
        "TransparencyEnabled",
        "TransbackEnabled",
        "TransparencyAlpha ",
        "ToggleWithPlugins",
        "ToggleTrackNumber",
        "ToggleScrollStyle",
        "ScrollStyle ",
        "@Warble GetWinampInfo",
        "@Warble SetCaptionNow ",
        "@Warble SetCaption ",
        "@NJShowPlugins",
        "@NJHidePlugins",
        "@Warble_toWinamp",
        "@Warble_fromWinamp_Playing",
        "@DOVozizuvav Control ",
        "WM_USER",
        "NJI_SPECIAL",
        "%",
        "&",
        "\"",
        "\r\n",
        "\t",
        " ",
        "  ",
        "-",
        "+",
        "2147483648",
        "-2147483649",
        "300",
        "0",
        "1",
        "2",
        "7",
    };
    std::uniform_int_distribution<int> kind(0, 2), byte(1, 255),
        pieceIndex(0, sizeof pieces / sizeof *pieces - 1);
    std::string text;
    switch (kind(random)) {
    case 0: { /* random bytes */
        size_t length = std::uniform_int_distribution<size_t>(0, 5000)(random);
        for (size_t i = 0; i < length; ++i)
            text += (char)byte(random);
        break;
    }
    case 1: { /* a mix of command words and bytes */
        int count = std::uniform_int_distribution<int>(1, 8)(random);
        for (int i = 0; i < count; ++i) {
            if (random() % 4 == 0)
                text += (char)byte(random);
            else
                text += pieces[pieceIndex(random)];
        }
        break;
    }
    default: { /* a well-formed command, sometimes with a long tail */
        static const char *const commands[] = {
            "@WarbleInternal ToggleBorder",
            "@WarbleInternal ToggleScrolling",
            "@WarbleInternal AlwaysOnTop",
            "@WarbleInternal SnapWindowToEdge",
            "@WarbleInternal TransbackEnabled",
            "@WarbleInternal TransparencyEnabled",
            "@WarbleInternal ToggleWithPlugins",
            "@WarbleInternal ToggleTrackNumber",
            "@WarbleInternal ToggleScrollStyle",
            "@WarbleInternal ToggleDOVozizuvav",
            "@WarbleInternal SlitToggle",
            "@WarbleInternal ToggleIdleState ",
            "@WarbleInternal TransparencyAlpha ",
            "@Warble SetCaptionNow ",
            "@Warble SetCaption ",
            "@NJHidePlugins",
            "@NJShowPlugins",
            "@Warble GetWinampInfo",
        };
        text = commands[random() % (sizeof commands / sizeof *commands)];
        if (text.back() == ' ') text += std::to_string((int)random() - (int)(random() / 2));
        if (random() % 8 == 0) text += std::string(random() % 4000, (char)byte(random));
    }
    }
    return text;
}

/* Every line of the settings file is "key: value", without NULs, and no key
   appears twice. */
void expectWellFormedSettingsFile(const std::string &path) {
    std::string content = unit::readFile(path);
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(std::string::npos, content.find('\0'));
    std::map<std::string, int> seen;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        size_t colon = line.find(':');
        ASSERT_NE(std::string::npos, colon) << "line without a key: " << line;
        ASSERT_GT(colon, 0u) << line;
        EXPECT_TRUE(colon + 1 == line.size() || line[colon + 1] == ' ') << line;
        std::string key = line.substr(0, colon + 1);
        CharLowerA(&key[0]);
        EXPECT_EQ(1, ++seen[key]) << "key twice: " << key;
        EXPECT_EQ(0u, key.rfind("warble.plugin.", 0)) << "stray line: " << line;
    }
}

TEST_F(Dispatcher, SurvivesRandomAndMalformedBroadcasts) {
    const unsigned seed = 20060219;
    std::mt19937 random(seed);
    for (int i = 0; i < 2000; ++i) {
        std::string text = randomBroadcast(random);
        ASSERT_EQ(0, broadcast(text.c_str())) << "broadcast " << i << " of seed " << seed;
        if (i % 50 == 0) unit::pumpMessages(); /* the plugin's threads may wait on us */
    }
    unit::pumpMessages();
    ASSERT_TRUE(IsWindow(unit::pluginWindow()));
    DWORD_PTR result = 1;
    EXPECT_TRUE(SendMessageTimeoutA(unit::pluginWindow(), MSG_BROADCAST, 0,
                                    (LPARAM) "@Warble SetCaptionNow alive", SMTO_NORMAL, 2000,
                                    &result));
    EXPECT_EQ(0u, result);
    EXPECT_STREQ(L"alive", unit::caption().text);
    EXPECT_LT(wcsnlen(unit::caption().text, TEXT_SIZE), (size_t)TEXT_SIZE);
    expectWellFormedSettingsFile(settings().path);
    std::vector<std::string> files = unit::filesIn(unit::shellFolder());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(std::vector<std::string>({"Warble.rc", "nightjar.rc"}), files)
        << "no temporary file left behind";
}

} // namespace
