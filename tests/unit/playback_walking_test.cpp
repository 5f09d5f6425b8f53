// Moving through the playlist: neighbours, both ends, repeat, reshuffling, and the bound on
// skipping entries that cannot be opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"

// Whether the start timer is still to start the first item.
extern bool startItemPending;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class PlaybackWalking : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        savedStartPending = startItemPending;
        startItemPending = false;
    }
    void TearDown() override {
        startItemPending = savedStartPending;
        PlaybackTest::TearDown();
    }
    bool savedStartPending = false;

    // Plays the current entry the way the start timer does: one outermost playback call.
    void StartCurrent() {
        BeginPlaybackCall();
        gPlaybackHooks.playItem(window, gPlaylist.current->path);
        EndPlaybackCall(window);
    }

    std::vector<std::string> PlayedPaths() {
        std::vector<std::string> paths;
        for (const std::string& e : LoggedWithPrefix("playItem(")) {
            paths.push_back(e.substr(9, e.size() - 10));
        }
        return paths;
    }

    // Every fake of a running VMR9 item was released exactly once.
    void ExpectAllReleasedOnce() {
        for (const FakeUnknown<IFilterGraph2>* f : {&fakes->graph, &fakes->graph2}) {
            EXPECT_EQ(f->Releases(), 1) << f->Name();
        }
        EXPECT_EQ(fakes->control.Releases(), 1);
        EXPECT_EQ(fakes->seeking.Releases(), 1);
        EXPECT_EQ(fakes->events.Releases(), 1);
        EXPECT_EQ(fakes->audio.Releases(), 1);
        EXPECT_EQ(fakes->windowless.Releases(), 1);
        EXPECT_EQ(fakes->vmrConfig.Releases(), 1);
        EXPECT_EQ(fakes->vmr9.Releases(), 1);
        EXPECT_EQ(fakes->audioRenderer.Releases(), 1);
        EXPECT_EQ(gGraph.graph, nullptr);
        EXPECT_EQ(gGraph.control, nullptr);
        EXPECT_EQ(gGraph.events, nullptr);
    }
};

// A stand-in for an item whose graph really starts.
void PretendItemPlays() {
    gGraph.graphActive = 1;
    NoteItemPlaying();
}

// A stand-in for an item that can be opened neither as a file nor as a URL.
void PretendItemIsUnreachable(HWND window) {
    gGraph.graphActive = 0;
    SkipUnplayableItem(window);
}

TEST_F(PlaybackWalking, NextStopsReleasesThenPlaysTheFollowingEntry) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    fakes->InstallRunning(true);

    PlayNextItem(window);

    EXPECT_EQ(gPlaylist.current, list.Entry(1));
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"b.avi"}) << LogText();
    // The graph is stopped first, then released, and only then is the next entry built.
    int stop = IndexOfLogged("control.Stop");
    int state = IndexOfLogged("control.GetState(1000)");
    int graphRelease = IndexOfLogged("graph.Release");
    int play = IndexOfLogged("playItem(b.avi)");
    EXPECT_EQ(stop, 0) << LogText();
    EXPECT_LT(stop, state);
    EXPECT_LT(state, graphRelease);
    EXPECT_LT(graphRelease, play);
    // The stopped graph is not stopped a second time by the release.
    EXPECT_EQ(CountLogged("control.Stop"), 1);
    ExpectAllReleasedOnce();
    EXPECT_EQ(FakeHooks().exitCodes.size(), 0u);
}

TEST_F(PlaybackWalking, PreviousPlaysTheEntryBefore) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gPlaylist.current = list.Entry(2);
    fakes->InstallRunning(false);

    PlayPreviousItem(window);

    EXPECT_EQ(gPlaylist.current, list.Entry(1));
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"b.avi"});
    EXPECT_LT(IndexOfLogged("graph.Release"), IndexOfLogged("playItem(b.avi)"));
}

TEST_F(PlaybackWalking, RepeatWrapsFromLastToFirstWithoutShuffle) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gPlaylist.current = list.Entry(2);
    gSettings.Repeat = 1;
    fakes->InstallRunning(true);

    PlayNextItem(window);

    EXPECT_EQ(gPlaylist.current, list.Entry(0));
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"a.avi"});
    EXPECT_EQ(CountLogged("shuffle"), 0);
    ExpectAllReleasedOnce();
}

