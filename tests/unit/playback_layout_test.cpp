// Placing the picture: the box from the display size, the preview scaling, the aspect
// correction and its ratio factor, centring with truncation, and what reaches the renderer.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/saver_window.h"
#include "playback/video_geometry.h"
#include "playback/video_rect.h"

namespace {

struct Video {
    int width;
    int height;
    int ratioWidth;
    int ratioHeight;
};

constexpr Video kVga = {320, 240, 320, 240};

VideoLayoutInput FullScreen(int screenWidth, int screenHeight, Video video, int size,
                            int aspectRatio) {
    VideoLayoutInput in = {};
    in.videoWidth = video.width;
    in.videoHeight = video.height;
    in.ratioWidth = video.ratioWidth;
    in.ratioHeight = video.ratioHeight;
    in.size = size;
    in.aspectRatio = aspectRatio;
    in.previewMode = false;
    SetRect(&in.client, 0, 0, screenWidth, screenHeight);
    SetRect(&in.window, 0, 0, screenWidth, screenHeight);
    SetRect(&in.desktop, 0, 0, screenWidth, screenHeight);
    return in;
}

// A border-less preview window of 152 x 112 at screen (300, 200) on a 1024 x 768 desktop; the
// saver's child reaches the preview window's right and bottom screen coordinates.
VideoLayoutInput Preview(Video video, int size, int aspectRatio) {
    VideoLayoutInput in = FullScreen(1024, 768, video, size, aspectRatio);
    in.previewMode = true;
    SetRect(&in.client, 0, 0, 452, 312);
    SetRect(&in.window, 300, 200, 752, 512);
    return in;
}

std::string Text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

std::string Destination(const VideoLayoutInput& in) {
    return Text(ComputeVideoLayout(in).destination);
}

TEST(VideoLayout, FullScreenSixteenByNineOnFourByThree) {
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, kVga, 0, 2));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 1024);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 576);
    EXPECT_EQ(Text(layout.destination), "0,96,1024,672");
    EXPECT_EQ(Text(layout.area), "0,0,1024,768");
}

TEST(VideoLayout, RatioFactorMakesFourByThreeFillAFiveByFourScreen) {
    EXPECT_EQ(Destination(FullScreen(1280, 1024, kVga, 0, 1)), "0,0,1280,1024");
    EXPECT_EQ(Destination(FullScreen(1280, 1024, kVga, 0, 2)), "0,128,1280,896");
    // The video's own 4:3 ratio is read the same way.
    EXPECT_EQ(Destination(FullScreen(1280, 1024, kVga, 0, 0)), "0,0,1280,1024");
}

TEST(VideoLayout, RatioFactorAppliesToTheVideosOwnRatio) {
    // k = 0.9375: the 4:3 picture at 100% becomes 300 x 256 on 1280 x 1024.
    VideoLayout layout = ComputeVideoLayout(FullScreen(1280, 1024, kVga, 3, 0));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 300);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 256);
    EXPECT_EQ(Text(layout.destination), "490,384,790,640");
}

TEST(VideoLayout, ScreenRatioFillsAndOtherCodesGiveASquare) {
    EXPECT_EQ(Destination(FullScreen(1024, 768, kVga, 0, 3)), "0,0,1024,768");
    EXPECT_EQ(Destination(FullScreen(1024, 768, kVga, 0, 7)), "128,0,896,768");
    EXPECT_EQ(Destination(FullScreen(1024, 768, kVga, 0, -1)), "128,0,896,768");
    EXPECT_EQ(Destination(FullScreen(1280, 1024, kVga, 0, 9)), "128,0,1152,1024");
}

TEST(VideoLayout, HundredPercentIsTheVideoSizeCentred) {
    EXPECT_EQ(Destination(FullScreen(1024, 768, kVga, 3, 0)), "352,264,672,504");
}

TEST(VideoLayout, SeventyFivePercentUsesTwoThirds) {
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, kVga, 2, 1));
    EXPECT_NEAR(layout.boxWidth, 213.3333333, 1e-6);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 160);
    EXPECT_EQ(Text(layout.destination), "405,304,618,464");
}

