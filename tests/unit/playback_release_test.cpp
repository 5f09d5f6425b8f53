// Ending an item's graph: the stop, the order of the releases, COM, and the black window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class GraphRelease : public PlaybackTest {};

const std::vector<std::string> kVmr9ReleaseOrder = {
    "graph2.Release",     "control.Release",   "audio.Release",     "seeking.Release",
    "events.Release",     "source.Release",    "fileSource.Release", "asfReader.Release",
    "vmrConfig.Release",  "vmr9.Release",      "windowless.Release", "audioRenderer.Release",
    "graph.Release"};

void ExpectRecordEmpty() {
    EXPECT_EQ(gGraph.graph, nullptr);
    EXPECT_EQ(gGraph.graph2, nullptr);
    EXPECT_EQ(gGraph.control, nullptr);
    EXPECT_EQ(gGraph.seeking, nullptr);
    EXPECT_EQ(gGraph.events, nullptr);
    EXPECT_EQ(gGraph.audio, nullptr);
    EXPECT_EQ(gGraph.videoWindow, nullptr);
    EXPECT_EQ(gGraph.basicVideo, nullptr);
    EXPECT_EQ(gGraph.vmrConfig, nullptr);
    EXPECT_EQ(gGraph.windowless, nullptr);
    EXPECT_EQ(gGraph.vmr9, nullptr);
    EXPECT_EQ(gGraph.audioRenderer, nullptr);
    EXPECT_EQ(gGraph.asfReader, nullptr);
    EXPECT_EQ(gGraph.fileSource, nullptr);
    EXPECT_EQ(gGraph.source, nullptr);
}

TEST_F(GraphRelease, RunningVmr9GraphIsStoppedThenReleasedInOrder) {
    fakes->InstallRunning(true);
    fakes->control.state = State_Running;

    StopAndReleaseGraph(*screen);

    std::vector<std::string> expected = {"control.GetState(1000)", "control.Stop"};
    expected.insert(expected.end(), kVmr9ReleaseOrder.begin(), kVmr9ReleaseOrder.end());
    EXPECT_EQ(FakeLog(), expected) << LogText();
    ExpectRecordEmpty();
    EXPECT_EQ(fakes->graph.Refs(), 0);
    EXPECT_EQ(PixelAt(5, 5), kBlack);
    EXPECT_EQ(PixelAt(319, 239), kBlack);
    EXPECT_EQ(gGraph.graphActive, 0);
    EXPECT_EQ(screen->player, nullptr);
}

TEST_F(GraphRelease, OwnVideoWindowIsDetachedBeforeTheReleases) {
    fakes->InstallRunning(false);
    fakes->control.state = State_Paused;

    StopAndReleaseGraph(*screen);

    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{
                  "control.GetState(1000)", "control.Stop", "videoWindow.put_Owner(0)",
                  "videoWindow.Release", "basicVideo.Release", "graph2.Release",
                  "control.Release", "audio.Release", "seeking.Release", "events.Release",
                  "source.Release", "fileSource.Release", "asfReader.Release",
                  "audioRenderer.Release", "graph.Release"}))
        << LogText();
    ExpectRecordEmpty();
    EXPECT_EQ(PixelAt(5, 5), kBlack);
}

TEST_F(GraphRelease, StoppedGraphIsNotStoppedAgain) {
    fakes->InstallRunning(true);
    fakes->control.state = State_Stopped;

    StopAndReleaseGraph(*screen);

    EXPECT_EQ(CountLogged("control.GetState(1000)"), 1);
    EXPECT_EQ(CountLogged("control.Stop"), 0) << LogText();
    EXPECT_EQ(fakes->graph.Releases(), 1);
}

TEST_F(GraphRelease, OnlyTheHeldInterfacesAreReleased) {
    gGraph.graph = &fakes->graph;
    gGraph.audioRenderer = &fakes->audioRenderer;
    gGraph.events = &fakes->events;
    gGraph.graphActive = 1;
    screen->player = &screen->directShow;

    StopAndReleaseGraph(*screen);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"events.Release", "audioRenderer.Release",
                                                   "graph.Release"}))
        << LogText();
    EXPECT_EQ(PixelAt(5, 5), kBlack);
}

TEST_F(GraphRelease, NothingHeldOnlyPaintsBlack) {
    // The state at process start: active, nothing held.
    StopAndReleaseGraph(*screen);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(PixelAt(5, 5), kBlack);
    EXPECT_EQ(PixelAt(160, 120), kBlack);
}

