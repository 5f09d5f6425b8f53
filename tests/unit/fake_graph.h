// Stand-ins for the DirectShow objects of one item's graph, and the test state around them.
// Every call made on a fake, and every outward call of playback (through the hooks), goes into
// one ordered log; each fake answers with the results a test chose.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/host_state.h"
#include "playback/error_report.h"
#include "playback/playback_controller.h"
#include "playback/playback_graph.h"
#include "settings/playlist.h"
#include "settings/settings.h"

// The screen of the test window, and its DirectShow player's record, where tests stand their
// fakes in.
Screen& TestScreen();
#define gGraph (TestScreen().directShow.graph)

// The shared log.
std::vector<std::string>& FakeLog();
void ClearFakeLog();
void LogCall(const std::string& entry);
// How often an entry occurs, and where it first occurs (-1 when absent).
int CountLogged(const std::string& entry);
int IndexOfLogged(const std::string& entry);
// The log's entries that begin with prefix, in order.
std::vector<std::string> LoggedWithPrefix(const std::string& prefix);
// The whole log on one line, for failure messages.
std::string LogText();

// IUnknown for one fake: counts references and logs "name.Release". The object is owned by
// the test and outlives a count of zero, so a test can see how often it was released.
template <class I>
class FakeUnknown : public I {
public:
    explicit FakeUnknown(const std::string& name) : name_(name) {}
    virtual ~FakeUnknown() {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        LogCall(name_ + ".QueryInterface");
        if (out) {
            *out = nullptr;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        LogCall(name_ + ".Release");
        ++releases_;
        return (ULONG)--refs_;
    }

    const std::string& Name() const { return name_; }
    long Refs() const { return refs_; }
    int Releases() const { return releases_; }

protected:
    // A method the playback code is not expected to call: logged, and answered E_NOTIMPL.
    HRESULT Unused(const char* method) {
        LogCall(name_ + "." + method);
        return E_NOTIMPL;
    }
    HRESULT Logged(const std::string& call, HRESULT result) {
        LogCall(name_ + "." + call);
        return result;
    }

    std::string name_;
    long refs_ = 1; // the reference the playback graph record holds
    int releases_ = 0;
};

#define FAKE_UNUSED(method, params) \
    HRESULT STDMETHODCALLTYPE method params override { return this->Unused(#method); }

template <class I>
class FakeDispatch : public FakeUnknown<I> {
public:
    explicit FakeDispatch(const std::string& name) : FakeUnknown<I>(name) {}
    FAKE_UNUSED(GetTypeInfoCount, (UINT*))
    FAKE_UNUSED(GetTypeInfo, (UINT, LCID, ITypeInfo**))
    FAKE_UNUSED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    FAKE_UNUSED(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
};

// IMediaControl with a state that Run, Pause and Stop move.
class FakeMediaControl : public FakeDispatch<IMediaControl> {
public:
    explicit FakeMediaControl(const std::string& name = "control") : FakeDispatch(name) {}
    HRESULT STDMETHODCALLTYPE Run() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetState(LONG timeout, OAFilterState* state) override;
    HRESULT STDMETHODCALLTYPE StopWhenReady() override;
    FAKE_UNUSED(RenderFile, (BSTR))
    FAKE_UNUSED(AddSourceFilter, (BSTR, IDispatch**))
    FAKE_UNUSED(get_FilterCollection, (IDispatch**))
    FAKE_UNUSED(get_RegFilterCollection, (IDispatch**))

    OAFilterState state = State_Running;
    HRESULT runResult = S_OK;
    HRESULT pauseResult = S_OK;
    HRESULT stopResult = S_OK;
    HRESULT getStateResult = S_OK;
};

// IMediaSeeking over one current position, which SetPositions moves.
class FakeMediaSeeking : public FakeUnknown<IMediaSeeking> {
public:
    explicit FakeMediaSeeking(const std::string& name = "seeking") : FakeUnknown(name) {}
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD* caps) override;
    FAKE_UNUSED(CheckCapabilities, (DWORD*))
    FAKE_UNUSED(IsFormatSupported, (const GUID*))
    FAKE_UNUSED(QueryPreferredFormat, (GUID*))
    FAKE_UNUSED(GetTimeFormat, (GUID*))
    FAKE_UNUSED(IsUsingTimeFormat, (const GUID*))
    FAKE_UNUSED(SetTimeFormat, (const GUID*))
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG* duration) override;
    FAKE_UNUSED(GetStopPosition, (LONGLONG*))
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG* current) override;
    FAKE_UNUSED(ConvertTimeFormat, (LONGLONG*, const GUID*, LONGLONG, const GUID*))
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG* current, LONGLONG* stop) override;
    FAKE_UNUSED(GetAvailable, (LONGLONG*, LONGLONG*))
    FAKE_UNUSED(SetRate, (double))
    FAKE_UNUSED(GetRate, (double*))
    FAKE_UNUSED(GetPreroll, (LONGLONG*))

