// A DirectShow graph's events: completion ends the item, aborts end the saver, the rest are
// only freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"

namespace {

using Log = std::vector<std::string>;

class GraphEvents : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        fakes->InstallRunning(true);
    }
    void Post(long code, LONG_PTR p1 = 0, LONG_PTR p2 = 0) {
        fakes->events.waiting.push_back({code, p1, p2});
    }
    PlayerNews Handle() { return screen->directShow.HandleEvent(GraphEventMessage, 0, 0); }
};

TEST_F(GraphEvents, CompletionEndsTheItemAndLeavesLaterEventsToTheReleasedGraph) {
    Post(EC_PAUSED, 1, 2);
    Post(EC_COMPLETE, 11, 12);
    Post(EC_PAUSED);
    EXPECT_EQ(Handle(), PlayerNews::Ended);
    EXPECT_EQ(LoggedWithPrefix("events."),
              (Log{"events.GetEvent(0)", "events.FreeEventParams(14,1,2)", "events.GetEvent(0)",
                   "events.FreeEventParams(1,11,12)"}))
        << LogText();
    EXPECT_EQ(fakes->events.waiting.size(), 1u);
}

TEST_F(GraphEvents, OtherCodesAreFreedAndIgnored) {
    Post(EC_PAUSED, 1, 2);
    Post(EC_CLOCK_CHANGED, 3, 4);
    Post(0x55, 5, 6);
    EXPECT_EQ(Handle(), PlayerNews::None);
    EXPECT_EQ(FakeLog(), (Log{"events.GetEvent(0)", "events.FreeEventParams(14,1,2)",
                              "events.GetEvent(0)", "events.FreeEventParams(13,3,4)",
                              "events.GetEvent(0)", "events.FreeEventParams(85,5,6)",
                              "events.GetEvent(0)"}))
        << LogText();
}

TEST_F(GraphEvents, EitherAbortEndsTheSaverWithoutAMessage) {
    Post(EC_USERABORT);
    EXPECT_EQ(Handle(), PlayerNews::Aborted);

    Post(EC_ERRORABORT, (LONG_PTR)E_FAIL, 0);
    Post(EC_COMPLETE);
    EXPECT_EQ(Send(GraphEventMessage, 0, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(FakeHooks().boxTexts.empty());
    EXPECT_EQ(fakes->events.waiting.size(), 1u) << "the completion after it was never read";
}

TEST_F(GraphEvents, NothingIsReadWithoutAnEventInterfaceOrOnceTheWindowIsDestroyed) {
    gGraph.events = nullptr;
    EXPECT_EQ(Send(GraphEventMessage, 0, 0), 0);
    EXPECT_TRUE(FakeLog().empty()) << LogText();

    gGraph.events = &fakes->events;
    Post(EC_COMPLETE);
    windowDestroyed = true;
    EXPECT_EQ(Handle(), PlayerNews::None);
    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(GraphEvents, FailingFreeIsReported) {
    fakes->events.freeResult = E_UNEXPECTED;
    Post(EC_PAUSED);
    Handle();
    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u}) << LogText();
}

} // namespace
