/* The stand-in player in its CD Art Display mode, as a client sees it: a hidden receiver
   window of the title such players look for, which gets the announcement, registers,
   asks, commands, and records the notices and texts it is sent. Also the quiet change of
   state, in both modes. */
#include "harness.h"
#include "winamp_sim.h"
#include "cad/cad.h"
#include "winamp/winamp.h"

#include <algorithm>

namespace {

/* What the receivers were sent, in order: "notice CODE WPARAM" or "text CODE TEXT",
   after "other: " when the other client's window got it. */
std::vector<std::wstring> g_got;

LRESULT CALLBACK receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    std::wstring to = wcscmp(title, CAD_RECEIVER_TITLE_W) ? L"other: " : L"";
    if (message == WM_USER)
        g_got.push_back(to + L"notice " + std::to_wstring(lParam) + L" " + std::to_wstring(wParam));
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    const COPYDATASTRUCT *data = (const COPYDATASTRUCT *)lParam;
    std::wstring text((const wchar_t *)data->lpData, data->cbData / sizeof(wchar_t));
    g_got.push_back(to + L"text " + std::to_wstring(data->dwData) + L" " + text.c_str());
    return 1;
}

class CadReceiver {
  public:
    explicit CadReceiver(const wchar_t *title) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = receive;
        wc.lpszClassName = L"WarbleTestCadReceiver";
        RegisterClassW(&wc); /* already there from an earlier test: fine */
        window = CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    ~CadReceiver() { DestroyWindow(window); }
    HWND window;
};

/* Sent as the plugin will send: the answer, or -2 when the player gave none. */
LRESULT ask(const WinampSim &sim, LPARAM code, WPARAM wParam = 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(sim.window(), WM_USER, wParam, code, SMTO_NORMAL, 2000, &answer))
        return -2;
    return (LRESULT)answer;
}

/* Pumps until what was sent since mark is exactly wanted; for 2 s, or 300 ms when nothing
   is wanted (so that a stray notice has time to come). */
::testing::AssertionResult gets(size_t mark, const std::vector<std::wstring> &wanted) {
    auto since = [&] { return std::vector<std::wstring>(g_got.begin() + mark, g_got.end()); };
    if (wanted.empty())
        pump(300);
    else
        pumpUntil([&] { return since() == wanted; }, 2000);
    if (since() == wanted) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(since());
}

const std::wstring ANNOUNCED = L"text 700 1\tCD Art Display IPC Class\tOne - Song - CAD Player\t";

/* A client's receiver, another client's window, and a CAD player with two tracks. */
class WinampSimCadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_got.clear();
        sim.setPlaylist({"One - Song|246|First Album", "Lone | Title|201"});
    }

    /* Starts the player once the client's receiver exists, waits for its announcement and
       registers the client. */
    void startRegistered(const std::string &options) {
        ASSERT_TRUE(sim.start("--cad " + options));
        ASSERT_TRUE(pumpUntil([&] { return !g_got.empty(); }, 2000));
        ASSERT_EQ(ask(sim, CAD_REGISTER, (WPARAM)client.window), 1);
    }

    CadReceiver client{CAD_RECEIVER_TITLE_W}, other{L"Another client"};
    WinampSim sim;
};

} // namespace

/* A player started after the client announces itself, then answers each question. */
TEST_F(WinampSimCadTest, AnnouncesItselfAndAnswersQuestions) {
    startRegistered("--paused --position 61500");
    EXPECT_EQ(g_got[0].rfind(ANNOUNCED, 0), 0u) << g_got[0];
    EXPECT_EQ(g_got[0].substr(g_got[0].size() - 15), L"\\winamp-sim.exe");
    struct Question {
        LPARAM code;
        LRESULT answer;
    } questions[] = {{CAD_GET_STATE, CAD_PAUSED},
                     {CAD_GET_LENGTH, 246},
                     {CAD_GET_POSITION, 61},
                     {CAD_GET_VOLUME, 100}};
    for (const Question &q : questions)
        EXPECT_EQ(ask(sim, q.code), q.answer) << "question " << q.code;
    size_t mark = g_got.size();
    EXPECT_EQ(ask(sim, CAD_GET_TRACK), 1);
    EXPECT_TRUE(gets(mark, {L"text 701 Song\tOne\tFirst Album\t\t\t\t1\t246\t"
                            L"C:\\Music\\One - Song.mp3\t0\t"}));
    EXPECT_TRUE(sim.received(0, "WM_USER wParam=0 lParam=125 -> 2"));
}