    LONGLONG position = 0;
    LONGLONG duration = 0;
    DWORD capabilities = AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards;
    HRESULT setPositionsResult = S_OK;
};

struct FakeEvent {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
};

// IMediaEventEx over a queue of waiting events; GetEvent fails once it is empty.
class FakeMediaEvents : public FakeDispatch<IMediaEventEx> {
public:
    explicit FakeMediaEvents(const std::string& name = "events") : FakeDispatch(name) {}
    FAKE_UNUSED(GetEventHandle, (OAEVENT*))
    HRESULT STDMETHODCALLTYPE GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2,
                                       LONG timeout) override;
    FAKE_UNUSED(WaitForCompletion, (LONG, LONG*))
    FAKE_UNUSED(CancelDefaultHandling, (LONG))
    FAKE_UNUSED(RestoreDefaultHandling, (LONG))
    HRESULT STDMETHODCALLTYPE FreeEventParams(LONG code, LONG_PTR param1,
                                              LONG_PTR param2) override;
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND window, LONG message,
                                              LONG_PTR instance) override;
    FAKE_UNUSED(SetNotifyFlags, (LONG))
    FAKE_UNUSED(GetNotifyFlags, (LONG*))

    std::deque<FakeEvent> waiting;
    HRESULT freeResult = S_OK;
};

class FakeBasicAudio : public FakeDispatch<IBasicAudio> {
public:
    explicit FakeBasicAudio(const std::string& name = "audio") : FakeDispatch(name) {}
    HRESULT STDMETHODCALLTYPE put_Volume(LONG volume) override;
    FAKE_UNUSED(get_Volume, (LONG*))
    FAKE_UNUSED(put_Balance, (LONG))
    FAKE_UNUSED(get_Balance, (LONG*))

    HRESULT putVolumeResult = S_OK;
};