TEST(VideoLayout, BothCandidatesApplyToABoxSmallerThanTheArea) {
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, kVga, 3, 2));
    EXPECT_NEAR(layout.boxWidth, 426.6666667, 1e-6);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 180);
    EXPECT_EQ(Text(layout.destination), "298,294,725,474");
}

TEST(VideoLayout, FiftyPercentHalvesInIntegers) {
    Video odd = {321, 241, 321, 241};
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, odd, 1, 3));
    EXPECT_NEAR(layout.boxWidth, 160, 1e-9);
    EXPECT_NEAR(layout.boxHeight, 120, 1e-9);
}

TEST(VideoLayout, HundredFiftyAndTwoHundredPercent) {
    EXPECT_EQ(Destination(FullScreen(1024, 768, kVga, 4, 1)), "272,204,752,564");
    Video wide = {300, 200, 300, 200};
    // 600 x 400, then both candidates of the screen's 4:3 shape.
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, wide, 5, 3));
    EXPECT_NEAR(layout.boxWidth, 533.3333333, 1e-6);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 450);
    EXPECT_EQ(Text(layout.destination), "245,159,778,609");
}

TEST(VideoLayout, AnamorphicVideoFollowsItsRatioPair) {
    Video pal = {720, 576, 16, 9};
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, pal, 3, 0));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 1024);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 405);
    EXPECT_EQ(Text(layout.destination), "0,181,1024,586");
}

TEST(VideoLayout, EdgesAreTruncatedTowardZero) {
    // A box larger than the screen: the left and top edges are negative fractions.
    Video big = {1365, 1001, 1365, 1001};
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, big, 4, 3));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 2047.5);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 1501.5);
    EXPECT_EQ(Text(layout.destination), "-511,-366,1535,1134");
}

TEST(VideoLayout, PreviewFullSizeUsesThePreviewWindowsOwnSize) {
    VideoLayout layout = ComputeVideoLayout(Preview(kVga, 0, 1));
    EXPECT_EQ(Text(layout.area), "0,0,152,112");
    EXPECT_EQ(Text(layout.destination), "1,0,150,112");
}

TEST(VideoLayout, PreviewShrinksTheBoxLikePreviewToDesktop) {
    VideoLayout layout = ComputeVideoLayout(Preview(kVga, 3, 1));
    EXPECT_NEAR(layout.boxWidth, 46.6666667, 1e-6);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 35.625);
    EXPECT_EQ(Text(layout.destination), "52,38,99,73");
}

TEST(VideoLayout, PreviewCandidatesAreJudgedIndependently) {
    // 640 x 480 shrinks to 95 x 70; the square's two candidates swap the sides.
    VideoLayout layout = ComputeVideoLayout(Preview(kVga, 5, 7));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 70);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 95);
    EXPECT_EQ(Text(layout.destination), "41,8,111,103");
}

TEST(VideoLayout, NoVideoSizeGivesAPointInTheMiddle) {
    Video none = {0, 0, 0, 0};
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, none, 3, 0));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 0);
    EXPECT_DOUBLE_EQ(layout.boxHeight, 0);
    EXPECT_EQ(Text(layout.destination), "512,384,512,384");
}

TEST(VideoLayout, ZeroRatioPairIsNeverTaken) {
    Video none = {0, 0, 0, 0};
    EXPECT_EQ(Destination(FullScreen(1024, 768, none, 0, 0)), "0,0,1024,768");
    Video flat = {320, 240, 4, 0};
    EXPECT_EQ(Destination(FullScreen(1024, 768, flat, 0, 0)), "0,384,1024,384");
    Video thin = {320, 240, 0, 3};
    VideoLayout layout = ComputeVideoLayout(FullScreen(1024, 768, thin, 0, 0));
    EXPECT_DOUBLE_EQ(layout.boxWidth, 0);
    EXPECT_EQ(Text(layout.destination), "512,0,512,768");
}

TEST(VideoLayout, TruncationOfValuesThatAreNoNumbers) {
    EXPECT_EQ(TruncateToInt(-511.75), -511);
    EXPECT_EQ(TruncateToInt(1535.75), 1535);
    EXPECT_EQ(TruncateToInt(0.0 / 1.0 * -1.0), 0);
    double inf = 1e308 * 10;
    EXPECT_EQ(TruncateToInt(inf), INT_MAX);
    EXPECT_EQ(TruncateToInt(-inf), INT_MIN);
    EXPECT_EQ(TruncateToInt(inf - inf), 0);
}

