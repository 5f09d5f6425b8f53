// Graph events posted to the saver window: completion moves on, aborts end the saver, the rest
// are only freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"

namespace {

class GraphEvents : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        fakes->InstallRunning(true);
    }
    void Post(long code, LONG_PTR p1 = 0, LONG_PTR p2 = 0) {
        fakes->events.waiting.push_back({code, p1, p2});
    }
};

TEST_F(GraphEvents, CompletionPlaysTheNextItemAndGoesOnWithItsEvents) {
    TestPlaylist list({"a.avi", "b.avi", "c.avi"});
    list.Install();
    Post(EC_COMPLETE, 11, 12);
    Post(EC_PAUSED); // left in the old graph's queue: must not be read once it is released
    FakeMediaEvents nextEvents("events2");
    nextEvents.waiting.push_back({EC_PAUSED, 21, 22});
    nextEvents.waiting.push_back({EC_USERABORT, 0, 0});
    nextEvents.waiting.push_back({EC_COMPLETE, 0, 0});
    FakeHooks().onPlayItem = [&nextEvents](HWND, const char*) {
        gGraph.events = &nextEvents;
        gGraph.graphActive = 1;
    };

    EXPECT_EQ(Send(GraphEventMessage, 0, 0), 0);

    EXPECT_EQ(LoggedWithPrefix("events."),
              (std::vector<std::string>{"events.GetEvent(0)", "events.FreeEventParams(1,11,12)",
                                        "events.Release"}))
        << LogText();
    EXPECT_EQ(LoggedWithPrefix("events2."),
              (std::vector<std::string>{"events2.GetEvent(0)",
                                        "events2.FreeEventParams(14,21,22)",
                                        "events2.GetEvent(0)",
                                        "events2.FreeEventParams(2,0,0)"}))
        << LogText();
    EXPECT_LT(IndexOfLogged("playItem(b.avi)"), IndexOfLogged("events2.GetEvent(0)"));
    // The user abort ended the saver; the completion after it was never read.
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nextEvents.waiting.size(), 1u);
    EXPECT_EQ(CountLogged("playItem(c.avi)"), 0);
}

TEST_F(GraphEvents, ErrorAbortEndsTheSaverWithoutAMessage) {
    TestPlaylist list({"a.avi", "b.avi"});
    list.Install();
    Post(EC_ERRORABORT, (LONG_PTR)E_FAIL, 0);
    Post(EC_COMPLETE);

    Send(GraphEventMessage, 0, 0);

    EXPECT_EQ(LoggedWithPrefix("events."),
              (std::vector<std::string>{"events.GetEvent(0)",
                                        "events.FreeEventParams(3," +
                                            std::to_string((LONG_PTR)E_FAIL) + ",0)"}))
        << LogText();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(FakeHooks().boxTexts.empty());
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
    EXPECT_EQ(CountLogged("playItem(b.avi)"), 0);
}

TEST_F(GraphEvents, UserAbortEndsTheSaver) {
    Post(EC_USERABORT);

    HandleGraphEvents(window);

    EXPECT_EQ(CountLogged("events.FreeEventParams(2,0,0)"), 1) << LogText();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(GraphEvents, OtherCodesAreFreedAndIgnored) {
    TestPlaylist list({"a.avi", "b.avi"});
    list.Install();
    Post(EC_PAUSED, 1, 2);
    Post(EC_CLOCK_CHANGED, 3, 4);
    Post(0x55, 5, 6);

    HandleGraphEvents(window);

    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"events.GetEvent(0)", "events.FreeEventParams(14,1,2)",
                                        "events.GetEvent(0)", "events.FreeEventParams(13,3,4)",
                                        "events.GetEvent(0)", "events.FreeEventParams(85,5,6)",
                                        "events.GetEvent(0)"}))
        << LogText();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(gPlaylist.current, list.Entry(0));
}

TEST_F(GraphEvents, CompletionOfTheLastItemEndsTheLoopWithoutTouchingTheReleasedGraph) {
    TestPlaylist list({"a.avi", "b.avi"});
    list.Install();
    gPlaylist.current = list.Entry(1);
    Post(EC_COMPLETE);
    Post(EC_COMPLETE);

    HandleGraphEvents(window);

    EXPECT_EQ(LoggedWithPrefix("events."),
              (std::vector<std::string>{"events.GetEvent(0)", "events.FreeEventParams(1,0,0)",
                                        "events.Release"}))
        << LogText();
    EXPECT_TRUE(LoggedWithPrefix("playItem(").empty());
    EXPECT_EQ(PixelAt(10, 10), RGB(0, 0, 0));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(GraphEvents, CompletionIntoAnItemWithoutGraphEndsTheLoop) {
    // The next item plays through QuickTime: no event interface is held afterwards.
    TestPlaylist list({"a.avi", "b.mov"});
    list.Install();
    Post(EC_COMPLETE);
    Post(EC_COMPLETE);

    HandleGraphEvents(window);

    EXPECT_EQ(CountLogged("playItem(b.mov)"), 1) << LogText();
    EXPECT_EQ(CountLogged("events.GetEvent(0)"), 1);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(GraphEvents, NothingHappensWithoutAnEventInterface) {
    gGraph.events = nullptr;

    EXPECT_EQ(Send(GraphEventMessage, 0, 0), 0);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(GraphEvents, NoCallAfterTheWindowIsDestroyed) {
    Post(EC_COMPLETE);
    windowDestroyed = true;

    HandleGraphEvents(window);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
}

TEST_F(GraphEvents, FailingFreeIsReported) {
    fakes->events.freeResult = E_UNEXPECTED;
    Post(EC_PAUSED);

    HandleGraphEvents(window);

    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u}) << LogText();
}

} // namespace
