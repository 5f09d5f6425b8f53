#include "fake_graph.h"

#include "unit_support.h"

#include <cstdio>

#include "host/saver_window.h"

namespace {

std::vector<std::string> gLog;
FakeHookCalls gHookCalls;

std::string Number(long long value) { return std::to_string(value); }

std::string RectText(const RECT* r) {
    if (r == nullptr) {
        return "null";
    }
    return Number(r->left) + "," + Number(r->top) + "," + Number(r->right) + "," +
           Number(r->bottom);
}

void HookShuffle() {
    LogCall("shuffle");
    if (gHookCalls.onShuffle) {
        gHookCalls.onShuffle();
    }
}

void HookErrorBox(HWND owner, const wchar_t* text, const wchar_t* caption) {
    std::string boxText = text ? unit::U8(text) : "null";
    std::string boxCaption = caption ? unit::U8(caption) : "null";
    LogCall("errorBox(" + boxText + "|" + boxCaption + ")");
    gHookCalls.boxOwners.push_back(owner);
    gHookCalls.boxTexts.push_back(text ? boxText : "");
    gHookCalls.boxCaptions.push_back(caption ? boxCaption : "");
}

void HookEndProcess(UINT exitCode) {
    LogCall("endProcess(" + Number(exitCode) + ")");
    gHookCalls.exitCodes.push_back(exitCode);
}

void HookSleep(DWORD milliseconds) {
    LogCall("sleep(" + Number(milliseconds) + ")");
    gHookCalls.sleeps.push_back(milliseconds);
}

const PlaybackHooks kLoggingHooks = {HookShuffle, HookErrorBox, HookEndProcess, HookSleep};

Screen* gTestScreen = nullptr;

// The name after the path's last separator.
std::string BaseName(const char* path) {
    std::string text = path ? path : "null";
    size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

const char kWindowClass[] = "FlickvanePlaybackTestWindow";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterTestWindowClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
    registered = true;
}

} // namespace

std::vector<std::string>& FakeLog() { return gLog; }

void ClearFakeLog() { gLog.clear(); }

void LogCall(const std::string& entry) { gLog.push_back(entry); }

int CountLogged(const std::string& entry) {
    int count = 0;
    for (const std::string& e : gLog) {
        if (e == entry) {
            ++count;
        }
    }
    return count;
}

int IndexOfLogged(const std::string& entry) {
    for (size_t i = 0; i < gLog.size(); ++i) {
        if (gLog[i] == entry) {
            return (int)i;
        }
    }
    return -1;
}

std::vector<std::string> LoggedWithPrefix(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& e : gLog) {
        if (e.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(e);
        }
    }
    return found;
}

std::string LogText() {
    std::string text;
    for (const std::string& e : gLog) {
        if (!text.empty()) {
            text += " ";
        }
        text += e;
    }
    return text;
}

FakeHookCalls& FakeHooks() { return gHookCalls; }

Screen& TestScreen() { return *gTestScreen; }

// The fake player

PlayerOpen FakePlayer::Open(HWND, const wchar_t* path) {
    name = BaseName(unit::U8(path).c_str());
    LogCall("open(" + name + ")");
    auto it = outcomes.find(name);
    return it != outcomes.end() ? it->second : PlayerOpen::Ready;
}

void FakePlayer::Close() {
    if (!name.empty()) {
        LogCall("close(" + name + ")");
        name.clear();
    }
}

void FakePlayer::StartAt(LONGLONG from) {
    LogCall("start(" + name + (from != 0 ? "@" + Number(from / 10000) + "ms" : "") + ")");
}

bool FakePlayer::Rewind() {
    LogCall("rewind(" + name + ")");
    return canRewind;
}

void FakePlayer::SeekStep(bool forwards) { LogCall(forwards ? "seek(+)" : "seek(-)"); }

void FakePlayer::EndSeek() { LogCall("endSeek"); }

void FakePlayer::ChangeVolume(int step) { LogCall("volume(" + Number(step) + ")"); }

void FakePlayer::Rest() { LogCall("rest(" + name + ")"); }

void FakePlayer::Wake() { LogCall("wake(" + name + ")"); }

void FakePlayer::Cue() { LogCall("cue(" + name + ")"); }

PlayerNews FakePlayer::HandleEvent(UINT message, WPARAM, LPARAM) {
    if (message != MovieEventMessage) {
        return PlayerNews::None;
    }
    PlayerNews pending = news;
    news = PlayerNews::None;
    return pending;
}