TEST_F(PlaybackWalking, RandomReshufflesOnWrapAndPlaysTheNewFirstPath) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gPlaylist.current = list.Entry(2);
    gSettings.Repeat = 1;
    gSettings.Random = 1;
    fakes->InstallRunning(true);
    // The shuffle deals the paths anew over the same entries.
    FakeHooks().onShuffle = [&list]() {
        lstrcpynA(list.Entry(0)->path, "c.avi", kPathBufferSize);
        lstrcpynA(list.Entry(2)->path, "a.avi", kPathBufferSize);
    };

    PlayNextItem(window);

    EXPECT_EQ(gPlaylist.current, list.Entry(0));
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"c.avi"}) << LogText();
    // Reshuffled after the old graph is gone and before the new entry is read.
    EXPECT_LT(IndexOfLogged("graph.Release"), IndexOfLogged("shuffle"));
    EXPECT_LT(IndexOfLogged("shuffle"), IndexOfLogged("playItem(c.avi)"));
}

TEST_F(PlaybackWalking, RandomReshufflesWhenGoingBackPastTheFirstEntry) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gSettings.Repeat = 1;
    gSettings.Random = 1;
    fakes->InstallRunning(false);
    FakeHooks().onShuffle = [&list]() { lstrcpynA(list.Entry(2)->path, "x.avi", kPathBufferSize); };

    PlayPreviousItem(window);

    EXPECT_EQ(gPlaylist.current, list.Entry(2));
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"x.avi"}) << LogText();
    EXPECT_EQ(CountLogged("shuffle"), 1);
}

TEST_F(PlaybackWalking, RepeatWithoutRandomGoesBackToTheLastEntry) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gSettings.Repeat = 1;

    PlayPreviousItem(window);

    EXPECT_EQ(gPlaylist.current, list.Entry(2));
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"c.avi"});
    EXPECT_EQ(CountLogged("shuffle"), 0);
}

TEST_F(PlaybackWalking, OneRepeatingEntryRewindsTheSameGraphInPlace) {
    TestPlaylist list({"only.avi"});
    list.Install();
    gSettings.Repeat = 1;
    gSettings.Random = 1;
    fakes->InstallRunning(true);
    fakes->seeking.position = 123456789;

    PlayNextItem(window);

    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"control.Stop", "seeking.SetPositions(0,1,null,0)",
                                        "control.Run"}))
        << LogText();
    EXPECT_EQ(fakes->seeking.position, 0);
    EXPECT_EQ(gGraph.control, &fakes->control);
    EXPECT_EQ(fakes->control.state, State_Running);
    // Nothing rebuilt, reshuffled or painted black.
    EXPECT_EQ(PixelAt(10, 10), kWhite);
}

TEST_F(PlaybackWalking, OneRepeatingMovieIsPlayedAgainFromItsStart) {
    // A movie's player has disposed of it by the time it asks for the next item.
    TestPlaylist list({"only.mp4"});
    list.Install();
    gSettings.Repeat = 1;
    gGraph.quickTimeItem = 1;

    PlayNextItem(window);

    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"only.mp4"});
    EXPECT_EQ(gPlaylist.current, list.Entry(0));
}

TEST_F(PlaybackWalking, OneRepeatingEntryRewindsOnPreviousToo) {
    TestPlaylist list({"only.avi"});
    list.Install();
    gSettings.Repeat = 1;
    fakes->InstallRunning(false);

    PlayPreviousItem(window);

    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"control.Stop", "seeking.SetPositions(0,1,null,0)",
                                        "control.Run"}))
        << LogText();
    EXPECT_EQ(PixelAt(10, 10), kWhite);
}

TEST_F(PlaybackWalking, OneRepeatingEntryWithoutGraphIsNotPlayedAgain) {
    // A QuickTime item holds no DirectShow interface: the rewind has nothing to act on.
    TestPlaylist list({"only.mov"});
    list.Install();
    gSettings.Repeat = 1;

    PlayNextItem(window);
    PlayPreviousItem(window);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(gPlaylist.current, list.Entry(0));
}