TEST_F(GraphRelease, InactiveGraphIsLeftAloneAndTheWindowStillBlack) {
    fakes->InstallRunning(true);
    gGraph.graphActive = 0;

    StopAndReleaseGraph(*screen);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(gGraph.graph, &fakes->graph);
    EXPECT_EQ(gGraph.control, &fakes->control);
    EXPECT_EQ(PixelAt(5, 5), kBlack);
}

TEST_F(GraphRelease, SecondReleaseFindsNothingAndOnlyPaints) {
    fakes->InstallRunning(true);
    StopAndReleaseGraph(*screen);
    FillWindow(kWhite);
    ClearFakeLog();

    StopAndReleaseGraph(*screen);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(fakes->graph.Releases(), 1);
    EXPECT_EQ(PixelAt(5, 5), kBlack);
}

TEST_F(GraphRelease, StillStopsAndReleasesAfterTheWindowIsDestroyed) {
    fakes->InstallRunning(false);
    windowDestroyed = true;

    StopAndReleaseGraph(*screen);

    EXPECT_EQ(CountLogged("control.Stop"), 1) << LogText();
    EXPECT_EQ(CountLogged("videoWindow.put_Owner(0)"), 1);
    EXPECT_EQ(fakes->graph.Releases(), 1);
    ExpectRecordEmpty();
}

TEST_F(GraphRelease, FailingDetachOfTheVideoWindowIsIgnored) {
    fakes->InstallRunning(false);
    fakes->videoWindow.putOwnerResult = E_FAIL;

    StopAndReleaseGraph(*screen);

    EXPECT_TRUE(FakeHooks().exitCodes.empty()) << LogText();
    ExpectRecordEmpty();
}

TEST_F(GraphRelease, FailingStateQueryIsReported) {
    fakes->InstallRunning(true);
    fakes->control.getStateResult = E_UNEXPECTED;

    StopAndReleaseGraph(*screen);

    ASSERT_EQ(FakeHooks().exitCodes.size(), 1u) << LogText();
    EXPECT_EQ(FakeHooks().exitCodes[0], 1u);
    // Reported straight after the query, before anything is released.
    EXPECT_LT(IndexOfLogged("endProcess(1)"), IndexOfLogged("graph2.Release"));
}

struct ComProbe {
    HWND window;
    HRESULT first;
    HRESULT again;
    int flagAfter;
};

DWORD WINAPI ReleaseOnFreshThread(void* param) {
    ComProbe* probe = (ComProbe*)param;
    probe->first = CoInitialize(nullptr);
    gGraph.comInitialised = 1;
    StopAndReleaseGraph(TestScreen());
    probe->flagAfter = gGraph.comInitialised;
    // S_OK again only when the release really uninitialised COM on this thread.
    probe->again = CoInitialize(nullptr);
    CoUninitialize();
    if (probe->again == S_FALSE) {
        CoUninitialize();
    }
    return 0;
}

TEST_F(GraphRelease, UninitialisesComItInitialisedForTheItem) {
    fakes->InstallRunning(true);
    ComProbe probe = {window, E_FAIL, E_FAIL, -1};

    HANDLE thread = CreateThread(nullptr, 0, ReleaseOnFreshThread, &probe, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    EXPECT_EQ(probe.first, S_OK);
    EXPECT_EQ(probe.flagAfter, 0);
    EXPECT_EQ(probe.again, S_OK);
}

TEST_F(GraphRelease, LeavesComAloneWhenItWasNotInitialisedForTheItem) {
    gGraph.comInitialised = 0;
    HRESULT first = CoInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(first));

    StopAndReleaseGraph(*screen);

    // Still initialised by this test: a further call only nests.
    HRESULT again = CoInitialize(nullptr);
    EXPECT_EQ(again, S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST_F(GraphRelease, DestroyingTheWindowRunsTheReleaseAndEndsWithCodeZero) {
    fakes->InstallRunning(true);
    gHost.previewParent = GetDesktopWindow(); // leaves the cursor alone

    EXPECT_EQ(Send(WM_DESTROY, 0), 0);

    EXPECT_TRUE(windowDestroyed);
    EXPECT_EQ(fakes->graph.Releases(), 1) << LogText();
    ASSERT_EQ(FakeHooks().exitCodes.size(), 1u);
    EXPECT_EQ(FakeHooks().exitCodes[0], 0u);
    EXPECT_LT(IndexOfLogged("graph.Release"), IndexOfLogged("endProcess(0)"));
    // The quit message was posted; take it off so the test thread's queue stays clean.
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

} // namespace
