/* The options table against what users meet of it: the sample Warble.rc and the
   README's settings table name every key once with its default; a file without the
   key reads the sample's default, a number outside the README's range for it reads
   inside it (one without a range reads as it is), and each command word changes the
   option, writes it and reads back as written. */
#include "display/caption.h"
#include "commands/menu.h"
#include "display/surfaces.h"
#include "nightjar/nightjar.h"
#include "plugin/lifecycle.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "unit_support.h"
#include "winamp/winamp.h"

#include <algorithm>
#include <functional>
#include <limits.h>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

/* Each "key: value" line of text (cells of "| `key` | kind | default |" rows for the
   README), by key, with how often the key appears. */
std::map<std::string, std::pair<int, std::string>> entries(const std::string &text, bool readme) {
    std::map<std::string, std::pair<int, std::string>> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        /* A key the sample leaves out (a number without a default) is commented out. */
        if (!readme && line.compare(0, 15, "#Warble.plugin.") == 0) line.erase(0, 1);
        std::string key, value;
        if (readme && line.compare(0, 17, "| `Warble.plugin.") == 0) {
            size_t keyEnd = line.find("` |", 3);
            size_t kindEnd = line.find(" | ", keyEnd + 3);
            size_t defaultEnd = line.find(" | ", kindEnd + 3);
            key = line.substr(3, keyEnd - 3);
            value = line.substr(keyEnd + 4, kindEnd - keyEnd - 4) + "|" +
                    line.substr(kindEnd + 3, defaultEnd - kindEnd - 3);
        } else if (!readme && !line.empty() && line[0] != '#' && line.find(':') != line.npos) {
            key = line.substr(0, line.find(':') + 1);
            value = line.substr(key.size());
            if (!value.empty() && value[0] == ' ') value.erase(0, 1);
        } else {
            continue;
        }
        auto &entry = found[key];
        entry.first++;
        entry.second = value;
    }
    return found;
}

const char *const KIND_WORDS[] = {"boolean", "integer", "text", "text"};

TEST(OptionsTable, SampleFileAndReadmeNameEveryKeyOnceWithItsDefault) {
    auto sample = entries(unit::readFile(WARBLE_SOURCE_DIR "/package/Warble.rc"), false);
    auto readme = entries(unit::readFile(WARBLE_SOURCE_DIR "/README.md"), true);
    size_t rows = 0;
    for (const OptionRow &row : optionRows()) {
        ++rows;
        EXPECT_EQ(1, sample[row.key].first) << row.key;
        EXPECT_EQ(row.defaultText, sample[row.key].second) << row.key;
        std::string shown = row.defaultText[0] ? row.defaultText : "empty";
        if (shown.find('%') != shown.npos) shown = "`" + shown + "`";
        EXPECT_EQ(1, readme[row.key].first) << row.key;
        EXPECT_EQ(std::string(KIND_WORDS[row.kind]) + "|" + shown, readme[row.key].second)
            << row.key;
    }
    EXPECT_EQ(rows, sample.size()) << "package/Warble.rc names a key the table lacks";
    EXPECT_EQ(rows, readme.size()) << "the README names a key the table lacks";
}

class OptionsTableRunning : public unit::RunningPlugin {
  protected:
    /* Reads a settings file of the given lines, as a reconfigure does. */
    void readFrom(const std::string &lines) {
        ASSERT_TRUE(unit::writeFile(settingsPath(), lines));
        readSettings(settings());
    }
    /* What the settings file holds for the row; first written with the value in use. */
    static std::string stored(const OptionRow &row, bool write = true) {
        if (write) rewriteOption(settings(), row);
        const char *text = ReadString(settings().path, row.key, nullptr);
        return text ? text : "(none)";
    }
};

/* The range the README gives an integer key in its meaning: "at least N" or "N–M",
   none where only the low byte counts or no range is named; false for other keys. */
