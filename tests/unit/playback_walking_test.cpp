// Moving through the playlist with a fake player: neighbours, both ends, repeat, reshuffling,
// items that open later or fail, and the bound on passing over entries that cannot play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/display_area.h"
#include "host/saver_window.h"
#include "playback/playback_controller.h"
#include "playback/resume_run.h"
#include "settings/resume_places.h"
#include "unit_support.h"

// Whether the start timer is still to start the first item.
extern bool startItemPending;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);

using Names = std::vector<std::string>;

class PlaybackWalking : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        savedStartPending = startItemPending;
        startItemPending = false;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "flickvane-walk-" + std::to_string(GetTickCount()) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        player = &UseFakePlayer();
    }
    void TearDown() override {
        for (const std::string& path : made) {
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(folder.c_str());
        startItemPending = savedStartPending;
        PlaybackTest::TearDown();
    }

    // A playlist of files that exist (named ones starting with "missing" do not), installed
    // with the screen at its first entry.
    TestPlaylist* List(const Names& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            std::string path = folder + name;
            if (name.rfind("missing", 0) != 0) {
                HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          0, nullptr);
                CloseHandle(file);
                made.push_back(path);
            }
            paths.push_back(path);
        }
        list.reset(new TestPlaylist(paths));
        list->Install();
        screen->entry = gPlaylist.first;
        return list.get();
    }

    bool savedStartPending = false;
    std::string folder;
    std::vector<std::string> made;
    std::unique_ptr<TestPlaylist> list;
    FakePlayer* player = nullptr;
};

TEST_F(PlaybackWalking, NextAndPreviousCloseTheItemThenOpenTheirNeighbour) {
    TestPlaylist* l = List({"a.avi", "b.avi", "c.avi"});
    PlayItem(*screen);
    EXPECT_EQ(LoggedWithPrefix("open("), Names{"open(a.avi)"});
    EXPECT_LT(IndexOfLogged("open(a.avi)"), IndexOfLogged("start(a.avi)"));

    PlayNextItem(*screen);
    EXPECT_EQ(screen->entry, l->Entry(1));
    // The item goes before the next one is opened.
    EXPECT_LT(IndexOfLogged("close(a.avi)"), IndexOfLogged("open(b.avi)")) << LogText();
    EXPECT_EQ(CountLogged("start(b.avi)"), 1);

    PlayPreviousItem(*screen);
    EXPECT_EQ(screen->entry, l->Entry(0));
    EXPECT_EQ(OpenedNames(), (Names{"a.avi", "b.avi", "a.avi"}));
}

TEST_F(PlaybackWalking, AnItemEndingPlaysTheNextAndTheListEndsBlack) {
    List({"a.avi", "b.avi"});
    PlayItem(*screen);
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(OpenedNames(), (Names{"a.avi", "b.avi"}));

    FillWindow(RGB(255, 255, 255));
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(OpenedNames(), (Names{"a.avi", "b.avi"}));
    EXPECT_EQ(screen->player, nullptr);
    EXPECT_EQ(CountLogged("close(b.avi)"), 1);
    EXPECT_EQ(PixelAt(10, 10), kBlack);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(PlaybackWalking, RepeatWrapsBothWaysAndReshufflesOnlyInRandomOrder) {
    TestPlaylist* l = List({"a.avi", "b.avi", "c.avi"});
    gSettings.Repeat = 1;
    screen->entry = l->Entry(2);
    PlayNextItem(*screen);
    EXPECT_EQ(screen->entry, l->Entry(0));
    EXPECT_EQ(CountLogged("shuffle"), 0);

    PlayPreviousItem(*screen);
    EXPECT_EQ(screen->entry, l->Entry(2));

    // The reshuffle deals the paths anew, and the new first path plays.
    gSettings.Random = 1;
    FakeHooks().onShuffle = [l] { std::swap(l->nodes[0].path, l->nodes[1].path); };
    ClearFakeLog();
    PlayNextItem(*screen);
    EXPECT_EQ(CountLogged("shuffle"), 1);
    EXPECT_EQ(OpenedNames(), Names{"b.avi"});
    EXPECT_LT(IndexOfLogged("shuffle"), IndexOfLogged("open(b.avi)"));
}

TEST_F(PlaybackWalking, OneRepeatingEntryRewindsOrIsOpenedAgain) {
    List({"a.avi"});
    gSettings.Repeat = 1;
    player->canRewind = true;
    PlayItem(*screen);
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(CountLogged("rewind(a.avi)"), 1);
    EXPECT_EQ(OpenedNames(), Names{"a.avi"});

    // A player that cannot rewind (a movie) has it opened again from its start.
    player->canRewind = false;
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(OpenedNames(), (Names{"a.avi", "a.avi"}));
    EXPECT_EQ(CountLogged("start(a.avi)"), 2);

    // Without repeat the one entry ends black.
    gSettings.Repeat = 0;
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(screen->player, nullptr);
}

TEST_F(PlaybackWalking, AnItemThatOpensLaterStartsOnlyWhenReady) {
    List({"a.mp4", "b.avi"});
    player->outcomes["a.mp4"] = PlayerOpen::Opening;
    PlayItem(*screen);
    EXPECT_EQ(CountLogged("start(a.mp4)"), 0);
    player->size = {320, 240, 320, 240};
    Tell(*screen, PlayerNews::Ready);
    EXPECT_EQ(CountLogged("start(a.mp4)"), 1);
    // Placed by the layout before it starts.
    EXPECT_GT(player->placed.right - player->placed.left, 0);
    char title[64] = {};
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "a.mp4");
}

