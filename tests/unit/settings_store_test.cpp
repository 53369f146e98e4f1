/* The shell's settings store as the plugin uses it (reads with defaults,
   in-place writes, case-insensitive keys, no stray files), and the plugin's
   reading of its settings file: which of the four places wins, every key's
   default, and the few rules applied while reading. */
#include "core/text.h"
#include "display/caption.h"
#include "display/scroller.h"
#include "display/window.h"
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "winamp/winamp.h"
#include "unit_support.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace {

class SettingsStore : public testing::Test {
  protected:
    std::string folder;
    std::string path;

    void SetUp() override {
        folder = unit::shellFolder() + "store\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        path = folder + "Warble.rc";
        DeleteFileA(path.c_str());
    }

    void TearDown() override {
        for (const std::string &name : unit::filesIn(folder))
            DeleteFileA((folder + name).c_str());
        RemoveDirectoryA(folder.c_str());
    }

    void write(const std::string &content) { ASSERT_TRUE(unit::writeFile(path, content)); }
    std::string content() const { return unit::readFile(path); }
};

TEST_F(SettingsStore, RewriteInPlaceKeepsOtherLinesCommentsAndOrder) {
    write("# Warble settings\r\n"
          "Warble.plugin.x: 5\r\n"
          "! a comment: with a colon\r\n"
          "other.key: keep me\r\n"
          "\r\n"
          "Warble.plugin.y: 6\r\n");
    WriteInt(path.c_str(), "Warble.plugin.x:", 42);
    EXPECT_EQ("# Warble settings\r\n"
              "Warble.plugin.x: 42\r\n"
              "! a comment: with a colon\r\n"
              "other.key: keep me\r\n"
              "\r\n"
              "Warble.plugin.y: 6\r\n",
              content());
    WriteBool(path.c_str(), "Warble.plugin.y:", true);
    EXPECT_EQ("# Warble settings\r\n"
              "Warble.plugin.x: 42\r\n"
              "! a comment: with a colon\r\n"
              "other.key: keep me\r\n"
              "\r\n"
              "Warble.plugin.y: true\r\n",
              content());
}

TEST_F(SettingsStore, CommentedOutKeyIsNotTheKey) {
    write("# Warble.plugin.x: 1\r\nWarble.plugin.x: 2\r\n");
    EXPECT_EQ(2, ReadInt(path.c_str(), "Warble.plugin.x:", 0));
    WriteInt(path.c_str(), "Warble.plugin.x:", 3);
    EXPECT_EQ("# Warble.plugin.x: 1\r\nWarble.plugin.x: 3\r\n", content());
}

TEST_F(SettingsStore, KeysMatchWithoutRegardToCase) {
    write("warble.PLUGIN.x: 7\r\nother: 1\r\n");
    EXPECT_EQ(7, ReadInt(path.c_str(), "Warble.plugin.x:", 0));
    EXPECT_EQ(7, ReadInt(path.c_str(), "WARBLE.PLUGIN.X:", 0));
    WriteInt(path.c_str(), "Warble.plugin.X:", 8);
    std::string text = content();
    EXPECT_EQ(std::string::npos, text.find("7"));
    EXPECT_EQ(8, ReadInt(path.c_str(), "warble.plugin.x:", 0));
    EXPECT_EQ(2, std::count(text.begin(), text.end(), '\n')) << "replaced, not added: " << text;
}

TEST_F(SettingsStore, MissingKeyIsAppended) {
    write("a: 1\r\n");
    WriteString(path.c_str(), "b:", "two");
    EXPECT_EQ("a: 1\r\nb: two\r\n", content());

    write("a: 1"); /* no line break at the end */
    WriteString(path.c_str(), "b:", "two");
    EXPECT_EQ("a: 1\r\nb: two\r\n", content());

    write("a: 1\n"); /* the file's own line breaks are kept */
    WriteBool(path.c_str(), "b:", false);
    EXPECT_EQ("a: 1\nb: false\n", content());
}