FakePlayer gFakePlayer;

Player* ChooseFakePlayer(Screen&, MediaKind, const wchar_t*) { return &gFakePlayer; }

FakePlayer& UseFakePlayer() {
    gFakePlayer = FakePlayer();
    gChoosePlayer = ChooseFakePlayer;
    return gFakePlayer;
}

FakePlayer gSecondFakePlayer;

Player* ChooseFreeFakePlayer(Screen& s, MediaKind, const wchar_t*) {
    bool busy = s.player == &gFakePlayer || s.held == &gFakePlayer || s.ahead == &gFakePlayer;
    return busy ? &gSecondFakePlayer : &gFakePlayer;
}

FakePlayer& UseSecondFakePlayer() {
    gSecondFakePlayer = FakePlayer();
    gFakePlayer.opensAhead = gSecondFakePlayer.opensAhead = true;
    gChoosePlayer = ChooseFreeFakePlayer;
    return gSecondFakePlayer;
}

void Tell(Screen& screen, PlayerNews news) {
    gFakePlayer.news = news;
    HandlePlaybackMessage(screen, MovieEventMessage, 0, 0);
}

std::vector<std::string> OpenedNames() {
    std::vector<std::string> names;
    for (const std::string& e : LoggedWithPrefix("open(")) {
        names.push_back(e.substr(5, e.size() - 6));
    }
    return names;
}

// IMediaControl

HRESULT FakeMediaControl::Run() {
    LogCall(name_ + ".Run");
    if (SUCCEEDED(runResult)) {
        state = State_Running;
    }
    return runResult;
}

HRESULT FakeMediaControl::Pause() {
    LogCall(name_ + ".Pause");
    if (SUCCEEDED(pauseResult)) {
        state = State_Paused;
    }
    return pauseResult;
}

HRESULT FakeMediaControl::Stop() {
    LogCall(name_ + ".Stop");
    if (SUCCEEDED(stopResult)) {
        state = State_Stopped;
    }
    return stopResult;
}

HRESULT FakeMediaControl::GetState(LONG timeout, OAFilterState* out) {
    LogCall(name_ + ".GetState(" + Number(timeout) + ")");
    if (out) {
        *out = state;
    }
    return getStateResult;
}

HRESULT FakeMediaControl::StopWhenReady() { return Logged("StopWhenReady", S_OK); }

// IMediaSeeking

HRESULT FakeMediaSeeking::GetCapabilities(DWORD* caps) {
    LogCall(name_ + ".GetCapabilities");
    if (caps) {
        *caps = capabilities;
    }
    return S_OK;
}

HRESULT FakeMediaSeeking::GetDuration(LONGLONG* out) {
    LogCall(name_ + ".GetDuration");
    if (out) {
        *out = duration;
    }
    return S_OK;
}

HRESULT FakeMediaSeeking::GetCurrentPosition(LONGLONG* current) {
    LogCall(name_ + ".GetCurrentPosition");
    if (current) {
        *current = position;
    }
    return S_OK;
}

HRESULT FakeMediaSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                       DWORD stopFlags) {
    LogCall(name_ + ".SetPositions(" + (current ? Number(*current) : std::string("null")) + "," +
            Number(currentFlags) + "," + (stop ? Number(*stop) : std::string("null")) + "," +
            Number(stopFlags) + ")");
    if (SUCCEEDED(setPositionsResult) && current &&
        (currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
        position = *current;
    }
    return setPositionsResult;
}

HRESULT FakeMediaSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
    LogCall(name_ + ".GetPositions(" + (stop ? "stop" : "null") + ")");
    if (current) {
        *current = position;
    }
    if (stop) {
        *stop = duration;
    }
    return S_OK;
}

// IMediaEventEx

HRESULT FakeMediaEvents::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2,
                                  LONG timeout) {
    LogCall(name_ + ".GetEvent(" + Number(timeout) + ")");
    if (waiting.empty()) {
        return E_ABORT;
    }
    FakeEvent e = waiting.front();
    waiting.pop_front();
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
}

HRESULT FakeMediaEvents::FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) {
    LogCall(name_ + ".FreeEventParams(" + Number(code) + "," + Number(param1) + "," +
            Number(param2) + ")");
    return freeResult;
}

HRESULT FakeMediaEvents::SetNotifyWindow(OAHWND, LONG message, LONG_PTR instance) {
    return Logged("SetNotifyWindow(" + Number(message) + "," + Number(instance) + ")", S_OK);
}