bool readmeRange(const std::string &readme, const char *key, std::pair<int, int> &range) {
    size_t at = readme.find(std::string("| `") + key + "` | integer |");
    if (at == readme.npos) return false;
    std::string line = readme.substr(at, readme.find('\n', at) - at);
    std::smatch found;
    range = {INT_MIN, INT_MAX};
    if (line.find("low byte") != line.npos) return true;
    if (std::regex_search(line, found, std::regex("at least (\\d+)")))
        range.first = std::stoi(found[1]);
    else if (std::regex_search(line, found, std::regex("(\\d+)\xE2\x80\x93(\\d+)")))
        range = {std::stoi(found[1]), std::stoi(found[2])};
    return true;
}

TEST_F(OptionsTableRunning, EveryRowReadsItsDefaultItsRangeAndTakesItsCommand) {
    auto sample = entries(unit::readFile(WARBLE_SOURCE_DIR "/package/Warble.rc"), false);
    const std::string readme = unit::readFile(WARBLE_SOURCE_DIR "/README.md");
    for (const OptionRow &row : optionRows()) {
        const std::string &byDefault = sample[row.key].second;
        readFrom("# none of the keys\r\n");
        EXPECT_EQ(unsetNumber(row) ? "(none)" : byDefault, stored(row)) << row.key << " absent";
        std::pair<int, int> range = {INT_MIN, INT_MAX};
        const bool isNumber = readmeRange(readme, row.key, range);
        for (int outside : {range.first > INT_MIN ? range.first - 1 : -100000,
                            range.second < INT_MAX ? range.second + 1 : 100000}) {
            if (!isNumber) continue;
            readFrom(std::string(row.key) + " " + std::to_string(outside) + "\r\n");
            EXPECT_EQ(std::clamp(outside, range.first, range.second), numberOption(row))
                << row.key << " " << outside;
        }
        if (row.kind == OPTION_CHOICE && !(row.flags & OPTION_EXACT)) {
            readFrom(std::string(row.key) + " Bogus\r\n");
            EXPECT_EQ(byDefault, stored(row)) << row.key << " Bogus";
        }
        if (row.command == COMMAND_NONE || row.command == COMMAND_DOCK) continue;

        std::string command = std::string("@WarbleInternal ") + row.word;
        std::string before = stored(row);
        int number = (range.first > INT_MIN ? range.first : 0) + 2;
        if (isNumber) command += " " + std::to_string(number);
        if (row.command == COMMAND_CHOICE) command += std::string(" ") + row.words[1];
        readFrom(std::string(row.key) + " " + before + "\r\n");
        broadcast(command.c_str());
        if (isNumber)
            EXPECT_EQ(std::to_string(number), stored(row, false)) << command;
        else
            EXPECT_NE(before, stored(row, false)) << command;
        if (isNumber && range.second < INT_MAX) {
            broadcast((std::string("@WarbleInternal ") + row.word + " 999999").c_str());
            EXPECT_EQ(std::to_string(range.second), stored(row, false)) << row.word << " 999999";
        }
    }
}

/* Every key edited in the file as a user saves it shows its effect within 2 s, without
   a reconfigure: on the window, the caption, the menu, the companion, what the mouse
   sends a stand-in player, or (for what shows only with a playing track or a wide
   caption) the value in use. The idle time and hiding while idle come in a second save,
   as each hides another's effect, with the mouse's actions; the wheel's step in a third,
   as the wheel changes the track in the second. */