TEST_F(PlaybackWalking, AnItemThatFailsLaterIsPassedOver) {
    List({"a.mp4", "b.avi"});
    player->outcomes["a.mp4"] = PlayerOpen::Opening;
    PlayItem(*screen);
    Tell(*screen, PlayerNews::Failed);
    EXPECT_EQ(OpenedNames(), (Names{"a.mp4", "b.avi"}));
    EXPECT_EQ(CountLogged("start(b.avi)"), 1);
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
}

TEST_F(PlaybackWalking, AnAbortingEngineEndsTheSaver) {
    List({"a.avi"});
    PlayItem(*screen);
    Tell(*screen, PlayerNews::Aborted);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(PlaybackWalking, NewsOfAnotherPlayerIsNotTheItemsNews) {
    List({"a.avi", "b.avi"});
    PlayItem(*screen);
    // The screen's movie player has no item: its messages change nothing.
    HandlePlaybackMessage(*screen, MovieEventMessage, 0, 0);
    HandlePlaybackMessage(*screen, WM_TIMER, ID_MOVIE_TIMER, 0);
    EXPECT_EQ(OpenedNames(), Names{"a.avi"});
    EXPECT_EQ(screen->player, player);
}

TEST_F(PlaybackWalking, StartTimerPlaysTheFirstEntryOnceAndAKeyBeforeItTakesItsPlace) {
    List({"a.avi", "b.avi"});
    startItemPending = true;
    Send(WM_TIMER, ID_START_TIMER);
    Send(WM_TIMER, ID_START_TIMER);
    EXPECT_EQ(OpenedNames(), Names{"a.avi"});

    ClearFakeLog();
    screen->entry = gPlaylist.first;
    startItemPending = true;
    gSettings.Keyboard = 1;
    Send(WM_KEYDOWN, VK_DOWN);
    Send(WM_TIMER, ID_START_TIMER);
    EXPECT_EQ(OpenedNames(), Names{"b.avi"}) << LogText();
}

TEST_F(PlaybackWalking, AWholePassOfUnplayableEntriesEndsBlackAndOnePlayingResetsTheCount) {
    TestPlaylist* l = List({"good.avi", "missing1.avi", "bad.avi", "missing2.avi"});
    gSettings.Repeat = 1;
    player->outcomes["bad.avi"] = PlayerOpen::Unplayable;
    screen->entry = l->Entry(1);
    PlayItem(*screen);
    EXPECT_EQ(OpenedNames(), (Names{"bad.avi", "good.avi"}));
    EXPECT_EQ(screen->entry, l->Entry(0));

    // Counted afresh after good.avi played: one more pass, and good.avi again.
    ClearFakeLog();
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(OpenedNames(), (Names{"bad.avi", "good.avi"}));

    // Nothing left that plays: one pass, then black.
    player->outcomes["good.avi"] = PlayerOpen::Unplayable;
    ClearFakeLog();
    FillWindow(RGB(255, 255, 255));
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(OpenedNames(), (Names{"bad.avi", "good.avi"}));
    EXPECT_EQ(screen->player, nullptr);
    EXPECT_EQ(PixelAt(10, 10), kBlack);
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
}

TEST_F(PlaybackWalking, UnplayableEntriesWithoutRepeatEndAtTheLastEntry) {
    List({"a.avi", "missing1.avi", "missing2.avi"});
    player->outcomes["a.avi"] = PlayerOpen::Unplayable;
    PlayItem(*screen);
    EXPECT_EQ(OpenedNames(), Names{"a.avi"});
    EXPECT_EQ(screen->player, nullptr);
    EXPECT_TRUE(IsWindow(window));
}

// Notes how deep in the stack each opening happens.
class DepthPlayer : public FakePlayer {
public:
    PlayerOpen Open(HWND window, const wchar_t* path) override {
        volatile char marker = 0;
        std::uintptr_t here = (std::uintptr_t)&marker;
        lowest = std::min(lowest, here);
        highest = std::max(highest, here);
        return FakePlayer::Open(window, path);
    }
    std::uintptr_t lowest = UINTPTR_MAX;
    std::uintptr_t highest = 0;
};
DepthPlayer depthPlayer;
Player* ChooseDepthPlayer(Screen&, MediaKind, const wchar_t*) { return &depthPlayer; }

TEST_F(PlaybackWalking, ThousandsOfUnplayableEntriesArePassedOverWithoutDeepening) {
    Names names;
    for (int i = 0; i < 4000; ++i) {
        names.push_back("missing" + std::to_string(i) + ".avi");
    }
    for (int i = 0; i < 300; ++i) {
        names.push_back("bad" + std::to_string(i) + ".avi");
    }
    List(names);
    depthPlayer = DepthPlayer();
    for (int i = 0; i < 300; ++i) {
        depthPlayer.outcomes["bad" + std::to_string(i) + ".avi"] = PlayerOpen::Unplayable;
    }
    gChoosePlayer = ChooseDepthPlayer;
    gSettings.Repeat = 1;
    PlayItem(*screen);
    // Each entry was tried once, every one at about the same depth, and then the screen stopped.
    EXPECT_EQ(OpenedNames().size(), 300u);
    EXPECT_LT(depthPlayer.highest - depthPlayer.lowest, 1024u);
    EXPECT_EQ(screen->player, nullptr);
}

// Power news through the saver window: the item rests while every display is off or the
// system sleeps, and goes on when neither holds.
TEST_F(PlaybackWalking, TheItemRestsWhileTheDisplaysAreOffOrTheSystemSleeps) {
    auto SendDisplayState = [this](DWORD state) {
        struct {
            POWERBROADCAST_SETTING setting;
            DWORD rest;
        } news = {};
        news.setting.PowerSetting = GUID_CONSOLE_DISPLAY_STATE;
        news.setting.DataLength = sizeof(DWORD);
        memcpy(news.setting.Data, &state, sizeof(state));
        Send(WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, (LPARAM)&news.setting);
    };
    List({"a.avi", "b.avi"});
    PlayItem(*screen);
    SendDisplayState(2); // dimmed: still shown
    EXPECT_TRUE(LoggedWithPrefix("rest(").empty());
    SendDisplayState(0);
    SendDisplayState(0);
    EXPECT_EQ(LoggedWithPrefix("rest("), Names{"rest(a.avi)"});
    SendDisplayState(1);
    EXPECT_EQ(LoggedWithPrefix("wake("), Names{"wake(a.avi)"});

    // Asleep with the displays off: only both ending wakes it.
    Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    SendDisplayState(0);
    Send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(LoggedWithPrefix("rest("), (Names{"rest(a.avi)", "rest(a.avi)"}));
    EXPECT_EQ(LoggedWithPrefix("wake("), Names{"wake(a.avi)"});
    // An item that starts meanwhile rests from its start.
    Tell(*screen, PlayerNews::Ended);
    EXPECT_LT(IndexOfLogged("start(b.avi)"), IndexOfLogged("rest(b.avi)")) << LogText();
    SendDisplayState(1);
    EXPECT_EQ(LoggedWithPrefix("wake("), (Names{"wake(a.avi)", "wake(b.avi)"}));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(PlaybackWalking, ResumeStartsAtTheEntryAndPlaceLeftAndKeepsWhereItStops) {
    const LONGLONG second = 10000000;
    std::wstring places = unit::FreshTempFolder(L"walk-resume");
    SetResumeFolder(places.c_str());
    gSettings.Resume = 1;
    ResumeState last;
    last.current = unit::W(folder + "b.avi");
    RememberPlace(&last, unit::W(folder + "b.avi"), 90 * second);
    ASSERT_TRUE(WriteResumeFile(last));
    TestPlaylist* l = List({"a.avi", "b.avi", "c.avi"});
    screen->entry = ResumeEntry();
    EXPECT_EQ(screen->entry, l->Entry(1));
    player->duration = 120 * second;
    PlayItem(*screen);
    EXPECT_EQ(LoggedWithPrefix("start("), Names{"start(b.avi@88000ms)"});

    player->position = 100 * second;
    PlayNextItem(*screen);
    EXPECT_EQ(LoggedWithPrefix("start(").back(), "start(c.avi)") << "c has no place";
    KeepResumePlaces(screen->entry);
    ResumeState kept;
    ReadResumeFile(&kept);
    EXPECT_EQ(kept.current, unit::W(folder + "c.avi"));
    EXPECT_EQ(PlaceOf(kept, unit::W(folder + "b.avi")), 100 * second);

    // Shuffled: what was still to come comes first again, in its order.
    gSettings.Random = 1;
    last.current = unit::W(folder + "c.avi");
    last.order = {unit::W(folder + "a.avi"), unit::W(folder + "b.avi")};
    ASSERT_TRUE(WriteResumeFile(last));
    List({"b.avi", "c.avi", "d.avi", "a.avi"});
    ResumeEntry();
    EXPECT_EQ(unit::PlaylistPaths(), (Names{folder + "c.avi", folder + "a.avi", folder + "b.avi",
                                            folder + "d.avi"}));
    gSettings.Resume = 0;
    gSettings.Random = 0;
    SetResumeFolder(nullptr);
}

} // namespace

TEST_F(PlaybackWalking, AnItemEachStartsAtTheNextEntriesAndPassesOverWhatOthersShow) {
    List({"a.avi", "b.avi", "c.avi"});
    HWND second = CreatePlainWindow(WS_POPUP, nullptr, 0, 0, 80, 60);
    Screen* other = AddSecondaryScreen(second, RECT{0, 0, 80, 60});
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->directShow.silent && other->movie.silent);
    gSettings.Monitors = kMonitorsEach;
    gSettings.Repeat = 1;
    StartScreens();
    EXPECT_EQ(LoggedWithPrefix("open("), (Names{"open(a.avi)", "open(b.avi)"}));
    // The primary's next is b, which the other shows: it takes c; the other then wraps to a.
    PlayNextItem(*screen);
    EXPECT_EQ(LoggedWithPrefix("open(").back(), "open(c.avi)");
    PlayNextItem(*other);
    EXPECT_EQ(LoggedWithPrefix("open(").back(), "open(a.avi)");
    // The same item everywhere: the other follows the primary's moves.
    gSettings.Monitors = kMonitorsSame;
    MoveScreens(true);
    EXPECT_EQ(other->entry, screen->entry);
    gSettings.Monitors = 0;
    RemoveScreen(other);
    DestroyPlainWindow(second);
}