TEST_F(PlaybackWalking, EndOfNonRepeatingListReleasesAndStaysBlack) {
    TestPlaylist list({"a.avi", "b.avi"});
    list.Install();
    gPlaylist.current = list.Entry(1);
    fakes->InstallRunning(true);

    PlayNextItem(window);

    EXPECT_TRUE(PlayedPaths().empty()) << LogText();
    EXPECT_EQ(gPlaylist.current, list.Entry(1));
    ExpectAllReleasedOnce();
    EXPECT_EQ(PixelAt(10, 10), kBlack);
    EXPECT_EQ(PixelAt(300, 200), kBlack);
    // The saver keeps running.
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
}

TEST_F(PlaybackWalking, PreviousAtTheFirstEntryWithoutRepeatEndsBlack) {
    TestPlaylist list({"a.avi", "b.avi"});
    list.Install();
    fakes->InstallRunning(false);

    PlayPreviousItem(window);

    EXPECT_TRUE(PlayedPaths().empty()) << LogText();
    EXPECT_EQ(gPlaylist.current, list.Entry(0));
    EXPECT_EQ(fakes->videoWindow.Releases(), 1);
    EXPECT_EQ(fakes->graph.Releases(), 1);
    EXPECT_EQ(PixelAt(10, 10), kBlack);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(PlaybackWalking, OneEntryWithoutRepeatEndsBlack) {
    TestPlaylist list({"only.avi"});
    list.Install();
    fakes->InstallRunning(true);

    PlayNextItem(window);

    EXPECT_TRUE(PlayedPaths().empty());
    EXPECT_EQ(CountLogged("seeking.SetPositions(0,1,null,0)"), 0);
    ExpectAllReleasedOnce();
    EXPECT_EQ(PixelAt(10, 10), kBlack);
}

TEST_F(PlaybackWalking, ArrowKeysMoveBetweenEntries) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gSettings.Keyboard = 1;

    EXPECT_EQ(Send(WM_KEYDOWN, VK_DOWN), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, VK_DOWN), 0);
    EXPECT_EQ(Send(WM_KEYDOWN, VK_UP), 0);

    EXPECT_EQ(PlayedPaths(), (std::vector<std::string>{"b.avi", "c.avi", "b.avi"}));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(PlaybackWalking, StartTimerPlaysTheCurrentEntryOnce) {
    TestPlaylist list({"a.avi", "b.avi"});
    list.Install();
    startItemPending = true;

    EXPECT_EQ(Send(WM_TIMER, ID_START_TIMER), 0);
    EXPECT_EQ(Send(WM_TIMER, ID_START_TIMER), 0);

    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"a.avi"}) << LogText();
}

TEST_F(PlaybackWalking, StartTimerWithAnEmptyListPlaysNothing) {
    TestPlaylist list({});
    list.Install();
    startItemPending = true;

    Send(WM_TIMER, ID_START_TIMER);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
}

TEST_F(PlaybackWalking, MoveByKeyBeforeTheStartTimerTakesItsPlace) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gSettings.Keyboard = 1;
    startItemPending = true;
    FakeGraphSet* built = fakes;
    FakeHooks().onPlayItem = [built](HWND, const char*) { built->InstallRunning(true); };

    Send(WM_KEYDOWN, VK_DOWN);
    Send(WM_TIMER, ID_START_TIMER);

    // The timer builds no second graph over the one the key started.
    EXPECT_EQ(PlayedPaths(), std::vector<std::string>{"b.avi"}) << LogText();
    EXPECT_EQ(fakes->graph.Releases(), 0);
    EXPECT_EQ(gPlaylist.current, list.Entry(1));
}