class FakeVideoWindow : public FakeDispatch<IVideoWindow> {
public:
    explicit FakeVideoWindow(const std::string& name = "videoWindow") : FakeDispatch(name) {}
    FAKE_UNUSED(put_Caption, (BSTR))
    FAKE_UNUSED(get_Caption, (BSTR*))
    HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) override;
    FAKE_UNUSED(get_WindowStyle, (LONG*))
    FAKE_UNUSED(put_WindowStyleEx, (LONG))
    FAKE_UNUSED(get_WindowStyleEx, (LONG*))
    FAKE_UNUSED(put_AutoShow, (LONG))
    FAKE_UNUSED(get_AutoShow, (LONG*))
    FAKE_UNUSED(put_WindowState, (LONG))
    FAKE_UNUSED(get_WindowState, (LONG*))
    FAKE_UNUSED(put_BackgroundPalette, (LONG))
    FAKE_UNUSED(get_BackgroundPalette, (LONG*))
    FAKE_UNUSED(put_Visible, (LONG))
    FAKE_UNUSED(get_Visible, (LONG*))
    FAKE_UNUSED(put_Left, (LONG))
    FAKE_UNUSED(get_Left, (LONG*))
    FAKE_UNUSED(put_Width, (LONG))
    FAKE_UNUSED(get_Width, (LONG*))
    FAKE_UNUSED(put_Top, (LONG))
    FAKE_UNUSED(get_Top, (LONG*))
    FAKE_UNUSED(put_Height, (LONG))
    FAKE_UNUSED(get_Height, (LONG*))
    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override;
    FAKE_UNUSED(get_Owner, (OAHWND*))
    FAKE_UNUSED(put_MessageDrain, (OAHWND))
    FAKE_UNUSED(get_MessageDrain, (OAHWND*))
    FAKE_UNUSED(get_BorderColor, (LONG*))
    FAKE_UNUSED(put_BorderColor, (LONG))
    FAKE_UNUSED(get_FullScreenMode, (LONG*))
    FAKE_UNUSED(put_FullScreenMode, (LONG))
    FAKE_UNUSED(SetWindowForeground, (LONG))
    FAKE_UNUSED(NotifyOwnerMessage, (OAHWND, LONG, LONG_PTR, LONG_PTR))
    HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width,
                                                LONG height) override;
    FAKE_UNUSED(GetWindowPosition, (LONG*, LONG*, LONG*, LONG*))
    FAKE_UNUSED(GetMinIdealImageSize, (LONG*, LONG*))
    FAKE_UNUSED(GetMaxIdealImageSize, (LONG*, LONG*))
    FAKE_UNUSED(GetRestorePosition, (LONG*, LONG*, LONG*, LONG*))
    FAKE_UNUSED(HideCursor, (LONG))
    FAKE_UNUSED(IsCursorHidden, (LONG*))

    HRESULT putOwnerResult = S_OK;
};

class FakeBasicVideo : public FakeDispatch<IBasicVideo2> {
public:
    explicit FakeBasicVideo(const std::string& name = "basicVideo") : FakeDispatch(name) {}
    FAKE_UNUSED(get_AvgTimePerFrame, (REFTIME*))
    FAKE_UNUSED(get_BitRate, (LONG*))
    FAKE_UNUSED(get_BitErrorRate, (LONG*))
    FAKE_UNUSED(get_VideoWidth, (LONG*))
    FAKE_UNUSED(get_VideoHeight, (LONG*))
    FAKE_UNUSED(put_SourceLeft, (LONG))
    FAKE_UNUSED(get_SourceLeft, (LONG*))
    FAKE_UNUSED(put_SourceWidth, (LONG))
    FAKE_UNUSED(get_SourceWidth, (LONG*))
    FAKE_UNUSED(put_SourceTop, (LONG))
    FAKE_UNUSED(get_SourceTop, (LONG*))
    FAKE_UNUSED(put_SourceHeight, (LONG))
    FAKE_UNUSED(get_SourceHeight, (LONG*))
    FAKE_UNUSED(put_DestinationLeft, (LONG))
    FAKE_UNUSED(get_DestinationLeft, (LONG*))
    FAKE_UNUSED(put_DestinationWidth, (LONG))
    FAKE_UNUSED(get_DestinationWidth, (LONG*))
    FAKE_UNUSED(put_DestinationTop, (LONG))
    FAKE_UNUSED(get_DestinationTop, (LONG*))
    FAKE_UNUSED(put_DestinationHeight, (LONG))
    FAKE_UNUSED(get_DestinationHeight, (LONG*))
    HRESULT STDMETHODCALLTYPE SetSourcePosition(LONG left, LONG top, LONG width,
                                                LONG height) override;
    FAKE_UNUSED(GetSourcePosition, (LONG*, LONG*, LONG*, LONG*))
    FAKE_UNUSED(SetDefaultSourcePosition, ())
    FAKE_UNUSED(SetDestinationPosition, (LONG, LONG, LONG, LONG))
    FAKE_UNUSED(GetDestinationPosition, (LONG*, LONG*, LONG*, LONG*))
    FAKE_UNUSED(SetDefaultDestinationPosition, ())
    HRESULT STDMETHODCALLTYPE GetVideoSize(LONG* width, LONG* height) override;
    FAKE_UNUSED(GetVideoPaletteEntries, (LONG, LONG, LONG*, LONG*))
    FAKE_UNUSED(GetCurrentImage, (LONG*, LONG*))
    FAKE_UNUSED(IsUsingDefaultSource, ())
    FAKE_UNUSED(IsUsingDefaultDestination, ())
    HRESULT STDMETHODCALLTYPE GetPreferredAspectRatio(LONG* x, LONG* y) override;