// The part of a picture that shows on its monitor, at the scale of its whole destination.
std::string Clipped(const RECT& destination, const RECT& visible) {
    ClippedPicture c = ClipPicture(destination, visible);
    char part[64];
    snprintf(part, sizeof part, "|%g,%g,%g,%g", c.source.left, c.source.top, c.source.right,
             c.source.bottom);
    return Text(c.destination) + part;
}

TEST(ClipPicture, InsideWholeAndSpillingPartsCroppedAtTheDestinationsScale) {
    EXPECT_EQ(Clipped({352, 264, 672, 504}, {0, 0, 1024, 768}), "352,264,672,504|0,0,1,1");
    // 1280 x 720 at 100% on 1024 x 768; 4K at 100% on 1080p; above and below; at the left.
    EXPECT_EQ(Clipped({672, 24, 1952, 744}, {800, 0, 1824, 768}), "800,24,1824,744|0.1,0,0.9,1");
    EXPECT_EQ(Clipped({-960, -540, 2880, 1620}, {0, 0, 1920, 1080}),
              "0,0,1920,1080|0.25,0.25,0.75,0.75");
    EXPECT_EQ(Clipped({0, -100, 400, 300}, {0, 0, 1024, 200}), "0,0,400,200|0,0.25,1,0.75");
    EXPECT_EQ(Clipped({-100, 0, 300, 100}, {0, 0, 1024, 768}), "0,0,300,100|0.25,0,1,1");
}

TEST(ClipPicture, OutsideEmptyAndHugeStaySound) {
    EXPECT_EQ(Clipped({-500, 0, -100, 300}, {0, 0, 1024, 768}), "0,0,0,300|0,0,1,1");
    EXPECT_EQ(Clipped({512, 384, 512, 384}, {0, 0, 1024, 768}), "512,384,512,384|0,0,1,1");
    EXPECT_EQ(Clipped({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 1024, 768}),
              "0,0,1024,768|0.5,0.5,0.5,0.5");
    // In pixels, at least one of a picture that has any.
    EXPECT_EQ(Text(FractionToPixels({0.5f, 0.999f, 0.5001f, 1.0f}, 320, 240)), "160,239,161,240");
}

// LayoutVideo on a real window with fake renderers.
class VideoLayoutPlacement : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        RECT desktop;
        GetWindowRect(GetDesktopWindow(), &desktop);
        if (desktop.right != 1024 || desktop.bottom != 768) {
            GTEST_SKIP() << "needs a 1024 x 768 desktop";
        }
        MakeWindow(0, 0, 1024, 768);
        ClearFakeLog();
    }
    // A running graph whose windowless renderer gives a 320 x 240 picture of ratio 4:3.
    void InstallVgaWindowless() {
        fakes->InstallRunning(true);
        fakes->windowless.width = 320;
        fakes->windowless.height = 240;
        fakes->windowless.ratioWidth = 320;
        fakes->windowless.ratioHeight = 240;
    }
    // The border-less preview window of 152 x 112 at (300, 200) and the saver's child in it.
    HWND MakePreviewChild(HWND* preview) {
        *preview = CreatePlainWindow(WS_POPUP | WS_VISIBLE, nullptr, 300, 200, 152, 112);
        HWND child = CreatePlainWindow(WS_CHILD | WS_VISIBLE, *preview, 0, 0, 452, 312);
        gHost.previewMode = true;
        gHost.previewParent = *preview;
        screen->window = child;
        screen->preview = true;
        return child;
    }
    // A display change is acted on from the message loop: what it posted is delivered here.
    // False when it posted nothing.
    bool DeliverDisplayChange(HWND target) {
        MSG posted;
        if (!PeekMessageW(&posted, target, WM_APP, 0xBFFF, PM_REMOVE)) {
            return false;
        }
        ScreenSaverProc(target, posted.message, posted.wParam, posted.lParam);
        return true;
    }
    void ExpectAllBlack(HWND w, int width, int height) {
        HDC dc = GetDC(w);
        for (POINT p : {POINT{0, 0}, POINT{width - 1, 0}, POINT{0, height - 1},
                        POINT{width - 1, height - 1}, POINT{width / 2, height / 2}}) {
            EXPECT_EQ(GetPixel(dc, p.x, p.y), RGB(0, 0, 0)) << p.x << "," << p.y;
        }
        ReleaseDC(w, dc);
    }
};