TEST_F(PlaybackWalking, AWholePassOfUnreachableEntriesEndsLikeTheEndOfTheList) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gSettings.Repeat = 1;
    FakeHooks().onPlayItem = [](HWND w, const char*) { PretendItemIsUnreachable(w); };

    StartCurrent();

    EXPECT_EQ(PlayedPaths(), (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(PixelAt(10, 10), kBlack);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
}

TEST_F(PlaybackWalking, SkippingStopsAtTheNextEntryThatPlays) {
    TestPlaylist list({"good.avi", "b.avi", "c.avi"});
    list.Install();
    gSettings.Repeat = 1;
    fakes->InstallRunning(true);
    FakeHooks().onPlayItem = [](HWND w, const char* path) {
        if (std::string(path) == "good.avi") {
            PretendItemPlays();
        } else {
            PretendItemIsUnreachable(w);
        }
    };

    PlayNextItem(window);

    EXPECT_EQ(PlayedPaths(), (std::vector<std::string>{"b.avi", "c.avi", "good.avi"}));
    EXPECT_EQ(gPlaylist.current, list.Entry(0));

    // The next run of skips is counted afresh: one that played resets the count.
    ClearFakeLog();
    PlayNextItem(window);
    EXPECT_EQ(PlayedPaths(), (std::vector<std::string>{"b.avi", "c.avi", "good.avi"}));
}

TEST_F(PlaybackWalking, EntriesThatAllBecameUnreachableEndAfterOnePass) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi", "d.avi"});
    list.Install();
    gPlaylist.current = list.Entry(1);
    gSettings.Repeat = 1;
    fakes->InstallRunning(false);
    FakeHooks().onPlayItem = [](HWND w, const char*) { PretendItemIsUnreachable(w); };

    PlayNextItem(window);

    EXPECT_EQ(PlayedPaths(), (std::vector<std::string>{"c.avi", "d.avi", "a.avi", "b.avi"}));
    EXPECT_EQ(fakes->graph.Releases(), 1);
    EXPECT_EQ(PixelAt(10, 10), kBlack);
}

TEST_F(PlaybackWalking, UnreachableEntriesWithoutRepeatEndAtTheLastEntry) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    gPlaylist.current = list.Entry(1);
    FakeHooks().onPlayItem = [](HWND w, const char*) { PretendItemIsUnreachable(w); };

    StartCurrent();

    EXPECT_EQ(PlayedPaths(), (std::vector<std::string>{"b.avi", "c.avi"}));
    EXPECT_TRUE(IsWindow(window));
}

struct StackSpan {
    std::uintptr_t lowest = UINTPTR_MAX;
    std::uintptr_t highest = 0;
    int calls = 0;
    void Note() {
        volatile char marker = 0;
        std::uintptr_t here = (std::uintptr_t)&marker;
        lowest = std::min(lowest, here);
        highest = std::max(highest, here);
        ++calls;
    }
};

std::vector<std::string> ManyPaths(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        paths.push_back("missing" + std::to_string(i) + ".avi");
    }
    return paths;
}

TEST_F(PlaybackWalking, FiveThousandUnreachableEntriesEndWithoutDeepening) {
    TestPlaylist list(ManyPaths(5000));
    list.Install();
    gSettings.Repeat = 1;
    static StackSpan span;
    span = StackSpan();
    FakeHooks().onPlayItem = [](HWND w, const char*) {
        span.Note();
        PretendItemIsUnreachable(w);
    };

    DWORD started = GetTickCount();
    StartCurrent();
    DWORD took = GetTickCount() - started;

    // Each entry was tried once, and every attempt ran at about the same depth.
    EXPECT_EQ(span.calls, 5000);
    EXPECT_LT(span.highest - span.lowest, 16u * 1024u);
    EXPECT_EQ(PixelAt(10, 10), kBlack);
    EXPECT_LT(took, 30000u);
}

TEST_F(PlaybackWalking, ItemsThatMoveOnFromInsideTheirOwnCallDoNotDeepen) {
    // As the QuickTime player does at a movie's end: PlayNextItem from inside PlayItem.
    TestPlaylist list(ManyPaths(5000));
    list.Install();
    static StackSpan span;
    span = StackSpan();
    FakeHooks().onPlayItem = [](HWND w, const char*) {
        span.Note();
        PretendItemPlays();
        PlayNextItem(w);
    };

    StartCurrent();

    EXPECT_EQ(span.calls, 5000);
    EXPECT_EQ(gPlaylist.current, list.Entry(4999));
    EXPECT_LT(span.highest - span.lowest, 16u * 1024u);
}

} // namespace