    LONG width = 0;
    LONG height = 0;
    LONG ratioWidth = 0;
    LONG ratioHeight = 0;
    // A failing query leaves its outputs as they were.
    HRESULT sizeResult = S_OK;
    HRESULT ratioResult = S_OK;
};

class FakeWindowless : public FakeUnknown<IVMRWindowlessControl9> {
public:
    // RepaintVideo fills the whole client area with it.
    static constexpr COLORREF kRepaintColour = RGB(255, 0, 255);

    explicit FakeWindowless(const std::string& name = "windowless") : FakeUnknown(name) {}
    HRESULT STDMETHODCALLTYPE GetNativeVideoSize(LONG* width, LONG* height, LONG* ratioWidth,
                                                 LONG* ratioHeight) override;
    FAKE_UNUSED(GetMinIdealVideoSize, (LONG*, LONG*))
    FAKE_UNUSED(GetMaxIdealVideoSize, (LONG*, LONG*))
    HRESULT STDMETHODCALLTYPE SetVideoPosition(const RECT* source, const RECT* dest) override;
    HRESULT STDMETHODCALLTYPE GetVideoPosition(RECT* source, RECT* dest) override;
    FAKE_UNUSED(GetAspectRatioMode, (DWORD*))
    FAKE_UNUSED(SetAspectRatioMode, (DWORD))
    FAKE_UNUSED(SetVideoClippingWindow, (HWND))
    HRESULT STDMETHODCALLTYPE RepaintVideo(HWND window, HDC dc) override;
    HRESULT STDMETHODCALLTYPE DisplayModeChanged() override {
        return Logged("DisplayModeChanged", S_OK);
    }
    FAKE_UNUSED(GetCurrentImage, (BYTE**))
    FAKE_UNUSED(SetBorderColor, (COLORREF))
    FAKE_UNUSED(GetBorderColor, (COLORREF*))

    LONG width = 0;
    LONG height = 0;
    LONG ratioWidth = 0;
    LONG ratioHeight = 0;
    HRESULT sizeResult = S_OK;
    HRESULT repaintResult = S_OK;
    RECT position = {}; // the destination last set
    HRESULT positionResult = S_OK;
    HWND repaintWindow = nullptr;
    bool repaintHadDc = false;
};

// The filter graph manager, as IGraphBuilder or IFilterGraph2: only released here.
class FakeFilterGraph : public FakeUnknown<IFilterGraph2> {
public:
    explicit FakeFilterGraph(const std::string& name) : FakeUnknown(name) {}
    FAKE_UNUSED(AddFilter, (IBaseFilter*, LPCWSTR))
    FAKE_UNUSED(RemoveFilter, (IBaseFilter*))
    FAKE_UNUSED(EnumFilters, (IEnumFilters**))
    FAKE_UNUSED(FindFilterByName, (LPCWSTR, IBaseFilter**))
    FAKE_UNUSED(ConnectDirect, (IPin*, IPin*, const AM_MEDIA_TYPE*))
    FAKE_UNUSED(Reconnect, (IPin*))
    FAKE_UNUSED(Disconnect, (IPin*))
    FAKE_UNUSED(SetDefaultSyncSource, ())
    FAKE_UNUSED(Connect, (IPin*, IPin*))
    FAKE_UNUSED(Render, (IPin*))
    FAKE_UNUSED(RenderFile, (LPCWSTR, LPCWSTR))
    FAKE_UNUSED(AddSourceFilter, (LPCWSTR, LPCWSTR, IBaseFilter**))
    FAKE_UNUSED(SetLogFile, (DWORD_PTR))
    FAKE_UNUSED(Abort, ())
    FAKE_UNUSED(ShouldOperationContinue, ())
    FAKE_UNUSED(AddSourceFilterForMoniker, (IMoniker*, IBindCtx*, LPCWSTR, IBaseFilter**))
    FAKE_UNUSED(ReconnectEx, (IPin*, const AM_MEDIA_TYPE*))
    FAKE_UNUSED(RenderEx, (IPin*, DWORD, DWORD*))
};

