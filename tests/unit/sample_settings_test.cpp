/* The sample Warble.rc shipped in the release zip: it names each of the 31 keys
   once, loads as it is, and every key in it reads back as the plugin's default. */
#include "settings/settings.h"
#include "unit_support.h"

#include <set>
#include <string>

namespace {

const char *const ALL_KEYS[] = {KEY_X,
                                KEY_Y,
                                KEY_DOVOZIZUVAV,
                                KEY_IN_SLIT,
                                KEY_TRANSPARENCY,
                                KEY_TRANSBACK,
                                KEY_ALPHA,
                                KEY_ALWAYS_ON_TOP,
                                KEY_SNAP,
                                KEY_TOGGLE_WITH_PLUGINS,
                                KEY_UPDATE_URL,
                                KEY_WIDTH,
                                KEY_HEIGHT,
                                KEY_SCROLLING,
                                KEY_TRACK_NUMBER,
                                KEY_BORDER,
                                KEY_SCROLL_STYLE,
                                KEY_CUSTOM_FONT,
                                KEY_FONT,
                                KEY_FONT_HEIGHT,
                                KEY_FONT_WEIGHT,
                                KEY_IDLE_STATE,
                                KEY_IDLE_MESSAGE,
                                KEY_IDLE_TIME,
                                KEY_SCROLL_SPEED,
                                KEY_SCROLL_PAUSE,
                                KEY_HIDE_WHEN_IDLE,
                                KEY_DOUBLE_CLICK,
                                KEY_WHEEL,
                                KEY_TOOLTIP,
                                KEY_PROGRESS};

std::string sampleText() {
    return unit::readFile(WARBLE_SOURCE_DIR "/package/Warble.rc");
}

/* The keys of the file's setting lines, in the order they stand. */
std::vector<std::string> keysOf(const std::string &text) {
    std::vector<std::string> keys;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        size_t colon = line.find(':');
        if (colon != std::string::npos) keys.push_back(line.substr(0, colon + 1));
    }
    return keys;
}

class SampleSettings : public unit::StateTest {
  protected:
    void SetUp() override {
        StateTest::SetUp();
        unit::removeSettingsFiles();
        warble.hInstance = GetModuleHandleA(nullptr);
    }
    void TearDown() override {
        unit::removeSettingsFiles();
        StateTest::TearDown();
    }
};

TEST_F(SampleSettings, NamesEveryKeyOnce) {
    std::string text = sampleText();
    ASSERT_FALSE(text.empty()) << "package/Warble.rc not found";
    std::vector<std::string> keys = keysOf(text);
    std::set<std::string> expected(std::begin(ALL_KEYS), std::end(ALL_KEYS));
    EXPECT_EQ(expected.size(), keys.size());
    EXPECT_EQ(expected, std::set<std::string>(keys.begin(), keys.end()));
}

/* Reading the sample gives exactly what reading no file at all gives. */
TEST_F(SampleSettings, EveryKeyReadsBackAsItsDefault) {
    readSettings();
    PluginState defaults;
    memcpy((void *)&defaults, (const void *)&warble, sizeof defaults);

    ASSERT_TRUE(unit::writeFile(unit::pluginFolder() + "Warble.rc", sampleText()));
    readSettings();
    EXPECT_EQ(unit::pluginFolder() + "Warble.rc", std::string(warble.rcPath));
    for (const char *key : ALL_KEYS) {
        const char *stored = ReadString(warble.rcPath, key, nullptr);
        EXPECT_NE(nullptr, stored) << key << " is missing";
    }
    EXPECT_EQ(defaults.xPos, warble.xPos);
    EXPECT_EQ(defaults.yPos, warble.yPos);
    EXPECT_EQ(defaults.interfaceExtensions, warble.interfaceExtensions);
    EXPECT_EQ(defaults.inSlit, warble.inSlit);
    EXPECT_EQ(defaults.transparencyEnabled, warble.transparencyEnabled);
    EXPECT_EQ(defaults.transBackEnabled, warble.transBackEnabled);
    EXPECT_EQ(defaults.alpha, warble.alpha);
    EXPECT_EQ(defaults.alwaysOnTop, warble.alwaysOnTop);
    EXPECT_EQ(defaults.snapWindow, warble.snapWindow);
    EXPECT_EQ(defaults.toggleWithPlugins, warble.toggleWithPlugins);
    EXPECT_STREQ(defaults.updateUrl, warble.updateUrl);
    EXPECT_EQ(defaults.width, warble.width);
    EXPECT_EQ(defaults.height, warble.height);
    EXPECT_EQ(defaults.scrolling, warble.scrolling);
    EXPECT_EQ(defaults.showTrackNumber, warble.showTrackNumber);
    EXPECT_EQ(defaults.showBorder, warble.showBorder);
    EXPECT_EQ(defaults.scrollEndToEnd, warble.scrollEndToEnd);
    EXPECT_EQ(defaults.useStyleFont, warble.useStyleFont);
    EXPECT_STREQ(defaults.fontFace, warble.fontFace);
    EXPECT_EQ(defaults.fontHeight, warble.fontHeight);
    EXPECT_EQ(defaults.fontWeight, warble.fontWeight);
    EXPECT_EQ(defaults.idleState, warble.idleState);
    EXPECT_STREQ(defaults.idleMessage, warble.idleMessage);
    EXPECT_STREQ(defaults.idleTimeFormat, warble.idleTimeFormat);
    EXPECT_EQ(defaults.scrollSpeed, warble.scrollSpeed);
    EXPECT_EQ(defaults.edgeRest, warble.edgeRest);
    EXPECT_EQ(defaults.hideWhenIdle, warble.hideWhenIdle);
    EXPECT_EQ(defaults.doubleClickAction, warble.doubleClickAction);
    EXPECT_EQ(defaults.wheelAction, warble.wheelAction);
    EXPECT_EQ(defaults.showTooltip, warble.showTooltip);
    EXPECT_EQ(defaults.showProgress, warble.showProgress);
}

} // namespace
