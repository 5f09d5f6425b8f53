#include "playback/directshow_player.h"

#include "playback/error_report.h"
#include "playback/graph_builder.h"
#include "playback/graph_sound.h"
#include "playback/picture_window.h"
#include "playback/seek_math.h"
#include "playback/video_rect.h"
#include "playback/volume_level.h"
#include "settings/settings.h"

long long seekStep = 5;
long long seekRepeatCount = 0;

namespace {

constexpr DWORD kRepaintPauseMs = 200;
constexpr DWORD kRendererSeekPauseMs = 1000;
// Longest wait for a paused graph to cue its first picture.
constexpr DWORD kCueWaitMs = 2000;
constexpr DWORD kCuePollMs = 20;

bool Usable(const void* p) { return p != nullptr && !windowDestroyed; }

// Waits, with a bound, for a pausing graph to hold its first picture, letting messages sent to
// the window by the renderer through meanwhile; input cuts the wait short, since it may end the
// saver.
void WaitUntilCued(IMediaControl* control) {
    // Only input that comes during the wait counts: a key already queued (the one that moved to
    // this item, say) does not cut it short.
    GetQueueStatus(QS_INPUT);
    for (DWORD waited = 0; waited < kCueWaitMs; waited += kCuePollMs) {
        OAFilterState state = State_Running;
        HRESULT hr = control->GetState(0, &state);
        if (FAILED(hr) || hr == S_OK) {
            return;
        }
        if (LOWORD(GetQueueStatus(QS_INPUT)) != 0) {
            return;
        }
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        gPlaybackHooks.sleep(kCuePollMs);
    }
}

} // namespace

DirectShowPlayer::DirectShowPlayer() : graph() {}

DirectShowPlayer::~DirectShowPlayer() {
    Close();
    if (picture_ != nullptr && IsWindow(picture_)) {
        DestroyWindow(picture_);
    }
}

PlayerOpen DirectShowPlayer::Open(HWND into, const wchar_t* path) {
    Close();
    window = into;
    seekRepeatCount = 0;
    // In full screen the picture has a window of its own, which can stand over the next item's
    // while that one opens.
    if (picture_ == nullptr && (GetWindowLongW(into, GWL_STYLE) & WS_CHILD) == 0) {
        picture_ = CreatePictureWindow(into, this);
    }
    PlayerOpen opened = BuildGraph(graph, into, Target(), path, !Muted(), true);
    if (graph.vmr9Refused) {
        Close();
        opened = BuildGraph(graph, into, Target(), path, !Muted(), false);
    }
    return opened;
}

void DirectShowPlayer::Hide() {
    if (picture_ != nullptr) {
        ShowWindow(picture_, SW_HIDE);
    }
}

// The last picture stays; the sound stops with the stream.
void DirectShowPlayer::Hold() {
    if (Usable(graph.control)) {
        CheckResult(graph.control->Pause());
    }
}

void DirectShowPlayer::RepaintPicture(HWND target, HDC dc) {
    if (graph.vmr9InUse && Usable(graph.windowless)) {
        // Not examined: a renderer without a picture yet has nothing to show.
        graph.windowless->RepaintVideo(target, dc);
    }
}

void DirectShowPlayer::StartAt(LONGLONG from) {
    PlaybackGraph& g = graph;
    // The place is set while the graph is still stopped, where setting it flushes nothing; a
    // flushing seek on a graph that is cueing its first picture can stall Wine's splitter for
    // good. The paused graph then holds the picture from there before playback starts.
    if (Usable(g.seeking)) {
        LONGLONG start = from;
        CheckResult(g.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                            AM_SEEKING_NoPositioning));
    }
    ChangeVolume(Muted() ? -10000 : 0);
    if (g.seeking) {
        ReadSeekingCaps(g);
    }
    if (Usable(g.control)) {
        CheckResult(g.control->Pause());
        WaitUntilCued(g.control);
    }
    if (Usable(g.control)) {
        CheckResult(g.control->Run());
    }
}

bool DirectShowPlayer::Rewind() {
    if (graph.graphActive != 1) {
        return false;
    }
    if (graph.seeking) {
        LONGLONG start = 0;
        CheckResult(graph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning));
    }
    if (graph.control) {
        CheckResult(graph.control->Run());
    }
    return true;
}

void DirectShowPlayer::Stop() {
    if (graph.control) {
        CheckResult(graph.control->Stop());
    }
}