TEST_F(VideoLayoutPlacement, Vmr9GetsTheSourceAndTheDestination) {
    InstallVgaWindowless();
    gSettings.Size = 3;
    gSettings.AspectRatio = 0;

    LayoutVideo(*screen);

    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"windowless.GetNativeVideoSize",
                                        "windowless.SetVideoPosition(0,0,320,240|352,264,672,504)"}))
        << LogText();
    ExpectAllBlack(window, 1024, 768);
}

TEST_F(VideoLayoutPlacement, OwnRendererGetsPositionAndSize) {
    fakes->InstallRunning(false);
    fakes->basicVideo.width = 320;
    fakes->basicVideo.height = 240;
    fakes->basicVideo.ratioWidth = 4;
    fakes->basicVideo.ratioHeight = 3;
    gSettings.Size = 2;
    gSettings.AspectRatio = 1;

    LayoutVideo(*screen);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"basicVideo.GetVideoSize",
                                                   "basicVideo.GetPreferredAspectRatio",
                                                   "basicVideo.SetSourcePosition(0,0,320,240)",
                                                   "videoWindow.SetWindowPosition(405,304,213,160)"}))
        << LogText();
    ExpectAllBlack(window, 1024, 768);

    // 1280 x 720 at 100% on the 1024 x 768 monitor: 128 pixels of each side are cut off.
    fakes->basicVideo.width = fakes->basicVideo.ratioWidth = 1280;
    fakes->basicVideo.height = fakes->basicVideo.ratioHeight = 720;
    gSettings.Size = 3;
    gSettings.AspectRatio = 0;
    LayoutVideo(*screen);
    EXPECT_EQ(CountLogged("basicVideo.SetSourcePosition(128,0,1024,720)"), 1) << LogText();
    EXPECT_EQ(CountLogged("videoWindow.SetWindowPosition(0,24,1024,720)"), 1) << LogText();
}

TEST_F(VideoLayoutPlacement, FailedSizeQueriesOfTheOwnRendererGiveNoSize) {
    fakes->InstallRunning(false);
    fakes->basicVideo.sizeResult = E_NOINTERFACE;
    fakes->basicVideo.ratioResult = E_NOINTERFACE;
    gSettings.Size = 3;
    gSettings.AspectRatio = 0;

    LayoutVideo(*screen);

    EXPECT_EQ(CountLogged("videoWindow.SetWindowPosition(512,384,0,0)"), 1) << LogText();
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
}

TEST_F(VideoLayoutPlacement, FailedNativeSizeIsReported) {
    fakes->InstallRunning(true);
    fakes->windowless.sizeResult = E_UNEXPECTED;

    LayoutVideo(*screen);

    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u}) << LogText();
}

TEST_F(VideoLayoutPlacement, WithoutGraphNothingIsPaintedOrPlaced) {
    gGraph.windowless = &fakes->windowless;
    gGraph.vmr9InUse = 1;

    LayoutVideo(*screen);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    EXPECT_EQ(PixelAt(512, 384), RGB(255, 255, 255));
}

TEST_F(VideoLayoutPlacement, SizeQueriesAreSkippedOnceTheWindowIsDestroyed) {
    fakes->InstallRunning(true);
    fakes->windowless.width = 320;
    fakes->windowless.height = 240;
    windowDestroyed = true;

    LayoutVideo(*screen);

    EXPECT_EQ(CountLogged("windowless.GetNativeVideoSize"), 0) << LogText();
    EXPECT_TRUE(FakeHooks().exitCodes.empty());
}