class FakeFilter : public FakeUnknown<IBaseFilter> {
public:
    explicit FakeFilter(const std::string& name) : FakeUnknown(name) {}
    FAKE_UNUSED(GetClassID, (CLSID*))
    FAKE_UNUSED(Stop, ())
    FAKE_UNUSED(Pause, ())
    FAKE_UNUSED(Run, (REFERENCE_TIME))
    FAKE_UNUSED(GetState, (DWORD, FILTER_STATE*))
    FAKE_UNUSED(SetSyncSource, (IReferenceClock*))
    FAKE_UNUSED(GetSyncSource, (IReferenceClock**))
    FAKE_UNUSED(EnumPins, (IEnumPins**))
    FAKE_UNUSED(FindPin, (LPCWSTR, IPin**))
    FAKE_UNUSED(QueryFilterInfo, (FILTER_INFO*))
    FAKE_UNUSED(JoinFilterGraph, (IFilterGraph*, LPCWSTR))
    FAKE_UNUSED(QueryVendorInfo, (LPWSTR*))
};

class FakeFilterConfig : public FakeUnknown<IVMRFilterConfig9> {
public:
    explicit FakeFilterConfig(const std::string& name = "vmrConfig") : FakeUnknown(name) {}
    FAKE_UNUSED(SetImageCompositor, (IVMRImageCompositor9*))
    FAKE_UNUSED(SetNumberOfStreams, (DWORD))
    FAKE_UNUSED(GetNumberOfStreams, (DWORD*))
    FAKE_UNUSED(SetRenderingPrefs, (DWORD))
    FAKE_UNUSED(GetRenderingPrefs, (DWORD*))
    FAKE_UNUSED(SetRenderingMode, (DWORD))
    FAKE_UNUSED(GetRenderingMode, (DWORD*))
};

class FakeFileSource : public FakeUnknown<IFileSourceFilter> {
public:
    explicit FakeFileSource(const std::string& name = "fileSource") : FakeUnknown(name) {}
    FAKE_UNUSED(Load, (LPCOLESTR, const AM_MEDIA_TYPE*))
    FAKE_UNUSED(GetCurFile, (LPOLESTR*, AM_MEDIA_TYPE*))
};

// One fake for every field of the playback graph record.
struct FakeGraphSet {
    FakeFilterGraph graph{"graph"};
    FakeFilterGraph graph2{"graph2"};
    FakeMediaControl control;
    FakeMediaSeeking seeking;
    FakeMediaEvents events;
    FakeBasicAudio audio;
    FakeVideoWindow videoWindow;
    FakeBasicVideo basicVideo;
    FakeFilterConfig vmrConfig;
    FakeWindowless windowless;
    FakeFilter vmr9{"vmr9"};
    FakeFilter audioRenderer{"audioRenderer"};
    FakeFilter asfReader{"asfReader"};
    FakeFileSource fileSource;
    FakeFilter source{"source"};

    // Puts the fakes of a running item into the record, as the graph builder leaves it: with the
    // VMR9 its four objects and no video window; without it the video window and basic video.
    // Both routes' source objects are held so that every release can be seen.
    void InstallRunning(bool vmr9InUse);
};