void DirectShowPlayer::Close() {
    PlaybackGraph& g = graph;
    resting_ = false;
    beneath = nullptr;
    Hide();
    if (g.graphActive != 1) {
        return;
    }
    if (g.control) {
        OAFilterState state = State_Stopped;
        CheckResult(g.control->GetState(1000, &state));
        if (state == State_Paused || state == State_Running) {
            CheckResult(g.control->Stop());
        }
    }
    if (!g.vmr9InUse) {
        if (g.videoWindow) {
            g.videoWindow->put_Owner(0);
        }
        SafeRelease(g.videoWindow);
        SafeRelease(g.basicVideo);
    }
    SafeRelease(g.graph2);
    SafeRelease(g.control);
    SafeRelease(g.audio);
    SafeRelease(g.seeking);
    SafeRelease(g.events);
    SafeRelease(g.source);
    SafeRelease(g.fileSource);
    SafeRelease(g.asfReader);
    SafeRelease(g.vmrConfig);
    SafeRelease(g.vmr9);
    SafeRelease(g.windowless);
    SafeRelease(g.audioRenderer);
    SafeRelease(g.graph);
    if (g.comInitialised) {
        CoUninitialize();
        g.comInitialised = 0;
    }
    g.graphActive = 0;
}

// Without a picture (an audio-only item) the size stays 0 x 0.
VideoSize DirectShowPlayer::Size() {
    VideoSize size = {0, 0, 0, 0};
    if (graph.windowless && !windowDestroyed) {
        LONG width = 0, height = 0, ratioWidth = 0, ratioHeight = 0;
        CheckResult(graph.windowless->GetNativeVideoSize(&width, &height, &ratioWidth,
                                                         &ratioHeight));
        size = {width, height, ratioWidth, ratioHeight};
    }
    if (!graph.vmr9InUse && graph.basicVideo && !windowDestroyed) {
        long width = 0, height = 0, ratioWidth = 0, ratioHeight = 0;
        // Not examined: a failure leaves the size at 0 x 0.
        graph.basicVideo->GetVideoSize(&width, &height);
        graph.basicVideo->GetPreferredAspectRatio(&ratioWidth, &ratioHeight);
        size = {width, height, ratioWidth, ratioHeight};
    }
    size_ = size;
    return size;
}

void DirectShowPlayer::Place(const RECT& destination, const RECT& visible) {
    // The picture is cropped to what shows; the renderer scales that part to the part of the
    // destination it fills, so the scale stays the whole destination's.
    ClippedPicture shown = ClipPicture(destination, visible);
    RECT d = shown.destination;
    RECT source = FractionToPixels(shown.source, size_.width, size_.height);
    if (picture_ != nullptr) {
        // The picture's window stands where the picture shows, and the picture fills it.
        SIZE video = {size_.width, size_.height};
        PlaceLargePictureWindow(picture_, window, size_.width == 0 ? RECT{} : d, video, beneath);
        d = {0, 0, d.right - d.left, d.bottom - d.top};
    }
    if (graph.vmr9InUse) {
        if (graph.windowless) {
            graph.windowless->SetVideoPosition(&source, &d);
        }
    } else if (graph.videoWindow) {
        if (graph.basicVideo && size_.width > 0 && size_.height > 0) {
            // Not examined: a renderer that cannot crop still shows the picture within the window.
            graph.basicVideo->SetSourcePosition(source.left, source.top, source.right - source.left,
                                                source.bottom - source.top);
        }
        graph.videoWindow->SetWindowPosition(d.left, d.top, d.right - d.left, d.bottom - d.top);
    }
}

bool DirectShowPlayer::Running() {
    OAFilterState state = State_Stopped;
    return Usable(graph.control) && SUCCEEDED(graph.control->GetState(0, &state)) &&
           state == State_Running;
}

// The windowless renderer shows its picture again on a paint request; a running graph presents
// its next frame by itself within a frame's time, a paused or stopped one only when asked.
bool DirectShowPlayer::Paint(HDC dc, RECT* picture) {
    if (picture_ != nullptr || !graph.vmr9InUse || !Usable(graph.windowless)) {
        return false;
    }
    RECT source;
    bool placed = SUCCEEDED(graph.windowless->GetVideoPosition(&source, picture));
    if (!Running()) {
        // Not examined: a renderer without a picture yet has nothing to show.
        graph.windowless->RepaintVideo(window, dc);
    }
    return placed;
}

void DirectShowPlayer::DisplayChanged() {
    if (graph.vmr9InUse && Usable(graph.windowless)) {
        // Not examined: the layout that follows places the picture whatever the renderer says.
        graph.windowless->DisplayModeChanged();
    }
}

// Sets the position the seek arrived at, shows it, and lets the picture settle.
void DirectShowPlayer::FinishSeek(LONGLONG position) {
    if (Usable(graph.seeking)) {
        HRESULT hr = graph.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning,
                                                 nullptr, AM_SEEKING_NoPositioning);
        CheckResult(SeekResultToCheck(hr, graph.vmr9InUse));
    }
    if (graph.vmr9InUse && Usable(graph.windowless)) {
        HDC dc = GetDC(Target());
        CheckResult(graph.windowless->RepaintVideo(Target(), dc));
        ReleaseDC(Target(), dc);
        gPlaybackHooks.sleep(kRepaintPauseMs);
    }
    if (!graph.vmr9InUse) {
        gPlaybackHooks.sleep(kRendererSeekPauseMs);
    }
    ++seekRepeatCount;
}