TEST_F(VideoLayoutPlacement, PreviewChildIsLaidOutInThePreviewWindowsSize) {
    HWND preview = nullptr;
    HWND child = MakePreviewChild(&preview);
    ASSERT_NE(child, nullptr);
    InstallVgaWindowless();
    gSettings.Size = 0;
    gSettings.AspectRatio = 1;

    LayoutVideo(*screen);
    gSettings.Size = 3;
    LayoutVideo(*screen);

    EXPECT_EQ(LoggedWithPrefix("windowless.SetVideoPosition"),
              (std::vector<std::string>{"windowless.SetVideoPosition(0,0,320,240|1,0,150,112)",
                                        "windowless.SetVideoPosition(0,0,320,240|52,38,99,73)"}))
        << LogText();
    ExpectAllBlack(child, 152, 112);
    DestroyPlainWindow(preview);
}

} // namespace

// Full screen over several monitors: the picture on the primary one, which lies somewhere in
// the window that covers them all.

namespace {

VideoLayoutInput OnMonitor(Video video, int size, int aspectRatio) {
    // Whatever the caller had read of the window does not matter: the monitor stands for it.
    return FullScreen(1824, 768, video, size, aspectRatio);
}

} // namespace

TEST(VideoLayoutOnMonitor, PrimaryAtTheLeftOfTheVirtualScreen) {
    RECT primary = {0, 0, 1024, 768};
    VideoLayout layout = ComputeLayoutOnMonitor(OnMonitor(kVga, 0, 2), primary);
    EXPECT_EQ(Text(layout.area), "0,0,1024,768");
    EXPECT_EQ(Text(layout.destination), "0,96,1024,672");
    EXPECT_EQ(Text(ComputeLayoutOnMonitor(OnMonitor(kVga, 3, 0), primary).destination),
              "352,264,672,504");
}

TEST(VideoLayoutOnMonitor, PrimaryRightOfANegativeOrigin) {
    // The second monitor at (-800, 84): the window starts there, so the primary monitor lies at
    // x 800 of the client area.
    POINT clientOrigin = {-800, 0};
    RECT primary = ScreenRectToClient({0, 0, 1024, 768}, clientOrigin);
    EXPECT_EQ(Text(primary), "800,0,1824,768");
    VideoLayout layout = ComputeLayoutOnMonitor(OnMonitor(kVga, 2, 1), primary);
    EXPECT_EQ(Text(layout.area), "800,0,1824,768");
    EXPECT_EQ(Text(layout.destination), "1205,304,1418,464");
    // The ratio factor is the monitor's, not the virtual screen's: square stays square.
    EXPECT_EQ(Text(ComputeLayoutOnMonitor(OnMonitor(kVga, 0, 7), primary).destination),
              "928,0,1696,768");
}

TEST(VideoLayoutOnMonitor, MonitorBelowAndAboveTheOrigin) {
    POINT clientOrigin = {0, -600};
    RECT primary = ScreenRectToClient({0, 0, 1280, 1024}, clientOrigin);
    EXPECT_EQ(Text(primary), "0,600,1280,1624");
    EXPECT_EQ(Text(ComputeLayoutOnMonitor(OnMonitor(kVga, 0, 2), primary).destination),
              "0,728,1280,1496");
}

TEST(VideoLayoutOnMonitor, TruncationHappensOnTheMonitorBeforeTheMove) {
    Video big = {1365, 1001, 1365, 1001};
    RECT primary = {800, 0, 1824, 768};
    EXPECT_EQ(Text(ComputeLayoutOnMonitor(OnMonitor(big, 4, 3), primary).destination),
              "289,-366,2335,1134");
}

TEST_F(VideoLayoutPlacement, FullScreenWindowLeftOfTheScreenOriginPlacesOnThePrimary) {
    // A window that starts 200 pixels left of the primary monitor, as with a second monitor
    // there: the picture keeps its place on the screen.
    MakeWindow(-200, 0, 1224, 768);
    ClearFakeLog();
    InstallVgaWindowless();
    gSettings.Size = 3;
    gSettings.AspectRatio = 0;

    LayoutVideo(*screen);

    EXPECT_EQ(LoggedWithPrefix("windowless.SetVideoPosition"),
              std::vector<std::string>{"windowless.SetVideoPosition(0,0,320,240|552,264,872,504)"})
        << LogText();
    // Client x 201 and 1220 are screen x 1 and 1020.
    EXPECT_EQ(PixelAt(201, 1), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(1220, 760), RGB(0, 0, 0));
}