/* Each command, from the client or the player's own controls, and what it sends: a
   notice for each change, none for a quiet one, which asking finds. */
TEST_F(WinampSimCadTest, CarriesOutCommandsAndNotifiesEachChange) {
    startRegistered("--paused");
    struct Step {
        LPARAM code; /* 0: the remote command instead */
        WPARAM wParam;
        const char *remote;
        std::vector<std::wstring> sent;
    } steps[] = {
        {0, 0, "play", {L"notice 126 1"}},
        {CAD_SET_VOLUME, 40, nullptr, {L"notice 108 40"}},
        {CAD_NEXT, 0, nullptr, {L"notice 123 0"}},
        {CAD_GET_TRACK,
         0,
         nullptr,
         {L"text 701 Lone | Title\t\t\t\t\t\t2\t201\tC:\\Music\\Lone | Title.mp3\t0\t"}},
        {CAD_SEEK, 100, nullptr, {}},
        {CAD_PAUSE, 0, nullptr, {L"notice 126 2"}},
        {CAD_PAUSE, 0, nullptr, {}},
        {CAD_STOP, 0, nullptr, {L"notice 126 0"}},
        {CAD_PLAY_PAUSE, 0, nullptr, {L"notice 126 1"}},
        {0, 0, "quiet paused", {}},
    };
    for (const Step &step : steps) {
        size_t mark = g_got.size();
        if (step.remote)
            EXPECT_TRUE(sim.send(step.remote));
        else
            EXPECT_EQ(ask(sim, step.code, step.wParam), 1) << step.code;
        EXPECT_TRUE(gets(mark, step.sent)) << (step.remote ? step.remote : "") << step.code;
    }
    EXPECT_EQ(ask(sim, CAD_GET_STATE), CAD_PAUSED) << "the quiet change is found by asking";
    EXPECT_EQ(ask(sim, CAD_GET_VOLUME), 40);
    std::vector<std::string> log = sim.log();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string &line) {
        return line.rfind("JUMP to 1000", 0) == 0 && line.find(" ms of 201 s") != line.npos;
    }));
}

/* The notices go to the client that registered last, until it says it is going away. */
TEST_F(WinampSimCadTest, NotifiesOnlyTheLastClientThatRegistered) {
    startRegistered("");
    EXPECT_EQ(ask(sim, CAD_REGISTER, (WPARAM)other.window), 1);
    EXPECT_EQ(ask(sim, CAD_REGISTER, 0), 0) << "not a window: the registration stays";
    size_t mark = g_got.size();
    sim.send("stop");
    EXPECT_TRUE(gets(mark, {L"other: notice 126 0"}));
    EXPECT_EQ(ask(sim, CAD_CLIENT_GONE), 1);
    sim.send("play");
    EXPECT_TRUE(gets(mark + 1, {}));
    EXPECT_EQ(ask(sim, CAD_REGISTER, (WPARAM)client.window), 1);
    sim.quit();
    EXPECT_TRUE(gets(mark + 1, {L"notice 129 0"}));
}

/* A quiet change of state is told to nobody: Winamp's title keeps its state, the CAD
   player's client gets no notice; asking finds it. A real change then tells it. */
TEST(WinampSimTest, QuietStateChangeIsFoundOnlyByAsking) {
    WinampSim sim;
    sim.setPlaylist({"One - Song|246"});
    ASSERT_TRUE(sim.start());
    wchar_t before[128] = L"", after[128] = L"";
    GetWindowTextW(sim.window(), before, 128);
    ASSERT_TRUE(sim.send("quiet paused"));
    EXPECT_EQ(ask(sim, IPC_ISPLAYING), WINAMP_PAUSED);
    pump(300);
    GetWindowTextW(sim.window(), after, 128);
    EXPECT_STREQ(after, before);
    ASSERT_TRUE(sim.send("state stopped"));
    GetWindowTextW(sim.window(), after, 128);
    EXPECT_STREQ(after, L"1. One - Song - Winamp [Stopped]");
}
