/* The options table against what users meet of it: the sample Warble.rc and the
   README's settings table name every key once with its default; a file without the
   key reads the default, a number outside its range reads inside it, and each
   command word changes the option, writes it and reads back as written. */
#include "nightjar/nightjar.h"
#include "settings/options.h"
#include "settings/settings.h"
#include "unit_support.h"

#include <limits.h>
#include <map>
#include <string>

namespace {

/* The option's value as the settings file writes it. */
std::string valueText(const OptionRow &row) {
    switch (row.kind) {
    case OPTION_BOOL: return flagOption(row) ? "true" : "false";
    case OPTION_WORD: return row.words[flagOption(row) ? 1 : 0];
    case OPTION_INT:
        if (!row.defaultText[0] && numberOption(row) == OPTION_UNSET) return "";
        return std::to_string(numberOption(row));
    case OPTION_TEXT: return textOption(row);
    case OPTION_CHOICE: return row.words[numberOption(row)];
    }
    return "?";
}

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

const char *const KIND_WORDS[] = {"boolean", "integer", "text", "text", "text"};

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
        readSettings();
    }
};

TEST_F(OptionsTableRunning, EveryRowReadsItsDefaultItsRangeAndTakesItsCommand) {
    for (const OptionRow &row : optionRows()) {
        readFrom("");
        EXPECT_EQ(row.defaultText, valueText(row)) << row.key << " absent";
        const bool fits = row.kind == OPTION_INT && !(row.flags & OPTION_LOW_BYTE);
        if (fits && row.min > INT_MIN) {
            readFrom(std::string(row.key) + " " + std::to_string(row.min - 1) + "\r\n");
            EXPECT_EQ(row.min, numberOption(row)) << row.key;
        }
        if (fits && row.max < INT_MAX) {
            readFrom(std::string(row.key) + " " + std::to_string(row.max + 1) + "\r\n");
            EXPECT_EQ(row.max, numberOption(row)) << row.key;
        }
        if (row.kind == OPTION_CHOICE) {
            readFrom(std::string(row.key) + " Bogus\r\n");
            EXPECT_EQ(row.defaultText, valueText(row)) << row.key << " Bogus";
        }
        if (row.command == COMMAND_NONE || row.command == COMMAND_DOCK) continue;

        std::string command = std::string("@WarbleInternal ") + row.word;
        std::string before = valueText(row);
        int number = (row.min > INT_MIN ? row.min : 0) + 2;
        if (row.kind == OPTION_INT) command += " " + std::to_string(number);
        if (row.command == COMMAND_CHOICE) command += std::string(" ") + row.words[1];
        broadcast(command.c_str());
        if (row.kind == OPTION_INT)
            EXPECT_EQ(number, numberOption(row)) << command;
        else
            EXPECT_NE(before, valueText(row)) << command;
        const char *stored = ReadString(shellLink.rcPath, row.key, nullptr);
        ASSERT_NE(nullptr, stored) << command << " wrote nothing";
        EXPECT_EQ(valueText(row), stored) << command;
        if (fits && row.max < INT_MAX) {
            broadcast((std::string("@WarbleInternal ") + row.word + " 999999").c_str());
            EXPECT_EQ(row.max, numberOption(row)) << row.word << " 999999";
        }
    }
}

} // namespace