// IBasicAudio

HRESULT FakeBasicAudio::put_Volume(LONG volume) {
    return Logged("put_Volume(" + Number(volume) + ")", putVolumeResult);
}

// IVideoWindow

HRESULT FakeVideoWindow::put_WindowStyle(LONG style) {
    return Logged("put_WindowStyle(" + Number((unsigned long)style) + ")", S_OK);
}

HRESULT FakeVideoWindow::put_Owner(OAHWND owner) {
    return Logged("put_Owner(" + Number((long long)owner) + ")", putOwnerResult);
}

HRESULT FakeVideoWindow::SetWindowPosition(LONG left, LONG top, LONG width, LONG height) {
    return Logged("SetWindowPosition(" + Number(left) + "," + Number(top) + "," + Number(width) +
                      "," + Number(height) + ")",
                  S_OK);
}

// IBasicVideo2

HRESULT FakeBasicVideo::SetSourcePosition(LONG left, LONG top, LONG width, LONG height) {
    return Logged("SetSourcePosition(" + Number(left) + "," + Number(top) + "," + Number(width) +
                      "," + Number(height) + ")",
                  S_OK);
}

HRESULT FakeBasicVideo::GetVideoSize(LONG* w, LONG* h) {
    LogCall(name_ + ".GetVideoSize");
    if (SUCCEEDED(sizeResult)) {
        *w = width;
        *h = height;
    }
    return sizeResult;
}

HRESULT FakeBasicVideo::GetPreferredAspectRatio(LONG* x, LONG* y) {
    LogCall(name_ + ".GetPreferredAspectRatio");
    if (SUCCEEDED(ratioResult)) {
        *x = ratioWidth;
        *y = ratioHeight;
    }
    return ratioResult;
}

// IVMRWindowlessControl9

HRESULT FakeWindowless::GetNativeVideoSize(LONG* w, LONG* h, LONG* rw, LONG* rh) {
    LogCall(name_ + ".GetNativeVideoSize");
    if (SUCCEEDED(sizeResult)) {
        *w = width;
        *h = height;
        if (rw) {
            *rw = ratioWidth;
        }
        if (rh) {
            *rh = ratioHeight;
        }
    }
    return sizeResult;
}

HRESULT FakeWindowless::SetVideoPosition(const RECT* source, const RECT* dest) {
    if (dest != nullptr) {
        position = *dest;
    }
    return Logged("SetVideoPosition(" + RectText(source) + "|" + RectText(dest) + ")", S_OK);
}

HRESULT FakeWindowless::GetVideoPosition(RECT* source, RECT* dest) {
    SetRect(source, 0, 0, width, height);
    *dest = position;
    return Logged("GetVideoPosition", positionResult);
}