TEST_F(VideoLayoutPlacement, DisplayChangeCoversTheScreenAgainAndPlacesThePicture) {
    MakeWindow(100, 100, 300, 200);
    ClearFakeLog();
    InstallVgaWindowless();
    gSettings.Size = 3;
    gSettings.AspectRatio = 0;

    // A burst of changes is acted on once, from the message loop.
    Send(WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    Send(WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    EXPECT_TRUE(FakeLog().empty()) << LogText();
    ASSERT_TRUE(DeliverDisplayChange(window));
    EXPECT_FALSE(DeliverDisplayChange(window));

    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(Text(rect), "0,0,1024,768");
    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"windowless.DisplayModeChanged",
                                        "windowless.GetNativeVideoSize",
                                        "windowless.SetVideoPosition(0,0,320,240|352,264,672,504)"}))
        << LogText();
    ExpectAllBlack(window, 1024, 768);
}

TEST_F(VideoLayoutPlacement, DisplayChangeInPreviewKeepsTheChildsGeometry) {
    HWND preview = nullptr;
    HWND child = MakePreviewChild(&preview);
    ASSERT_NE(child, nullptr);
    InstallVgaWindowless();
    gSettings.Size = 0;
    gSettings.AspectRatio = 1;

    ScreenSaverProc(child, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    ASSERT_TRUE(DeliverDisplayChange(child));

    RECT rect;
    GetWindowRect(child, &rect);
    EXPECT_EQ(Text(rect), "300,200,752,512");
    EXPECT_EQ(LoggedWithPrefix("windowless.SetVideoPosition"),
              std::vector<std::string>{"windowless.SetVideoPosition(0,0,320,240|1,0,150,112)"})
        << LogText();
    DestroyPlainWindow(preview);
}

TEST_F(VideoLayoutPlacement, PaintRepaintsThePausedWindowlessPictureOnBlack) {
    fakes->InstallRunning(true);
    fakes->control.state = State_Paused;
    SetRect(&fakes->windowless.position, 352, 264, 672, 504);
    InvalidateRect(window, nullptr, FALSE);

    Send(WM_PAINT, 0);

    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"windowless.GetVideoPosition",
                                                   "control.GetState(0)",
                                                   "windowless.RepaintVideo"}))
        << LogText();
    EXPECT_EQ(fakes->windowless.repaintWindow, window);
    EXPECT_TRUE(fakes->windowless.repaintHadDc);
    // The repainted frame stays in the picture's rectangle; black wins everywhere else.
    EXPECT_EQ(PixelAt(352, 264), FakeWindowless::kRepaintColour);
    EXPECT_EQ(PixelAt(671, 503), FakeWindowless::kRepaintColour);
    EXPECT_EQ(PixelAt(351, 264), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(672, 503), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(1023, 767), RGB(0, 0, 0));
    // Nothing is left to paint afterwards.
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
}

TEST_F(VideoLayoutPlacement, PaintWhileRunningLeavesThePictureToTheNextFrame) {
    fakes->InstallRunning(true);
    SetRect(&fakes->windowless.position, 352, 264, 672, 504);
    FillWindow(RGB(0, 0, 255));
    InvalidateRect(window, nullptr, FALSE);

    Send(WM_PAINT, 0);

    EXPECT_EQ(CountLogged("windowless.RepaintVideo"), 0) << LogText();
    EXPECT_EQ(PixelAt(352, 264), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(351, 264), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(1023, 767), RGB(0, 0, 0));
}

TEST_F(VideoLayoutPlacement, PaintWithoutThePicturesPlaceLeavesOnlyBlack) {
    fakes->InstallRunning(true);
    fakes->control.state = State_Stopped;
    fakes->windowless.positionResult = E_FAIL;
    InvalidateRect(window, nullptr, FALSE);

    Send(WM_PAINT, 0);

    EXPECT_EQ(CountLogged("windowless.RepaintVideo"), 1) << LogText();
    ExpectAllBlack(window, 1024, 768);
}

TEST_F(VideoLayoutPlacement, PaintWithoutTheWindowlessRendererOnlyFillsBlack) {
    fakes->InstallRunning(false);
    InvalidateRect(window, nullptr, FALSE);

    Send(WM_PAINT, 0);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
    ExpectAllBlack(window, 1024, 768);
}