// A player of any engine for the controller's tests: logs "open(<name>)", "start(<name>)",
// "close(<name>)", "rewind(<name>)" by the item's file name, and answers as the test chose.
class FakePlayer : public Player {
public:
    PlayerOpen Open(HWND window, const wchar_t* path) override;
    void Close() override;
    VideoSize Size() override { return size; }
    void Place(const RECT& destination, const RECT&) override { placed = destination; }
    bool Paint(HDC, RECT*) override { return false; }
    void StartAt(LONGLONG position) override;
    bool Rewind() override;
    LONGLONG Duration() override { return duration; }
    LONGLONG Position() override { return position; }
    void SeekStep(bool forwards) override;
    void EndSeek() override;
    void ChangeVolume(int step) override;
    void Rest() override;
    void Wake() override;
    bool OpensAhead() const override { return opensAhead; }
    void Cue() override;
    // Gives the news set below for a MovieEventMessage.
    PlayerNews HandleEvent(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::map<std::string, PlayerOpen> outcomes; // by file name; Ready when not named
    bool canRewind = false;
    bool opensAhead = false;
    PlayerNews news = PlayerNews::None;
    VideoSize size = {320, 240, 320, 240};
    LONGLONG duration = 0;
    LONGLONG position = 0;
    RECT placed = {0, 0, 0, 0};
    std::string name; // the open item's file name
};
// Makes the fake player the one for every item, fresh; the controller's own choice comes back
// with the fixture's end.
FakePlayer& UseFakePlayer();
// A second fake player, and a choice of whichever of the two is free: both open the next item
// ahead, as movie players do. The first is the one UseFakePlayer gave.
FakePlayer& UseSecondFakePlayer();
// The fake player's event message reaches the screen with this news.
void Tell(Screen& screen, PlayerNews news);
// The file names opened, in order.
std::vector<std::string> OpenedNames();

// The recorded outward calls of playback.
struct FakeHookCalls {
    // Run inside the shuffle hook, after it is logged as "shuffle".
    std::function<void()> onShuffle;
    // Logged as "errorBox(<text>|<caption>)", "endProcess(<code>)", "sleep(<ms>)".
    std::vector<std::string> boxTexts;
    std::vector<std::string> boxCaptions;
    std::vector<HWND> boxOwners;
    std::vector<UINT> exitCodes;
    std::vector<DWORD> sleeps;
};
FakeHookCalls& FakeHooks();

// A test's playlist: nodes chained like the real list and ended by an empty terminator.
struct TestPlaylist {
    std::vector<PlaylistEntry> nodes;
    std::vector<std::wstring> texts; // the nodes' paths
    explicit TestPlaylist(const std::vector<std::string>& paths);
    void Install(); // first, current (the first entry) and last into the playlist record
    PlaylistEntry* Entry(size_t index) { return &nodes[index]; }
};

// Saves every piece of state that playback reads and writes, gives each test a clean start
// (empty graph, logging hooks, a white window of the given size), and puts everything back.
class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Recreates the window at a position and size (screen coordinates).
    void MakeWindow(int x, int y, int width, int height);
    void FillWindow(COLORREF colour);
    COLORREF PixelAt(int x, int y);
    // Sends a message to the saver window procedure for the test window.
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam = 0);

    HWND window = nullptr;
    Screen* screen = nullptr;
    FakeGraphSet* fakes = nullptr;

private:
    SaverSettings savedSettings;
    Playlist savedPlaylist;
    HostState savedHost;
    PlaybackHooks savedHooks;
    bool savedWindowDestroyed;
    long long savedSeekStep;
    long long savedSeekRepeatCount;
};

// A plain window of the tests' class (white background, default processing).
HWND CreatePlainWindow(DWORD style, HWND parent, int x, int y, int width, int height);
// Destroys such a window without waiting for it to be taken off the screen.
void DestroyPlainWindow(HWND window);

// Number of times a cursor ShowCursor counts as shown right now (without changing it).
int CursorShowCount();