HRESULT FakeWindowless::RepaintVideo(HWND window, HDC dc) {
    repaintWindow = window;
    repaintHadDc = dc != nullptr;
    if (dc != nullptr) {
        // Like some renderers, the frame is drawn over the whole window.
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(kRepaintColour);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    return Logged("RepaintVideo", repaintResult);
}

// The whole record

void FakeGraphSet::InstallRunning(bool vmr9InUse) {
    gGraph.graph = &graph;
    gGraph.graph2 = &graph2;
    gGraph.control = &control;
    gGraph.seeking = &seeking;
    gGraph.events = &events;
    gGraph.audio = &audio;
    if (vmr9InUse) {
        gGraph.vmrConfig = &vmrConfig;
        gGraph.windowless = &windowless;
        gGraph.vmr9 = &vmr9;
    } else {
        gGraph.videoWindow = &videoWindow;
        gGraph.basicVideo = &basicVideo;
    }
    gGraph.audioRenderer = &audioRenderer;
    gGraph.asfReader = &asfReader;
    gGraph.fileSource = &fileSource;
    gGraph.source = &source;
    gGraph.vmr9InUse = vmr9InUse ? 1 : 0;
    gGraph.graphActive = 1;
    gGraph.comInitialised = 0;
    gGraph.canSeekForwards = (seeking.capabilities & AM_SEEKING_CanSeekForwards) ? 1 : 0;
    gGraph.canSeekBackwards = (seeking.capabilities & AM_SEEKING_CanSeekBackwards) ? 1 : 0;
    TestScreen().player = &TestScreen().directShow;
    TestScreen().directShow.window = TestScreen().window;
}

// Playlists

TestPlaylist::TestPlaylist(const std::vector<std::string>& paths)
    : nodes(paths.size() + 1) {
    for (const std::string& path : paths) {
        texts.push_back(unit::W(path));
    }
    texts.push_back(L"");
    for (size_t i = 0; i < nodes.size(); ++i) {
        PlaylistEntry& node = nodes[i];
        node = PlaylistEntry();
        node.path = &texts[i][0];
        node.prev = i > 0 ? &nodes[i - 1] : nullptr;
        node.next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
    }
}

void TestPlaylist::Install() {
    gPlaylist.first = &nodes[0];
    gPlaylist.current = &nodes[0];
    gPlaylist.last = nodes.size() > 1 ? &nodes[nodes.size() - 2] : &nodes[0];
}

// The fixture

void PlaybackTest::SetUp() {
    savedSettings = gSettings;
    savedPlaylist = gPlaylist;
    savedHost = gHost;
    savedHooks = gPlaybackHooks;
    savedWindowDestroyed = windowDestroyed;
    savedSeekStep = seekStep;
    savedSeekRepeatCount = seekRepeatCount;

    gSettings = SaverSettings();
    lstrcpynW(gSettings.sectionName, L"Flickvane", kSectionNameSize);
    gPlaylist = Playlist();
    gHost = HostState();
    gHost.instance = GetModuleHandleA(nullptr);
    windowDestroyed = false;
    seekStep = 5;
    seekRepeatCount = 0;
    gHookCalls = FakeHookCalls();
    gPlaybackHooks = kLoggingHooks;
    gChoosePlayer = ChooseEnginePlayer;

    MakeWindow(0, 0, 320, 240);
    RECT monitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    gTestScreen = AddScreen(window, monitor, false);
    screen = gTestScreen;
    fakes = new FakeGraphSet();
    ClearFakeLog();
}

void PlaybackTest::TearDown() {
    // The fakes are no player's to release. The screen is gone when the test destroyed the
    // saver window.
    if (gTestScreen != nullptr && ScreenForWindow(window) != gTestScreen) {
        gTestScreen = nullptr;
    }
    if (gTestScreen != nullptr) {
        gTestScreen->directShow.graph = PlaybackGraph();
        if (gTestScreen->player == &gTestScreen->directShow) {
            gTestScreen->player = nullptr;
        }
    }
    windowDestroyed = true;
    CloseScreens();
    gTestScreen = nullptr;
    screen = nullptr;
    gChoosePlayer = ChooseEnginePlayer;
    DestroyPlainWindow(window);
    window = nullptr;
    gSettings = savedSettings;
    gPlaylist = savedPlaylist;
    gHost = savedHost;
    gPlaybackHooks = savedHooks;
    windowDestroyed = savedWindowDestroyed;
    seekStep = savedSeekStep;
    seekRepeatCount = savedSeekRepeatCount;
    gHookCalls = FakeHookCalls();
    delete fakes;
    fakes = nullptr;
    ClearFakeLog();
}

void PlaybackTest::MakeWindow(int x, int y, int width, int height) {
    DestroyPlainWindow(window);
    window = CreatePlainWindow(WS_POPUP | WS_VISIBLE, nullptr, x, y, width, height);
    ASSERT_NE(window, nullptr);
    gHost.saverWindow = window;
    SetErrorReportOwner(window, gHost.previewMode);
    if (gTestScreen != nullptr) {
        gTestScreen->window = window;
    }
    UpdateWindow(window);
    FillWindow(RGB(255, 255, 255));
}

void PlaybackTest::FillWindow(COLORREF colour) {
    HDC dc = GetDC(window);
    RECT rc;
    GetClientRect(window, &rc);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
    GdiFlush();
}

COLORREF PlaybackTest::PixelAt(int x, int y) {
    GdiFlush();
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

LRESULT PlaybackTest::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return ScreenSaverProc(window, message, wParam, lParam);
}

HWND CreatePlainWindow(DWORD style, HWND parent, int x, int y, int width, int height) {
    RegisterTestWindowClass();
    return CreateWindowExA(parent ? 0 : WS_EX_TOPMOST, kWindowClass, "playback test", style, x, y,
                           width, height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void DestroyPlainWindow(HWND window) {
    if (window == nullptr || !IsWindow(window)) {
        return;
    }
    // Without a window manager, Wine waits about 2 s for a shown window to be unmapped; a window
    // whose style no longer says visible goes at once.
    SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) & ~WS_VISIBLE);
    DestroyWindow(window);
}

int CursorShowCount() {
    int shown = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return shown - 1;
}