TEST_F(SettingsStore, WriteCreatesAMissingFile) {
    ASSERT_FALSE(FileExists(path.c_str()));
    EXPECT_EQ(17, ReadInt(path.c_str(), "Warble.plugin.height:", 17));
    WriteInt(path.c_str(), "Warble.plugin.height:", 23);
    EXPECT_TRUE(FileExists(path.c_str()));
    EXPECT_EQ(23, ReadInt(path.c_str(), "Warble.plugin.height:", 17));
}

/* Numbers read as atoi reads them, as the most common shells do: only a missing key
   gives the default; flags not understood do. */
TEST_F(SettingsStore, NumbersReadAsAtoiAndOtherFlagsGiveTheDefaults) {
    write("i1: 12abc\r\n"
          "i2:\r\n"
          "i3: 99999999999\r\n"
          "i4: 1.5\r\n"
          "i5:   -15  \r\n"
          "i6: abc\r\n"
          "i7: +7\r\n"
          "i8: -2147483648\r\n"
          "i9: -99999999999999999999\r\n"
          "b1: yes\r\n"
          "b2: 1\r\n"
          "b3: TRUE\r\n"
          "b4: False\r\n"
          "b5: Off\r\n"
          "b6: maybe\r\n"
          "s1:    padded text   \r\n");
    const char *p = path.c_str();
    const struct {
        const char *key;
        int read;
    } numbers[] = {{"i1:", 12}, {"i2:", 0}, {"i3:", INT_MAX}, {"i4:", 1},       {"i5:", -15},
                   {"i6:", 0},  {"i7:", 7}, {"i8:", INT_MIN}, {"i9:", INT_MIN}, {"missing:", -1}};
    for (const auto &n : numbers)
        EXPECT_EQ(n.read, ReadInt(p, n.key, -1)) << n.key;
    EXPECT_TRUE(ReadBool(p, "b1:", false));
    EXPECT_TRUE(ReadBool(p, "b2:", false));
    EXPECT_TRUE(ReadBool(p, "b3:", false));
    EXPECT_FALSE(ReadBool(p, "b4:", true));
    EXPECT_FALSE(ReadBool(p, "b5:", true));
    EXPECT_FALSE(ReadBool(p, "b6:", false));
    EXPECT_TRUE(ReadBool(p, "b6:", true));
    EXPECT_STREQ("padded text", ReadString(p, "s1:", "default"));
    const char *fallback = "default";
    EXPECT_EQ(fallback, ReadString(p, "missing:", fallback));
}

TEST_F(SettingsStore, LongValueIsCutSafely) {
    std::string value(5000, 'v');
    WriteString(path.c_str(), "Warble.plugin.font:", value.c_str());
    const char *read = ReadString(path.c_str(), "Warble.plugin.font:", "");
    size_t n = strlen(read);
    EXPECT_GT(n, 0u);
    EXPECT_LE(n, value.size());
    EXPECT_EQ(std::string(n, 'v'), std::string(read));
}

TEST_F(SettingsStore, LinesEndInLfCrlfOrALoneCr) {
    write("a: 1\rb: 2\nc: 3\r\nd: 4");
    const char *p = path.c_str();
    EXPECT_EQ(1, ReadInt(p, "a:", 0));
    EXPECT_EQ(2, ReadInt(p, "b:", 0));
    EXPECT_EQ(3, ReadInt(p, "c:", 0));
    EXPECT_EQ(4, ReadInt(p, "d:", 0));
    WriteInt(p, "b:", 5);
    WriteInt(p, "a:", 6);
    EXPECT_EQ("a: 6\rb: 5\nc: 3\r\nd: 4", content()) << "each line keeps its own ending";
}