TEST(MonitorOrder, ThePrimaryFirstThenLeftToRightTopToBottom) {
    std::vector<RECT> ordered = OrderMonitors({{{1024, 0, 1824, 600}, false},
                                               {{-800, 300, 0, 900}, false},
                                               {{0, 0, 1024, 768}, true},
                                               {{-800, -300, 0, 300}, false}});
    ASSERT_EQ(ordered.size(), 4u);
    EXPECT_EQ(ordered[0].left, 0);
    EXPECT_EQ(ordered[1].top, -300);
    EXPECT_EQ(ordered[2].top, 300);
    EXPECT_EQ(ordered[3].left, 1024);
}

TEST_F(PlaybackWalking, TheNextMovieOpensAheadAndItsTurnTakesItWithoutOpeningItAgain) {
    FakePlayer& second = UseSecondFakePlayer();
    List({"a.mp4", "b.mp4", "c.mp4", "d.mp4"});
    PlayItem(*screen);
    // While a plays, b is opened in the other player and made ready, not started.
    EXPECT_EQ(OpenedNames(), (Names{"a.mp4", "b.mp4"}));
    EXPECT_GE(IndexOfLogged("cue(b.mp4)"), 0);
    EXPECT_EQ(IndexOfLogged("start(b.mp4)"), -1);
    // At a's end b starts as it stands, and c is opened ahead in the player a left.
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(screen->player, &second);
    EXPECT_GE(IndexOfLogged("start(b.mp4)"), 0);
    EXPECT_EQ(OpenedNames(), (Names{"a.mp4", "b.mp4", "c.mp4"}));
    // A move elsewhere lets the item ahead go before the one asked for opens.
    ClearFakeLog();
    PlayPreviousItem(*screen);
    EXPECT_LT(IndexOfLogged("close(c.mp4)"), IndexOfLogged("open(a.mp4)")) << LogText();
    EXPECT_EQ(OpenedNames(), (Names{"a.mp4", "b.mp4"}));
}

TEST_F(PlaybackWalking, AMovieThatFailsToOpenAheadIsPassedOverAtItsTurn) {
    UseSecondFakePlayer().outcomes["b.mp4"] = PlayerOpen::Unplayable;
    List({"a.mp4", "b.mp4", "c.mp4"});
    PlayItem(*screen);
    Tell(*screen, PlayerNews::Ended);
    EXPECT_EQ(OpenedNames(), (Names{"a.mp4", "b.mp4", "c.mp4"}));
    EXPECT_GE(IndexOfLogged("start(c.mp4)"), 0);
}