void DirectShowPlayer::SeekStep(bool forwards) {
    if (forwards) {
        SeekForwards();
    } else {
        SeekBackwards();
    }
}

void DirectShowPlayer::SeekBackwards() {
    if (!graph.canSeekBackwards) {
        return;
    }
    GrowSeekStep(graph.vmr9InUse, &seekStep, &seekRepeatCount);
    if (Usable(graph.control)) {
        CheckResult(graph.control->Pause());
    }
    LONGLONG position = 0;
    if (Usable(graph.seeking)) {
        CheckResult(graph.seeking->GetCurrentPosition(&position));
    }
    FinishSeek(BackwardSeekTarget(position, seekStep));
}

void DirectShowPlayer::SeekForwards() {
    if (!graph.canSeekForwards) {
        return;
    }
    if (Usable(graph.control)) {
        CheckResult(graph.control->Pause());
    }
    GrowSeekStep(graph.vmr9InUse, &seekStep, &seekRepeatCount);
    LONGLONG position = 0;
    bool haveDuration = false;
    LONGLONG duration = 0;
    if (Usable(graph.seeking)) {
        CheckResult(graph.seeking->GetPositions(&position, nullptr));
        CheckResult(graph.seeking->GetDuration(&duration));
        haveDuration = true;
    }
    FinishSeek(ForwardSeekTarget(position, seekStep, haveDuration, duration));
}

void DirectShowPlayer::EndSeek() {
    seekStep = BaseSeekStep(graph.vmr9InUse);
    seekRepeatCount = 0;
    if (Usable(graph.control)) {
        CheckResult(graph.control->Run());
    }
}

void DirectShowPlayer::ChangeVolume(int step) {
    // Only a graph with an audio renderer has a volume: a muted one has none.
    bool usable = graph.audio != nullptr && !windowDestroyed;
    if (Muted()) {
        if (usable && graph.audioRenderer != nullptr) {
            CheckResult(graph.audio->put_Volume(kSilentVolume));
        }
        return;
    }
    if (usable && graph.audioRenderer == nullptr && !resting_) {
        OpenSound(); // unmuted while it plays
    }
    usable = usable && graph.audioRenderer != nullptr;
    int level = SteppedVolume(gSettings.Volume, step);
    if (usable) {
        CheckResult(graph.audio->put_Volume(level));
        gSettings.Volume = level;
    }
}

LONGLONG DirectShowPlayer::Duration() {
    LONGLONG duration = 0;
    if (!Usable(graph.seeking) || FAILED(graph.seeking->GetDuration(&duration))) {
        return 0;
    }
    return duration;
}

LONGLONG DirectShowPlayer::Position() {
    LONGLONG position = 0;
    if (resting_) {
        return restPosition_;
    }
    if (!Usable(graph.seeking) || FAILED(graph.seeking->GetCurrentPosition(&position))) {
        return 0;
    }
    return position;
}

// The sound's renderer can only be connected in a stopped graph: the item stops, gains its
// sound and goes on from where it was.
void DirectShowPlayer::OpenSound() {
    if (!Usable(graph.control) || !Usable(graph.seeking)) {
        return;
    }
    LONGLONG position = 0;
    graph.seeking->GetCurrentPosition(&position);
    OAFilterState state = State_Stopped;
    graph.control->GetState(0, &state);
    graph.control->Stop();
    RenderSound(graph);
    graph.seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                AM_SEEKING_NoPositioning);
    if (state == State_Running) {
        graph.control->Run();
    } else if (state == State_Paused) {
        graph.control->Pause();
    }
}

void DirectShowPlayer::Rest() {
    if (resting_ || !Usable(graph.control)) {
        return;
    }
    resting_ = true;
    restPosition_ = 0;
    if (Usable(graph.seeking)) {
        graph.seeking->GetCurrentPosition(&restPosition_);
    }
    graph.control->Stop();
    DropSound(graph);
}

void DirectShowPlayer::Wake() {
    if (!resting_) {
        return;
    }
    resting_ = false;
    if (!Usable(graph.control)) {
        return;
    }
    if (!Muted()) {
        RenderSound(graph);
        ChangeVolume(0);
    }
    if (Usable(graph.seeking)) {
        graph.seeking->SetPositions(&restPosition_, AM_SEEKING_AbsolutePositioning, nullptr,
                                    AM_SEEKING_NoPositioning);
    }
    graph.control->Run();
}

PlayerNews DirectShowPlayer::HandleEvent(UINT message, WPARAM, LPARAM) {
    if (message != GraphEventMessage) {
        return PlayerNews::None;
    }
    while (Usable(graph.events)) {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (FAILED(graph.events->GetEvent(&code, &param1, &param2, 0))) {
            return PlayerNews::None;
        }
        CheckResult(graph.events->FreeEventParams(code, param1, param2));
        if (code == EC_COMPLETE) {
            return PlayerNews::Ended;
        }
        if (code == EC_USERABORT || code == EC_ERRORABORT) {
            return PlayerNews::Aborted;
        }
    }
    return PlayerNews::None;
}