TEST_F(SettingsStore, HiddenFileStaysHiddenAfterAWrite) {
    write("a: 1\r\n");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    WriteInt(path.c_str(), "a:", 7);
    EXPECT_EQ("a: 7\r\n", content());
    EXPECT_EQ(FILE_ATTRIBUTE_HIDDEN, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(path.c_str(), 0);
}

TEST_F(SettingsStore, FileUnreadableOrReadOnlyIsNeverRewritten) {
    const std::string small = "Warble.plugin.x: 1\r\n";
    const std::string large = small + std::string(33 * 1024 * 1024, '#') + "\r\n";
    const struct {
        const std::string &text;
        bool readOnly, heldOpen; /* held open, without sharing, by another program */
        const char *why;
    } cases[] = {{large, false, false, "the file cannot be read whole"},
                 {small, true, false, "the file is read-only"},
                 {small, false, true, "another program holds the file open"}};
    for (const auto &c : cases) {
        write(c.text);
        SetFileAttributesA(path.c_str(), c.readOnly ? FILE_ATTRIBUTE_READONLY : 0);
        HANDLE held = c.heldOpen ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
        hostClearEvents();
        EXPECT_EQ(c.readOnly ? 1 : 7, ReadInt(path.c_str(), "Warble.plugin.x:", 7)) << c.why;
        WriteInt(path.c_str(), "Warble.plugin.width:", 120);
        WriteBool(path.c_str(), "Warble.plugin.x:", true);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_TRUE(content() == c.text) << "left whole: " << content().size() << " bytes";
        EXPECT_EQ(c.readOnly, (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
        EXPECT_EQ(2u,
                  unit::eventsStartingWith("store|" + path + "|not rewritten: " + c.why).size());
        SetFileAttributesA(path.c_str(), 0);
    }
}

TEST_F(SettingsStore, ValueWithALineBreakStaysOneLine) {
    write("a: 1\r\n");
    WriteString(path.c_str(), "Warble.plugin.idle.message:", "first\r\nb: injected");
    EXPECT_STREQ("first", ReadString(path.c_str(), "Warble.plugin.idle.message:", ""));
    EXPECT_EQ(7, ReadInt(path.c_str(), "b:", 7));
}

TEST_F(SettingsStore, NoTemporaryFileIsLeftBehind) {
    /* Left by killed writes: an ended process's and this process's own go at the next
       write; a running process's, and anything not named as the store names them, stay. */
    DWORD running = 0, self = GetCurrentProcessId();
    GetWindowThreadProcessId(GetDesktopWindow(), &running);
    ASSERT_NE(running, self);
    std::vector<std::string> kept = {"Warble.rc",
                                     "Warble.rc." + std::to_string(running) + ".1.tmp",
                                     "Warble.rc.12.tmp",
                                     "Warble.rc.1x.2.tmp",
                                     "Warble.rc.4294967296.2.tmp",
                                     "Warble.rc.5.6.tmp.bak",
                                     "Warblerc.5.6.tmp"};
    for (const std::string &name : kept)
        unit::writeFile(folder + name, "x");
    unit::writeFile(folder + "Warble.rc.4294967292.7.tmp", "x");
    unit::writeFile(folder + "WARBLE.RC." + std::to_string(self) + ".99.TMP", "x");
    write("a: 1\r\n");
    for (int i = 0; i < 40; ++i) {
        WriteInt(path.c_str(), "Warble.plugin.x:", i);
        WriteBool(path.c_str(), "Warble.plugin.scrolling:", i % 2 == 0);
        WriteString(path.c_str(), "Warble.plugin.scroll_style:", i % 2 ? "Stream" : "EndToEnd");
    }
    /* A replace that fails (the file held open by a reader that forbids it) leaves the
       file as it was and takes its temporary file away. */
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    hostClearEvents();
    WriteInt(path.c_str(), "Warble.plugin.x:", 99);
    CloseHandle(reader);
    EXPECT_EQ(1u, unit::eventsStartingWith("store|" + path +
                                           "|not rewritten: the file could not be replaced")
                      .size());
    std::vector<std::string> left = unit::filesIn(folder);
    std::sort(left.begin(), left.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, left);
    EXPECT_EQ(39, ReadInt(path.c_str(), "Warble.plugin.x:", 0));
}

/* Two saves of the same size within one tick of the file's clock share a stamp: the
   second is read all the same, also after a moment has passed. */
TEST_F(SettingsStore, ASecondSaveUnderTheSameStampIsRead) {
    write("Warble.plugin.x: 111\r\n");
    EXPECT_EQ(111, ReadInt(path.c_str(), "Warble.plugin.x:", 0));
    FILETIME written;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    write("Warble.plugin.x: 222\r\n");
    file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    EXPECT_EQ(222, ReadInt(path.c_str(), "Warble.plugin.x:", 0));
}

/* A file saved as UTF-8 with a byte-order mark: its first key is read, the mark stays
   where it is after a write, and the record says the file is UTF-8. */
TEST_F(SettingsStore, AByteOrderMarkIsSkippedAndKept) {
    write("\xEF\xBB\xBFWarble.plugin.x: 720\r\n");
    hostClearEvents();
    EXPECT_EQ(720, ReadInt(path.c_str(), "Warble.plugin.x:", 10));
    WriteInt(path.c_str(), "Warble.plugin.x:", 730);
    EXPECT_EQ("\xEF\xBB\xBFWarble.plugin.x: 730\r\n", content());
    EXPECT_FALSE(unit::eventsStartingWith("store|" + path + "|the file is UTF-8").empty());
}

/* A file emptied a moment ago may be written any moment: no write is based on it. */
TEST_F(SettingsStore, AFileEmptiedAMomentAgoIsNotWritten) {
    write("");
    hostClearEvents();
    WriteInt(path.c_str(), "Warble.plugin.x:", 5);
    EXPECT_EQ("", content());
    EXPECT_EQ(
        1u,
        unit::eventsStartingWith("store|" + path + "|not rewritten: the file was emptied").size());
}

TEST_F(SettingsStore, FileExistsOnlyForFiles) {
    write("");
    EXPECT_TRUE(FileExists(path.c_str()));
    EXPECT_FALSE(FileExists(folder.c_str()));
    EXPECT_FALSE(FileExists((folder + "no-such-file").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
}

/* The plugin's own reading of its settings file. The program itself stands in
   for the plugin's library, so "beside the plugin" is the program's folder. */
class ReadSettings : public unit::StateTest {
  protected:
    void SetUp() override {
        unit::StateTest::SetUp();
        unit::removeSettingsFiles();
        shellLink.instance = GetModuleHandleA(nullptr);
    }
    void TearDown() override {
        unit::removeSettingsFiles();
        unit::StateTest::TearDown();
    }
    static void place(const std::string &path, const std::string &content) {
        ASSERT_TRUE(unit::writeFile(path, content)) << path;
    }
    static std::string beside(const char *name) { return unit::pluginFolder() + name; }
    static std::string inShell(const char *name) { return unit::shellFolder() + name; }
};

TEST_F(ReadSettings, WarblercBesideThePluginComesFirst) {
    place(beside("Warblerc"), "Warble.plugin.x: 1\r\n");
    place(beside("Warble.rc"), "Warble.plugin.x: 2\r\n");
    place(inShell("Warblerc"), "Warble.plugin.x: 3\r\n");
    place(inShell("Warble.rc"), "Warble.plugin.x: 4\r\n");
    readSettings(settings);
    EXPECT_EQ(beside("Warblerc"), settings.path);
    EXPECT_EQ(1, options.xPos);
}

TEST_F(ReadSettings, FolderOrderComesBeforeNameOrder) {
    place(beside("Warble.rc"), "Warble.plugin.x: 2\r\n");
    place(inShell("Warblerc"), "Warble.plugin.x: 3\r\n");
    readSettings(settings);
    EXPECT_EQ(beside("Warble.rc"), settings.path);
    EXPECT_EQ(2, options.xPos);
}

TEST_F(ReadSettings, ShellFolderIsSearchedSecond) {
    place(inShell("Warblerc"), "Warble.plugin.x: 3\r\n");
    place(inShell("Warble.rc"), "Warble.plugin.x: 4\r\n");
    readSettings(settings);
    EXPECT_EQ(inShell("Warblerc"), settings.path);
    EXPECT_EQ(3, options.xPos);

    DeleteFileA(inShell("Warblerc").c_str());
    readSettings(settings);
    EXPECT_EQ(inShell("Warble.rc"), settings.path);
    EXPECT_EQ(4, options.xPos);
}

TEST_F(ReadSettings, FileCreatedInAnEarlierPlaceTakesOverAtTheNextRead) {
    place(inShell("Warble.rc"), "Warble.plugin.x: 4\r\n");
    readSettings(settings);
    ASSERT_EQ(inShell("Warble.rc"), settings.path);
    place(beside("Warblerc"), "Warble.plugin.x: 1\r\n");
    readSettings(settings);
    EXPECT_EQ(beside("Warblerc"), settings.path);
    EXPECT_EQ(1, options.xPos);
}

/* Each key's default is the options table's test; here, that reading creates nothing. */
TEST_F(ReadSettings, WithoutAnyFileNothingIsCreated) {
    readSettings(settings);
    EXPECT_EQ(beside("Warble.rc"), settings.path);
    EXPECT_FALSE(unit::fileExists(settings.path)) << "reading creates no file";
    EXPECT_EQ(10, options.xPos);
}

TEST_F(ReadSettings, EveryKeyIsReadFromTheFile) {
    place(inShell("Warble.rc"), "Warble.plugin.x: -40\r\n"
                                "Warble.plugin.y: 1234\r\n"
                                "Warble.plugin.doVozizuvavExtensions: false\r\n"
                                "Warble.plugin.inSlit: true\r\n"
                                "Warble.plugin.transparency.enabled: true\r\n"
                                "Warble.plugin.transback.enabled: true\r\n"
                                "Warble.plugin.transparency.alpha: 300\r\n"
                                "Warble.plugin.alwaysontop: false\r\n"
                                "Warble.plugin.snapwindow: false\r\n"
                                "Warble.plugin.togglewithplugins: false\r\n"
                                "Warble.plugin.update.url: http://example.org/u\r\n"
                                "Warble.plugin.width: 321\r\n"
                                "Warble.plugin.height: 45\r\n"
                                "Warble.plugin.scrolling: true\r\n"
                                "Warble.plugin.showTrackNumber: false\r\n"
                                "Warble.plugin.showBorder: false\r\n"
                                "Warble.plugin.scroll_style: EndToEnd\r\n"
                                "Warble.plugin.useCustomFont: true\r\n"
                                "Warble.plugin.font: Courier New\r\n"
                                "Warble.plugin.font.height: 20\r\n"
                                "Warble.plugin.font.weight: 700\r\n"
                                "Warble.plugin.idle.state: 2\r\n"
                                "Warble.plugin.idle.message: Gone fishing\r\n"
                                "Warble.plugin.idle.TimeStr: %H:%M\r\n");
    readSettings(settings);
    EXPECT_EQ(inShell("Warble.rc"), settings.path);
    EXPECT_EQ(-40, options.xPos);
    EXPECT_EQ(1234, options.yPos);
    EXPECT_FALSE(options.interfaceExtensions);
    EXPECT_TRUE(options.inSlit);
    EXPECT_TRUE(options.transparencyEnabled);
    EXPECT_TRUE(options.transBackEnabled);
    EXPECT_EQ(300, options.alpha) << "stored whole, not limited to a byte";
    EXPECT_FALSE(options.alwaysOnTop);
    EXPECT_FALSE(options.snapWindow);
    EXPECT_FALSE(options.toggleWithPlugins);
    EXPECT_STREQ("http://example.org/u", options.updateUrl);
    EXPECT_EQ(321, options.width);
    EXPECT_EQ(45, options.height);
    EXPECT_TRUE(options.scrolling);
    EXPECT_FALSE(options.showTrackNumber);
    EXPECT_FALSE(options.showBorder);
    EXPECT_TRUE(options.scrollStyle);
    EXPECT_TRUE(options.useCustomFont);
    EXPECT_STREQ("Courier New", options.fontFace);
    EXPECT_EQ(20, options.fontHeight);
    EXPECT_EQ(700, options.fontWeight);
    EXPECT_EQ(2, options.idleState);
    EXPECT_STREQ("Gone fishing", options.idleMessage);
    EXPECT_STREQ("%H:%M", options.idleTimeFormat);
}

TEST_F(ReadSettings, WidthAndHeightAreAtLeastFive) {
    const int values[] = {3, 0, -20, 4};
    for (int value : values) {
        char text[128];
        snprintf(text, sizeof text, "Warble.plugin.width: %d\r\nWarble.plugin.height: %d\r\n",
                 value, value);
        place(inShell("Warble.rc"), text);
        readSettings(settings);
        EXPECT_EQ(5, options.width) << "width " << value;
        EXPECT_EQ(5, options.height) << "height " << value;
    }
    place(inShell("Warble.rc"), "Warble.plugin.width: 5\r\nWarble.plugin.height: 6\r\n");
    readSettings(settings);
    EXPECT_EQ(5, options.width);
    EXPECT_EQ(6, options.height);
}

TEST_F(ReadSettings, OnlyTheExactWordStreamSelectsTheStream) {
    const struct {
        const char *value;
        bool endToEnd;
    } cases[] = {{"Stream", false},
                 {"stream", true},
                 {"STREAM", true},
                 {"EndToEnd", true},
                 {"Bounce", true}};
    for (const auto &c : cases) {
        place(inShell("Warble.rc"), std::string("Warble.plugin.scroll_style: ") + c.value + "\r\n");
        unit::setOptions(c.endToEnd ? "scroll_style: Stream" : "scroll_style: EndToEnd");
        readSettings(settings);
        EXPECT_EQ(c.endToEnd, options.scrollStyle) << c.value;
    }
}

TEST_F(ReadSettings, LongTextValuesAreCutToTheRecordsTexts) {
    place(inShell("Warble.rc"), "Warble.plugin.font: " + std::string(900, 'f') +
                                    "\r\nWarble.plugin.idle.message: " + std::string(900, 'm') +
                                    "\r\nWarble.plugin.update.url: " + std::string(900, 'u') +
                                    "\r\nWarble.plugin.x: 77\r\n");
    readSettings(settings);
    EXPECT_EQ(std::string(TEXT_SIZE - 1, 'f'), std::string(options.fontFace));
    EXPECT_EQ(std::string(TEXT_SIZE - 1, 'm'), std::string(options.idleMessage));
    EXPECT_EQ(std::string(TEXT_SIZE - 1, 'u'), std::string(options.updateUrl));
    EXPECT_EQ(77, options.xPos) << "the keys after a long one are still read";
}

TEST_F(ReadSettings, ScrollSpeedRestAndHidingAreReadInsideTheirRanges) {
    const struct {
        const char *lines;
        int speed, rest;
        bool hide;
    } cases[] = {
        {"Warble.plugin.scrolling: true\r\n", 1, OPTION_UNSET, false},
        {"Warble.plugin.scroll.speed: 4\r\nWarble.plugin.scroll.pause: 40\r\n"
         "Warble.plugin.hideWhenIdle: true\r\n",
         4, 40, true},
        {"Warble.plugin.scroll.speed: 0\r\nWarble.plugin.scroll.pause: -3\r\n", 1, 0, false},
        {"Warble.plugin.scroll.speed: 11\r\nWarble.plugin.scroll.pause: 500\r\n", 10, 200, false},
        {"Warble.plugin.scroll.speed: fast\r\nWarble.plugin.scroll.pause:\r\n", 1, OPTION_UNSET,
         false},
        {"Warble.plugin.scroll.pause: 0\r\n", 1, 0, false},
    };
    for (const auto &c : cases) {
        place(inShell("Warble.rc"), c.lines);
        unit::setOptions("scroll.speed: 7\nscroll.pause: 7\nhideWhenIdle: " +
                         std::string(c.hide ? "false" : "true"));
        readSettings(settings);
        EXPECT_EQ(c.speed, options.scrollSpeed) << c.lines;
        EXPECT_EQ(c.rest, options.edgeRest) << c.lines;
        EXPECT_EQ(c.hide, options.hideWhenIdle) << c.lines;
    }
}

/* A file written before the speed, the rest and the hiding existed: the bounce
   still rests 25 ticks past each end, the stream runs on without resting, and
   the window stays shown while nothing plays. */
TEST_F(ReadSettings, FileWithoutTheNewKeysScrollsAndShowsAsBefore) {
    place(inShell("Warble.rc"), "Warble.plugin.scrolling: true\r\n"
                                "Warble.plugin.scroll_style: EndToEnd\r\n");
    unit::setOptions("scroll.speed: 7\nscroll.pause: 7\nhideWhenIdle: true");
    readSettings(settings);
    /* The scroll's copy of the options, as the change path hands it. */
    Display shown{};
    ASSERT_TRUE(createCaptionModel(shown.caption));
    CaptionModel &m = *shown.caption;
    handScroller(shown, {false, WINAMP_PLAYING}, nullptr);
    m.scrollX = m.edgeRestTicks = 0;
    m.scrollMin = -10;
    m.scrollForward = true;
    std::vector<int> xs, expected(26, 1);
    expected.insert(expected.end(), {0, -1});
    for (size_t n = 0; n < expected.size(); ++n) {
        stepEndToEnd(m);
        xs.push_back(m.scrollX);
    }
    EXPECT_EQ(expected, xs);

    m.scrollX = 2;
    m.textWidth = 2;
    xs.clear();
    for (int n = 0; n < 4; ++n) {
        stepStream(m);
        xs.push_back(m.scrollX);
    }
    EXPECT_EQ(std::vector<int>({1, 0, -1, -2}), xs);

    for (int state : {-1, 0, 1, 3}) {
        m.playState = state;
        EXPECT_FALSE(windowHidden(shown)) << "play state " << state;
    }
}

/* A file gone for a moment keeps the options for 2 s, whatever the tick is when it is
   first found gone. */
TEST_F(ReadSettings, AFileGoneForAMomentKeepsItsOptionsOnEitherTick) {
    for (DWORD parity : {0u, 1u, 0u, 1u}) {
        place(inShell("Warble.rc"), "Warble.plugin.x: 300\r\n");
        readSettings(settings);
        DeleteFileA(inShell("Warble.rc").c_str());
        while ((GetTickCount() & 1) != parity) {
        }
        EXPECT_GT(settingsReadyIn(settings), 1000u)
            << "first found gone on a tick of parity " << parity;
        EXPECT_EQ(300, options.xPos);
    }
}

/* A key removed returns to its default; a file the shell cannot read whole changes
   nothing, and the shell's log says why. */
TEST_F(ReadSettings, KeyRemovedFromTheFileReturnsToItsDefault) {
    place(inShell("Warble.rc"), "Warble.plugin.idle.message: Gone fishing\r\n");
    readSettings(settings);
    ASSERT_STREQ("Gone fishing", options.idleMessage);
    place(inShell("Warble.rc"), "Warble.plugin.x: 300\r\n");
    EXPECT_TRUE(rereadSettings(settings));
    EXPECT_STREQ("Warble", options.idleMessage);
    EXPECT_EQ(300, options.xPos);

    hostClearEvents();
    place(inShell("Warble.rc"), "Warble.plugin.x: 7\r\n" + std::string(33 << 20, '#'));
    EXPECT_FALSE(rereadSettings(settings));
    EXPECT_EQ(300, options.xPos);
    EXPECT_EQ(1u, unit::eventsStartingWith("store|" + inShell("Warble.rc") +
                                           "|not read: the file cannot be read whole")
                      .size());
}

} // namespace