TEST_F(OptionsTableRunning, EveryKeyEditedInTheFileShowsWithinTwoSeconds) {
    HWND w = unit::pluginWindow();
    auto layered = [w](BYTE *alpha) {
        COLORREF key;
        DWORD flags;
        return GetLayeredWindowAttributes(w, &key, alpha, &flags) != FALSE;
    };
    auto font = [](LOGFONTA *f) {
        return captionFont(unit::display()) &&
               GetObjectA(captionFont(unit::display()), sizeof *f, f) == sizeof *f;
    };
    auto rect = [w] {
        RECT r;
        GetWindowRect(w, &r);
        return r;
    };
    /* The menu as it is built now: each round of checks opens it once. */
    std::vector<std::string> menu;
    auto openMenu = [&menu] {
        size_t before = hostEvents().size();
        showConfigMenu(unit::display(), false);
        std::vector<std::string> all = hostEvents();
        menu.assign(all.begin() + before, all.end());
    };
    auto inMenu = [&menu](const std::string &item) {
        return std::find(menu.begin(), menu.end(), "menu|" + item) != menu.end();
    };
    const std::string C = "item|Warble_IDConfig|", S = "item|Warble_ScrollStyle|";
    struct Edit {
        const char *line;
        std::function<bool()> shows;
    };
    const std::vector<Edit> first = {
        {"alwaysontop: false", [w] { return !(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST); }},
        {"inSlit: true", [&] { return inMenu(C + "Docked to Slit|@WarbleInternal SlitToggle|1"); }},
        {"snapwindow: false",
         [&] { return inMenu(C + "Snap Window To Edge|@WarbleInternal SnapWindowToEdge|0"); }},
        {"togglewithplugins: false",
         [&] { return inMenu(C + "Toggle With Plugins|@WarbleInternal ToggleWithPlugins|0"); }},
        {"doVozizuvavExtensions: true",
         [] { return !unit::eventsStartingWith("broadcast|@DOVozizuvav").empty(); }},
        {"transparency.enabled: true",
         [&] {
             BYTE a = 0;
             return layered(&a) && a != 255;
         }},
        {"transparency.alpha: 100",
         [&] {
             BYTE a = 0;
             return layered(&a) && a == 100;
         }},
        {"transback.enabled: true",
         [] { return GetPixel(backgroundDC(unit::display()), 8, 8) == COLOUR_KEY; }},
        {"scroll_style: EndToEnd",
         [&] { return inMenu(S + "End to End|@WarbleInternal ScrollStyle EndToEnd|1"); }},
        {"scrolling: true",
         [&] { return inMenu(C + "Scroll Song Title|@WarbleInternal ToggleScrolling|1"); }},
        {"scroll.speed: 3",
         [&] {
             return inMenu("int|Warble_IDConfig|Scroll Speed|@WarbleInternal ScrollSpeed|3|1|10");
         }},
        {"scroll.pause: 7", [] { return unit::caption().scroll.edgeRest == 7; }},
        {"scroll.when: once",
         [&] { return inMenu(S + "Scroll Once|@WarbleInternal ScrollWhen Once|1"); }},
        {"format: [%title%]", [] { return std::string(options.format) == "[%title%]"; }},
        {"showTrackNumber: false",
         [&] { return inMenu(C + "Show Track Number|@WarbleInternal ToggleTrackNumber|0"); }},
        {"showBorder: false",
         [&] { return inMenu(C + "Show Border|@WarbleInternal ToggleBorder|0"); }},
        {"tooltip: false",
         [&] { return inMenu(C + "Show Tooltip|@WarbleInternal ToggleTooltip|0"); }},
        {"progress: true",
         [&] { return inMenu(C + "Show Progress|@WarbleInternal ToggleProgress|1"); }},
        {"ellipsis: true", [] { return options.ellipsis; }},
        {"idle.state: 2", [] { return wcscmp(unit::caption().text, L"Edited by hand") == 0; }},
        {"idle.message: Edited by hand",
         [] { return wcscmp(unit::caption().text, L"Edited by hand") == 0; }},
        {"x: 230", [&] { return rect().left == 230; }},
        {"y: 170", [&] { return rect().top == 170; }},
        {"width: 150", [&] { return rect().right - rect().left == 150; }},
        {"height: 30", [&] { return rect().bottom - rect().top == 30; }},
        {"update.url: http://example.org/edited",
         [] { return std::string(pluginInfo(8)) == "http://example.org/edited"; }},
        {"useCustomFont: true",
         [&] {
             LOGFONTA f;
             return font(&f) && f.lfHeight == 30;
         }},
        {"font: Courier New",
         [&] {
             LOGFONTA f;
             return font(&f) && std::string(f.lfFaceName) == "Courier New";
         }},
        {"font.height: 30",
         [&] {
             LOGFONTA f;
             return font(&f) && f.lfHeight == 30;
         }},
        {"font.weight: 700",
         [&] {
             LOGFONTA f;
             return font(&f) && f.lfWeight == 700;
         }},
    };
    char year[8];
    SYSTEMTIME now;
    GetLocalTime(&now);
    snprintf(year, sizeof year, "%04u!", now.wYear);
    std::wstring yearCaption(year, year + strlen(year));
    /* The mouse drives a stopped stand-in player: what a double-click, a middle click and a
       wheel notch up send it, in order (the link thread takes them one after another). */
    unit::FakePlayer player;
    playerStatus.window = player.window;
    auto mouse = [w] {
        unit::FakePlayer::received().clear();
        SendMessageA(w, WM_LBUTTONDBLCLK, 0, 0);
        SendMessageA(w, WM_MBUTTONUP, 0, 0);
        SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        unit::pumpUntil([] { return unit::FakePlayer::commands().size() >= 2; }, 1000);
        return unit::FakePlayer::commands() == std::vector<int>({WINAMP_NEXT, WINAMP_NEXT});
    };
    /* The volume a notch up sets, from the stand-in's reading of 1. */
    auto volumeSet = [w] {
        unit::FakePlayer::received().clear();
        SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        for (int pass = 0; pass < 2; ++pass) {
            for (const unit::FakePlayer::Sent &sent : unit::FakePlayer::received())
                if (sent.lParam == IPC_SETVOLUME && (int)sent.wParam != IPC_VOLUME_READ)
                    return (int)sent.wParam;
            unit::pumpFor(300);
        }
        return -1;
    };
    const std::vector<Edit> second = {
        {"hideWhenIdle: true", [w] { return !IsWindowVisible(w); }},
        {"idle.state: 1", [&] { return unit::caption().text == yearCaption; }},
        {"idle.TimeStr: %Y!", [&] { return unit::caption().text == yearCaption; }},
        {"mouse.doubleClick: NONE", mouse},
        {"mouse.middleClick: next", mouse},
        {"mouse.wheel: track", mouse},
    };
    const std::vector<Edit> third = {
        {"mouse.wheelStep: 20", [&] { return volumeSet() == 1 + 20; }},
    };
    /* Following CAD players only, the stand-in Winamp is no player of Warble's. */
    const std::vector<Edit> fourth = {
        {"player: CAD",
         [] { return wcscmp(unit::caption().text, L"Couldn't Find a Player") == 0; }},
    };

    std::set<std::string> edited;
    for (const std::vector<Edit> *save : {&first, &second, &third, &fourth}) {
        std::string text;
        for (const Edit &edit : *save) {
            text += std::string("Warble.plugin.") + edit.line + "\r\n";
            edited.insert(std::string("Warble.plugin.") +
                          std::string(edit.line).substr(0, strchr(edit.line, ':') - edit.line + 1));
        }
        ASSERT_TRUE(unit::writeFile(settingsPath(), text + settingsText()));
        unit::pumpUntil(
            [&] {
                openMenu();
                for (const Edit &edit : *save)
                    if (!edit.shows()) return false;
                return true;
            },
            4000); /* 2 s promised; the rest is for a machine under load */
        for (const Edit &edit : *save)
            EXPECT_TRUE(edit.shows()) << edit.line;
    }
    for (const OptionRow &row : optionRows())
        EXPECT_EQ(1u, edited.count(row.key)) << row.key << " is never edited";
}

} // namespace
