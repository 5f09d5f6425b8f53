// The turning of pictures is Windows 8's: its declarations are needed here, while the calls
// are made only where the system has it.
#undef WINVER
#define WINVER 0x0602
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602

#include "movie_runtime/movie_player.h"

#include <dshow.h>
#include <evr.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <propsys.h>

#include <deque>
#include <new>

#include "movie_runtime/mf_library.h"
#include "movie_runtime/movie_math.h"
#include "movie_runtime/track_header.h"
#include "playback/picture_window.h"
#include "playback/seek_math.h"
#include "playback/video_rect.h"
#include "quicktime/qt_volume.h"
#include "settings/path_text.h"
#include "settings/settings.h"

int gAbandonedSessions = 0;

namespace {

// Bounds of every answer awaited from Media Foundation. A local file answers in far less.
constexpr DWORD kResolveBoundMs = 8000;
constexpr DWORD kTopologyBoundMs = 5000;
constexpr DWORD kStartBoundMs = 5000;
constexpr DWORD kRestartBoundMs = 1000;
constexpr DWORD kCloseBoundMs = 1000;
constexpr DWORD kClosePollMs = 50;
constexpr DWORD kSourceShutdownBoundMs = 500;
// One key of the volume, on the 256 scale the movie kinds share.
constexpr int kVolumeKeyStep = 20;
// The picture is drawn in a window of its own, as the VMR9's windowless picture is: the same
// seek step.
constexpr int kWindowlessPicture = 1;

// Learned once per process: this Media Foundation resolves topologies only when told to try
// every type the source offers (Wine's does), so later movies ask for that at once.
bool topologiesNeedSourceTypes = false;
// Learned once per process: a session that has played did not confirm a start (of the next
// item's topology, or at another position: Wine's does neither), so from then on every topology
// gets a session of its own.
bool freshSessions = false;
// How often the presentation clock is read once the source has delivered its last sample.
constexpr DWORD kEndPollMs = 100;

// Missing from some SDK headers.
const GUID kTopologyEnumerateSourceTypes = {
    0x6248c36d, 0x5d0b, 0x4f40, {0xa0, 0xbb, 0xb0, 0xb3, 0x05, 0xf7, 0x76, 0x98}};

template <typename T> void SafeRelease(T** p) {
    if (*p != nullptr) {
        (*p)->Release();
        *p = nullptr;
    }
}

// Shuts a source down on a thread of its own and waits for that with a bound: the source of a
// wedged session may wait on the session's stuck threads.
DWORD WINAPI ShutDownSource(void* parameter) {
    IMFMediaSource* source = static_cast<IMFMediaSource*>(parameter);
    source->Shutdown();
    source->Release();
    return 0;
}

void ShutDownOnItsOwnThread(IMFMediaSource* source) {
    source->AddRef();
    HANDLE thread = CreateThread(nullptr, 0, ShutDownSource, source, 0, nullptr);
    if (thread == nullptr) {
        source->Release();
        return;
    }
    WaitForSingleObject(thread, kSourceShutdownBoundMs);
    CloseHandle(thread);
}

// A reference-counted callback object of this module.
template <class Derived> class Callback : public IMFAsyncCallback {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == __uuidof(IMFAsyncCallback)) {
            *out = static_cast<IMFAsyncCallback*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete static_cast<Derived*>(this);
        }
        return left;
    }
    STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }

protected:
    virtual ~Callback() {}

private:
    LONG references_ = 1;
};

} // namespace

// One asynchronous creation of a media source. Its answer is posted to the window; whoever lets
// go last frees it, so an answer that comes after the item moved on is released here.
class ResolveRequest final : public Callback<ResolveRequest> {
public:
    // file: the file's path as the file system takes it, for its track header; null for a URL.
    ResolveRequest(IMFSourceResolver* resolver, const WCHAR* file, HWND window)
        : resolver_(resolver), fromUrl_(file == nullptr), window_(window) {
        resolver_->AddRef();
        if (file != nullptr) {
            size_t length = wcslen(file) + 1;
            file_ = new (std::nothrow) WCHAR[length];
            if (file_ != nullptr) {
                memcpy(file_, file, length * sizeof(WCHAR));
            }
        }
    }
    bool Finished() const { return InterlockedCompareExchange(&finished_, 0, 0) != 0; }
    HRESULT Status() const { return status_; }
    IUnknown* TakeObject() {
        IUnknown* object = object_;
        object_ = nullptr;
        return object;
    }
    void Cancel() {
        if (cancel_ != nullptr) {
            resolver_->CancelObjectCreation(cancel_);
        }
    }
    IUnknown** CancelCookie() { return &cancel_; }
    // The picture's turn and pixel shape read from the file, where its source tells no
    // metadata.
    TrackShape FileShape() const { return fileShape_; }

    STDMETHODIMP Invoke(IMFAsyncResult* result) override {
        MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
        IUnknown* object = nullptr;
        status_ = fromUrl_ ? resolver_->EndCreateObjectFromURL(result, &type, &object)
                           : resolver_->EndCreateObjectFromByteStream(result, &type, &object);
        // Windows' sources report a track's turn and pixel shape on its media type, and describe
        // the file through their property handler; a source without one (Wine's) may report
        // neither, so the track header is read here, off the window's thread.
        IPropertyStore* properties = nullptr;
        if (SUCCEEDED(status_) && file_ != nullptr && object != nullptr) {
            if (SUCCEEDED(gMf.getService(object, MF_PROPERTY_HANDLER_SERVICE,
                                         IID_PPV_ARGS(&properties)))) {
                properties->Release();
            } else {
                fileShape_ = FileTrackShape(file_);
            }
        }
        object_ = object;
        InterlockedExchange(&finished_, 1);
        PostMessageW(window_, MovieEventMessage, 0, 0);
        return S_OK;
    }

private:
    friend class Callback<ResolveRequest>;
    ~ResolveRequest() override {
        delete[] file_;
        SafeRelease(&object_);
        SafeRelease(&cancel_);
        resolver_->Release();
    }
    IMFSourceResolver* resolver_;
    bool fromUrl_;
    HWND window_;
    mutable LONG finished_ = 0;
    HRESULT status_ = E_PENDING;
    IUnknown* object_ = nullptr;
    IUnknown* cancel_ = nullptr;
    WCHAR* file_ = nullptr;
    TrackShape fileShape_ = {0, 0, 0};
};

// The session's events, taken on Media Foundation's thread as they come and handed to the
// window's thread through a queue and a posted message.
class SessionEvents final : public Callback<SessionEvents> {
public:
    struct Event {
        MediaEventType type;
        HRESULT status;
        UINT32 topologyStatus;
    };

    SessionEvents(IMFMediaSession* session, HWND window) : session_(session), window_(window) {
        session_->AddRef();
        InitializeCriticalSection(&lock_);
        closed_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    HRESULT Listen() { return session_->BeginGetEvent(this, nullptr); }
    HANDLE Closed() const { return closed_; }
    bool Next(Event* out) {
        EnterCriticalSection(&lock_);
        bool any = !queue_.empty();
        if (any) {
            *out = queue_.front();
            queue_.pop_front();
        }
        LeaveCriticalSection(&lock_);
        return any;
    }

    STDMETHODIMP Invoke(IMFAsyncResult* result) override {
        IMFMediaEvent* event = nullptr;
        if (FAILED(session_->EndGetEvent(result, &event)) || event == nullptr) {
            return S_OK; // the session was shut down
        }
        Event e = {MEUnknown, S_OK, MF_TOPOSTATUS_INVALID};
        event->GetType(&e.type);
        event->GetStatus(&e.status);
        if (e.type == MESessionTopologyStatus) {
            event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &e.topologyStatus);
        }
        event->Release();
        EnterCriticalSection(&lock_);
        queue_.push_back(e);
        LeaveCriticalSection(&lock_);
        if (e.type == MESessionClosed) {
            SetEvent(closed_);
        } else {
            session_->BeginGetEvent(this, nullptr);
        }
        PostMessageW(window_, MovieEventMessage, 0, 0);
        return S_OK;
    }

private:
    friend class Callback<SessionEvents>;
    ~SessionEvents() override {
        session_->Release();
        DeleteCriticalSection(&lock_);
        if (closed_ != nullptr) {
            CloseHandle(closed_);
        }
    }
    IMFMediaSession* session_;
    HWND window_;
    CRITICAL_SECTION lock_;
    std::deque<Event> queue_;
    HANDLE closed_ = nullptr;
};


// One media session with its renderers and the window its picture is drawn in.
class MovieSession {
public:
    ~MovieSession() {
        if (abandoned) {
            return; // its threads are stuck: nothing of it may be touched
        }
        if (shutdownThread != nullptr) {
            CloseHandle(shutdownThread);
        }
        if (session != nullptr) {
            session->Shutdown();
        }
        for (IMFMediaSource* source : sources) {
            source->Shutdown();
            source->Release();
        }
        if (videoRenderer != nullptr) {
            videoRenderer->ShutdownObject();
            videoRenderer->Release();
        }
        if (audioRenderer != nullptr) {
            audioRenderer->ShutdownObject();
            audioRenderer->Release();
        }
        SafeRelease(&session);
        SafeRelease(&events);
        // The window goes back to the player, for the next session.
    }

    // The picture's window is a spare one of an earlier session where there is one: destroying
    // a window can move the focus away from the saver window (Wine's does). It stands at the
    // picture's place, hidden, before the renderer is made for it: Wine's renderer presents at
    // the size its window had then, and scales every frame when that was another.
    HRESULT Create(HWND owner, MoviePlayer* player, HWND spare, const RECT& destination) {
        window = spare != nullptr ? spare : CreatePictureWindow(owner, player);
        HRESULT hr = window != nullptr ? S_OK : E_FAIL;
        if (SUCCEEDED(hr)) {
            SizePictureWindow(window, owner, destination);
        }
        if (SUCCEEDED(hr)) hr = gMf.createVideoRendererActivate(window, &videoRenderer);
        if (SUCCEEDED(hr)) hr = gMf.createAudioRendererActivate(&audioRenderer);
        if (SUCCEEDED(hr)) hr = gMf.createMediaSession(nullptr, &session);
        if (SUCCEEDED(hr)) {
            events = new (std::nothrow) SessionEvents(session, owner);
            hr = events != nullptr ? events->Listen() : E_OUTOFMEMORY;
        }
        return hr;
    }

    // Closing is asynchronous: the session is stopped, then closed once MESessionStopped came,
    // and shut down once MESessionClosed came. Stopped first, the renderer hands back the
    // pictures it holds while the session still has the topology they belong to (Wine's
    // session reaches freed memory when they come back while it closes).
    void BeginClose() {
        if (window != nullptr) {
            ShowWindow(window, SW_HIDE);
        }
        if (!closing) {
            closing = true;
            closeBegun = GetTickCount();
            if (session == nullptr) {
                closed = true; // it was never made
                return;
            }
            stopping = SUCCEEDED(session->Stop());
            if (!stopping) {
                Close();
            }
        }
    }
    void Close() {
        if (FAILED(session->Close())) {
            closed = true;
        }
    }
    // Takes what the session reported while it closes; true once it has closed. One that does
    // not close within the bound (Wine's can wedge so) is shut down all the same, on a thread
    // of its own, since that call might wait on the wedged threads.
    bool Closed() {
        SessionEvents::Event e;
        while (events != nullptr && events->Next(&e)) {
            closed = closed || e.type == MESessionClosed;
            if (stopping && e.type == MESessionStopped) {
                stopping = false;
                Close();
            }
        }
        if (closed) {
            return true;
        }
        if (shutdownThread != nullptr) {
            closed = WaitForSingleObject(shutdownThread, 0) == WAIT_OBJECT_0;
        } else if (GetTickCount() - closeBegun >= kCloseBoundMs) {
            session->AddRef();
            shutdownThread = CreateThread(nullptr, 0, ShutDownSession, session, 0, nullptr);
            if (shutdownThread == nullptr) {
                session->Release();
            }
        }
        return closed;
    }
    static DWORD WINAPI ShutDownSession(void* parameter) {
        IMFMediaSession* session = static_cast<IMFMediaSession*>(parameter);
        session->Shutdown();
        session->Release();
        return 0;
    }

    IMFMediaSession* session = nullptr;
    SessionEvents* events = nullptr;
    IMFActivate* videoRenderer = nullptr;
    IMFActivate* audioRenderer = nullptr;
    HWND window = nullptr;
    std::vector<IMFMediaSource*> sources; // the sources of its items, shut down with it
    bool played = false;    // a start of it was confirmed
    bool closing = false;
    bool stopping = false; // closing waits for the stop it asked for
    bool closed = false;
    bool abandoned = false;
    DWORD closeBegun = 0;
    HANDLE shutdownThread = nullptr;
};

// A closed session is torn down on a thread of its own: shutting its renderer down waits for
// the renderer's threads, and those can wait on the windows of the saver's thread.
static DWORD WINAPI TearDownSession(void* parameter) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    delete static_cast<MovieSession*>(parameter);
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return 0;
}

namespace {

// Windows' video processor, which turns a picture as its media type asks.
const GUID kVideoProcessorMft = {
    0x88753b26, 0x5b24, 0x49bd, {0xb2, 0xe7, 0x0c, 0x44, 0x5c, 0x78, 0xc9, 0x82}};

// A video processor set to stand the picture upright; null where none can turn (Wine's).
IMFTransform* CreateTurningProcessor() {
    IMFTransform* processor = nullptr;
    if (FAILED(CoCreateInstance(kVideoProcessorMft, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&processor)))) {
        return nullptr;
    }
    IMFVideoProcessorControl* control = nullptr;
    HRESULT hr = processor->QueryInterface(IID_PPV_ARGS(&control));
    if (SUCCEEDED(hr)) {
        hr = control->SetRotation(ROTATION_NORMAL);
        control->Release();
    }
    if (FAILED(hr)) {
        SafeRelease(&processor);
    }
    return processor;
}

// The branch from one stream to its renderer, through a transform where one is given.
HRESULT AddBranch(IMFTopology* topology, IMFMediaSource* source,
                  IMFPresentationDescriptor* presentation, IMFStreamDescriptor* stream,
                  IMFTransform* transform, IMFActivate* renderer) {
    IMFTopologyNode* sourceNode = nullptr;
    IMFTopologyNode* transformNode = nullptr;
    IMFTopologyNode* outputNode = nullptr;
    HRESULT hr = gMf.createTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &sourceNode);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_SOURCE, source);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, presentation);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream);
    if (SUCCEEDED(hr)) hr = topology->AddNode(sourceNode);
    if (SUCCEEDED(hr)) hr = gMf.createTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &outputNode);
    if (SUCCEEDED(hr)) hr = outputNode->SetObject(renderer);
    // The renderers stay from item to item: switching topologies must not shut them down.
    if (SUCCEEDED(hr)) hr = outputNode->SetUINT32(MF_TOPONODE_NOSHUTDOWN_ON_REMOVE, TRUE);
    if (SUCCEEDED(hr)) hr = topology->AddNode(outputNode);
    if (SUCCEEDED(hr) && transform != nullptr) {
        hr = gMf.createTopologyNode(MF_TOPOLOGY_TRANSFORM_NODE, &transformNode);
        if (SUCCEEDED(hr)) hr = transformNode->SetObject(transform);
        if (SUCCEEDED(hr)) hr = topology->AddNode(transformNode);
        if (SUCCEEDED(hr)) hr = sourceNode->ConnectOutput(0, transformNode, 0);
        if (SUCCEEDED(hr)) hr = transformNode->ConnectOutput(0, outputNode, 0);
    } else if (SUCCEEDED(hr)) {
        hr = sourceNode->ConnectOutput(0, outputNode, 0);
    }
    SafeRelease(&sourceNode);
    SafeRelease(&transformNode);
    SafeRelease(&outputNode);
    return hr;
}

GUID MajorType(IMFStreamDescriptor* stream, IMFMediaType** type) {
    GUID major = GUID_NULL;
    *type = nullptr;
    IMFMediaTypeHandler* handler = nullptr;
    if (SUCCEEDED(stream->GetMediaTypeHandler(&handler))) {
        handler->GetMajorType(&major);
        if (FAILED(handler->GetCurrentMediaType(type))) {
            handler->GetMediaTypeByIndex(0, type);
        }
        handler->Release();
    }
    return major;
}

} // namespace

MoviePlayer::~MoviePlayer() { Shutdown(); }

HWND MoviePlayer::VideoWindow() const { return live_ != nullptr ? live_->window : nullptr; }

PlayerOpen MoviePlayer::Open(HWND window, const wchar_t* path) {
    Close();
    if (!MovieRuntimeAvailable() || path == nullptr || path[0] == L'\0') {
        return PlayerOpen::Unplayable;
    }
    if (owner_ != window) {
        // Another window: nothing of the old one's sessions can serve it.
        Shutdown();
        owner_ = window;
    }
    size_t length = wcslen(path) + 1;
    source_ = new (std::nothrow) WCHAR[length];
    if (source_ == nullptr) {
        return PlayerOpen::Unplayable;
    }
    memcpy(source_, path, length * sizeof(WCHAR));
    isUrl_ = HasInternetScheme(path);
    if (FAILED(BeginResolve())) {
        Close();
        return PlayerOpen::Unplayable;
    }
    return PlayerOpen::Opening;
}

HRESULT MoviePlayer::BeginResolve() {
    IMFSourceResolver* resolver = nullptr;
    HRESULT hr = gMf.createSourceResolver(&resolver);
    if (FAILED(hr)) {
        return hr;
    }
    IMFByteStream* stream = nullptr;
    WCHAR* query = nullptr;
    if (!isUrl_) {
        // The same query text as every other file test: long paths, shares, slashes.
        query = new (std::nothrow) WCHAR[kQueryPathSize];
        if (query == nullptr) {
            hr = E_OUTOFMEMORY;
        } else if (!FormQueryPath(source_, query, kQueryPathSize)) {
            hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        } else {
            hr = gMf.createFile(MF_ACCESSMODE_READ, MF_OPENMODE_FAIL_IF_NOT_EXIST,
                                MF_FILEFLAGS_NONE, query, &stream);
        }
    }
    if (SUCCEEDED(hr)) {
        resolve_ = new (std::nothrow) ResolveRequest(resolver, query, owner_);
        hr = resolve_ != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    // The file's own name tells the resolver the container; its content decides when the two
    // disagree.
    DWORD flags = MF_RESOLUTION_MEDIASOURCE |
                  MF_RESOLUTION_CONTENT_DOES_NOT_HAVE_TO_MATCH_EXTENSION_OR_MIME_TYPE;
    if (SUCCEEDED(hr)) {
        hr = isUrl_ ? resolver->BeginCreateObjectFromURL(source_, flags, nullptr,
                                                         resolve_->CancelCookie(), resolve_,
                                                         nullptr)
                    : resolver->BeginCreateObjectFromByteStream(stream, source_, flags, nullptr,
                                                                resolve_->CancelCookie(),
                                                                resolve_, nullptr);
    }
    if (FAILED(hr)) {
        SafeRelease(&resolve_);
    } else {
        state_ = State::Resolving;
        Await(kResolveBoundMs);
    }
    delete[] query;
    SafeRelease(&stream);
    resolver->Release();
    return hr;
}

// The resolver answered: the source's streams are read, and its topology set on the session.
PlayerNews MoviePlayer::TakeSource() {
    ResolveRequest* request = resolve_;
    resolve_ = nullptr;
    HRESULT hr = request->Status();
    fileShape_ = request->FileShape();
    IUnknown* object = request->TakeObject();
    request->Release();
    if (SUCCEEDED(hr)) {
        hr = object != nullptr ? object->QueryInterface(IID_PPV_ARGS(&mediaSource_)) : E_POINTER;
    }
    SafeRelease(&object);
    if (SUCCEEDED(hr)) hr = mediaSource_->CreatePresentationDescriptor(&presentation_);
    if (SUCCEEDED(hr)) {
        ReadStreams();
        if (!hasVideo_ && !soundPlayed_) {
            hr = MF_E_INVALIDMEDIATYPE;
        }
    }
    if (FAILED(hr)) {
        return Fail();
    }
    if (startAt_ < 0) {
        // Open: its size is known, so it can be placed; its session is set up at the start.
        KillTimer(owner_, timer_);
        state_ = State::Ready;
        return PlayerNews::Ready;
    }
    return OpenOnSession();
}

// Sets the item's topology on the live session, or on a new one; it starts once the session
// has it ready.
PlayerNews MoviePlayer::OpenOnSession() {
    HRESULT hr = S_OK;
    if (live_ != nullptr && freshSessions && live_->played) {
        RetireSession();
    }
    if (live_ == nullptr) {
        HWND spare = nullptr;
        if (!spareWindows_.empty()) {
            spare = spareWindows_.back();
            spareWindows_.pop_back();
        }
        live_ = new (std::nothrow) MovieSession();
        hr = live_ != nullptr ? live_->Create(owner_, this, spare, destination_) : E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) {
        enumerateSourceTypes_ = topologiesNeedSourceTypes;
        hr = SetItemTopology();
    }
    if (FAILED(hr)) {
        return Fail();
    }
    state_ = State::Resolved;
    Await(kTopologyBoundMs);
    return PlayerNews::None;
}

void MoviePlayer::ReadStreams() {
    hasVideo_ = false;
    hasAudio_ = false;
    soundPlayed_ = false;
    natural_ = {0, 0};
    UINT64 duration = 0;
    duration_ = SUCCEEDED(presentation_->GetUINT64(MF_PD_DURATION, &duration)) ? (LONGLONG)duration
                                                                              : 0;
    DWORD count = 0;
    presentation_->GetStreamDescriptorCount(&count);
    for (DWORD i = 0; i < count; ++i) {
        BOOL selected = FALSE;
        IMFStreamDescriptor* stream = nullptr;
        if (FAILED(presentation_->GetStreamDescriptorByIndex(i, &selected, &stream))) {
            continue;
        }
        IMFMediaType* type = nullptr;
        GUID major = MajorType(stream, &type);
        // The first picture and the first sound play; other streams stay silent.
        bool take = false;
        if (major == MFMediaType_Video && !hasVideo_) {
            take = true;
            hasVideo_ = true;
            UINT32 width = 0, height = 0, ratioN = 0, ratioD = 0, turn = 0;
            if (type != nullptr) {
                MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
                MFGetAttributeRatio(type, MF_MT_PIXEL_ASPECT_RATIO, &ratioN, &ratioD);
                turn = MFGetAttributeUINT32(type, MF_MT_VIDEO_ROTATION, 0);
            }
            reportedTurn_ = turn == 90 || turn == 180 || turn == 270;
            if (ratioN == 0 || ratioD == 0) {
                ratioN = fileShape_.ratioNumerator;
                ratioD = fileShape_.ratioDenominator;
            }
            natural_ = DisplaySize(width, height, ratioN, ratioD,
                                   reportedTurn_ ? turn : fileShape_.turn);
        } else if (major == MFMediaType_Audio && !hasAudio_) {
            // Muted: no sound stream at all.
            take = !Muted();
            hasAudio_ = true;
            soundPlayed_ = take;
        }
        if (take) {
            presentation_->SelectStream(i);
        } else {
            presentation_->DeselectStream(i);
        }
        SafeRelease(&type);
        stream->Release();
    }
}

HRESULT MoviePlayer::SetItemTopology() {
    turningTopology_ = false;
    IMFTopology* topology = nullptr;
    HRESULT hr = gMf.createTopology(&topology);
    DWORD count = 0;
    if (SUCCEEDED(hr)) hr = presentation_->GetStreamDescriptorCount(&count);
    for (DWORD i = 0; SUCCEEDED(hr) && i < count; ++i) {
        BOOL selected = FALSE;
        IMFStreamDescriptor* stream = nullptr;
        hr = presentation_->GetStreamDescriptorByIndex(i, &selected, &stream);
        if (FAILED(hr)) {
            break;
        }
        if (selected) {
            IMFMediaType* type = nullptr;
            GUID major = MajorType(stream, &type);
            SafeRelease(&type);
            bool video = major == MFMediaType_Video;
            IMFTransform* turning =
                video && reportedTurn_ && !turnRefused_ ? CreateTurningProcessor() : nullptr;
            turningTopology_ = turningTopology_ || turning != nullptr;
            hr = AddBranch(topology, mediaSource_, presentation_, stream, turning,
                           video ? live_->videoRenderer : live_->audioRenderer);
            SafeRelease(&turning);
        }
        stream->Release();
    }
    if (SUCCEEDED(hr) && enumerateSourceTypes_) {
        hr = topology->SetUINT32(kTopologyEnumerateSourceTypes, TRUE);
    }
    // The item before is cleared and this one set in its place, on the same session.
    if (SUCCEEDED(hr)) hr = live_->session->SetTopology(MFSESSION_SETTOPOLOGY_IMMEDIATE, topology);
    if (SUCCEEDED(hr)) {
        ++topologiesUnanswered_;
    }
    SafeRelease(&topology);
    return hr;
}

// The topology is ready: the services of this item's renderers.
void MoviePlayer::TakeServices() {
    ReleaseServices();
    IMFClock* clock = nullptr;
    if (SUCCEEDED(live_->session->GetClock(&clock))) {
        clock->QueryInterface(IID_PPV_ARGS(&clock_));
        clock->Release();
    }
    if (hasVideo_) {
        gMf.getService(live_->session, MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(&display_));
    }
    if (display_ != nullptr) {
        // The destination rectangle already has the chosen proportions: fill it exactly.
        display_->SetAspectRatioMode(MFVideoARMode_None);
        display_->SetBorderColor(RGB(0, 0, 0));
    }
    if (soundPlayed_) {
        gMf.getService(live_->session, MR_STREAM_VOLUME_SERVICE, IID_PPV_ARGS(&volume_));
    }
}

void MoviePlayer::ReleaseServices() {
    SafeRelease(&display_);
    SafeRelease(&volume_);
    SafeRelease(&clock_);
}

// The live session goes to be closed in the background, with the sources it played.
void MoviePlayer::RetireSession() {
    if (live_ == nullptr) {
        return;
    }
    ReleaseServices();
    if (retired_ != nullptr) {
        live_->sources.push_back(retired_);
        retired_ = nullptr;
    }
    if (mediaSource_ != nullptr) {
        live_->sources.push_back(mediaSource_);
        mediaSource_ = nullptr;
        SafeRelease(&presentation_);
    }
    live_->BeginClose();
    closing_.push_back(live_);
    live_ = nullptr;
    topologiesUnanswered_ = 0;
    videoSize_ = {0, 0};
    videoPart_ = kWholePicture;
}

void MoviePlayer::RetireSource() {
    SafeRelease(&presentation_);
    if (mediaSource_ == nullptr) {
        return;
    }
    ShutDownRetired();
    retired_ = mediaSource_;
    mediaSource_ = nullptr;
}

// The session has let go of the source of the item before: it is shut down now.
void MoviePlayer::ShutDownRetired() {
    if (retired_ != nullptr) {
        retired_->Shutdown();
        SafeRelease(&retired_);
    }
}

// Sessions that have closed are torn down in the background; a window comes back for the next
// session once the renderer that drew in it is gone.
void MoviePlayer::CollectClosedSessions() {
    for (size_t i = 0; i < closing_.size();) {
        if (closing_[i]->Closed()) {
            TearDown(closing_[i]);
            closing_.erase(closing_.begin() + i);
        } else {
            ++i;
        }
    }
    for (size_t i = 0; i < teardowns_.size();) {
        if (WaitForSingleObject(teardowns_[i].thread, 0) == WAIT_OBJECT_0) {
            CloseHandle(teardowns_[i].thread);
            if (teardowns_[i].window != nullptr) {
                spareWindows_.push_back(teardowns_[i].window);
            }
            teardowns_.erase(teardowns_.begin() + i);
        } else {
            ++i;
        }
    }
    ResolveOnceClosed();
    // A session that says nothing more is looked at again until it is gone.
    if (owner_ != nullptr) {
        if (!Settling()) {
            KillTimer(owner_, closeTimer_);
        } else {
            SetTimer(owner_, closeTimer_, kClosePollMs, nullptr);
        }
    }
}

void MoviePlayer::TearDown(MovieSession* session) {
    HWND window = session->window;
    session->window = nullptr;
    HANDLE thread = CreateThread(nullptr, 0, TearDownSession, session, 0, nullptr);
    if (thread != nullptr) {
        teardowns_.push_back({thread, window});
        return;
    }
    delete session;
    if (window != nullptr) {
        spareWindows_.push_back(window);
    }
}

void MoviePlayer::Await(DWORD milliseconds) {
    SetTimer(owner_, timer_, milliseconds, nullptr);
}

PlayerNews MoviePlayer::Fail() {
    KillTimer(owner_, timer_);
    state_ = State::Failed;
    return PlayerNews::Failed;
}

void MoviePlayer::Close() {
    if (owner_ != nullptr) {
        KillTimer(owner_, timer_);
    }
    if (resolve_ != nullptr) {
        resolve_->Cancel();
        SafeRelease(&resolve_);
    }
    bool running = state_ == State::Resolved || state_ == State::Starting ||
                   state_ == State::Playing;
    if (live_ != nullptr && (freshSessions || state_ == State::Failed)) {
        // A session of its own, or one that failed: it goes with its item.
        RetireSession();
    } else if (live_ != nullptr && running) {
        live_->session->Stop();
    }
    Hide();
    RetireSource();
    delete[] source_;
    source_ = nullptr;
    state_ = State::Closed;
    natural_ = {0, 0};
    hasVideo_ = hasAudio_ = soundPlayed_ = false;
    duration_ = 0;
    position_ = 0;
    startAt_ = -1;
    cueing_ = seeking_ = restarting_ = presentationEnded_ = false;
    reportedTurn_ = turningTopology_ = turnRefused_ = false;
    fileShape_ = {0, 0, 0};
    lastClock_ = -1;
    held_ = false;
    resolvePending_ = false;
    beneath = nullptr;
}

void MoviePlayer::Hold() {
    held_ = true;
    ApplyVolume();
}

// Started, and its renderer has presented a picture where it can tell.
bool MoviePlayer::Showing() {
    if (state_ != State::Playing && state_ != State::Ended) {
        return false;
    }
    IQualProp* quality = nullptr;
    if (!hasVideo_ || display_ == nullptr ||
        FAILED(display_->QueryInterface(IID_IQualProp, (void**)&quality))) {
        return true;
    }
    int drawn = 0;
    HRESULT hr = quality->get_FramesDrawn(&drawn);
    quality->Release();
    return FAILED(hr) || drawn > 0;
}

void MoviePlayer::Hide() {
    if (live_ != nullptr && live_->window != nullptr) {
        ShowWindow(live_->window, SW_HIDE);
    }
}

void MoviePlayer::Shutdown() {
    Close();
    RetireSession();
    ShutDownRetired();
    // The windows are hidden by now, so this wait holds nothing the user sees; messages sent to
    // this thread's windows by the renderers are let through meanwhile.
    DWORD begun = GetTickCount();
    CollectClosedSessions();
    while (Settling() && GetTickCount() - begun < 2 * kCloseBoundMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        CollectClosedSessions();
    }
    for (MovieSession* session : closing_) {
        // Its threads are stuck (Wine's renderer can hang so): shutting it down would wait on
        // them for ever. Its sources are told to stop, so that their own threads end with the
        // process; the rest is let go as it is.
        for (IMFMediaSource* source : session->sources) {
            ShutDownOnItsOwnThread(source);
        }
        // Its window outlives this player until its owner goes: it must not reach back here.
        if (session->window != nullptr) {
            SetWindowLongPtrW(session->window, GWLP_USERDATA, 0);
        }
        session->abandoned = true;
        ++gAbandonedSessions;
        delete session;
    }
    closing_.clear();
    for (const Teardown& teardown : teardowns_) {
        // Its renderer is stuck in its shutdown: the same as a session that would not close.
        if (teardown.window != nullptr) {
            SetWindowLongPtrW(teardown.window, GWLP_USERDATA, 0);
        }
        CloseHandle(teardown.thread);
        ++gAbandonedSessions;
    }
    teardowns_.clear();
    for (HWND window : spareWindows_) {
        DestroyWindow(window);
    }
    spareWindows_.clear();
    owner_ = nullptr;
}

VideoSize MoviePlayer::Size() {
    return {natural_.cx, natural_.cy, natural_.cx, natural_.cy};
}

void MoviePlayer::Place(const RECT& destination, const RECT& visible) {
    // The picture's window covers only the part that shows; the renderer draws the matching
    // part of the picture in it, so the scale stays the whole destination's.
    ClippedPicture shown = ClipPicture(destination, visible);
    destination_ = shown.destination;
    picturePart_ = shown.source;
    if (live_ == nullptr || live_->window == nullptr || !hasVideo_) {
        return;
    }
    bool playing = state_ == State::Starting || state_ == State::Playing || state_ == State::Ended;
    if (playing) {
        ShowPicture();
    } else {
        // Shown once its topology is ready: until then the renderer still holds the last item's
        // frame.
        SizePictureWindow(live_->window, owner_, destination_);
    }
}

void MoviePlayer::ShowPicture() {
    if (live_ == nullptr || live_->window == nullptr || !hasVideo_) {
        return;
    }
    PlacePictureWindow(live_->window, owner_, destination_, beneath);
    SIZE size = {destination_.right - destination_.left, destination_.bottom - destination_.top};
    // The renderer is told only when the size or the part of the picture changes: moving the
    // window moves the picture, and a new size while it plays stops Wine's renderer for good.
    bool resized = size.cx != videoSize_.cx || size.cy != videoSize_.cy;
    const PictureFraction& p = picturePart_;
    bool recropped = p.left != videoPart_.left || p.top != videoPart_.top ||
                     p.right != videoPart_.right || p.bottom != videoPart_.bottom;
    if (size.cx > 0 && size.cy > 0 && (resized || recropped)) {
        videoSize_ = size;
        videoPart_ = p;
        if (display_ != nullptr) {
            MFVideoNormalizedRect part = {p.left, p.top, p.right, p.bottom};
            RECT whole = {0, 0, size.cx, size.cy};
            display_->SetVideoPosition(&part, &whole);
        }
    }
}

void MoviePlayer::RepaintPicture(HWND, HDC) {
    if (display_ != nullptr) {
        display_->RepaintVideo();
    }
}

void MoviePlayer::StartSession(LONGLONG position) {
    PROPVARIANT start;
    PropVariantInit(&start);
    // A topology's first start from the beginning names no position: the source need not seek.
    if (position > 0 || live_->played) {
        start.vt = VT_I8;
        start.hVal.QuadPart = position;
    }
    position_ = position;
    presentationEnded_ = false;
    lastClock_ = -1;
    // A session that has played must confirm this start before long, or it is one that cannot
    // start again.
    restarting_ = restarting_ || live_->played;
    if (FAILED(live_->session->Start(&GUID_NULL, &start))) {
        // Told through the window like every other failure.
        state_ = State::Failed;
        PostMessageW(owner_, MovieEventMessage, 1, 0);
        return;
    }
    state_ = State::Starting;
    Await(restarting_ ? kRestartBoundMs : kStartBoundMs);
}

void MoviePlayer::Cue() {
    if (state_ != State::Ready) {
        return;
    }
    cueing_ = true;
    startAt_ = position_ = 0;
    if (OpenOnSession() == PlayerNews::Failed) {
        PostMessageW(owner_, MovieEventMessage, 1, 0);
    }
}

void MoviePlayer::StartAt(LONGLONG position) {
    bool cued = cueing_ && state_ != State::Failed;
    if (state_ != State::Ready && !cued) {
        return;
    }
    cueing_ = false;
    restarting_ = false;
    startAt_ = position < 0 || (duration_ > 0 && position >= duration_) ? 0 : position;
    position_ = startAt_;
    if (cued) {
        // Ready now, or it starts once its topology is.
        if (state_ == State::Cued) {
            ShowPicture();
            ApplyVolume();
            StartSession(startAt_);
        }
        return;
    }
    if (OpenOnSession() == PlayerNews::Failed) {
        // Told through the window like every other failure.
        PostMessageW(owner_, MovieEventMessage, 1, 0);
    }
}

void MoviePlayer::Rest() {
    // An item opening to be started (again) rests too; one opening to be reported ready is
    // started, and so rested, by its screen.
    bool going = state_ == State::Resolved || state_ == State::Starting ||
                 state_ == State::Playing || (state_ == State::Resolving && startAt_ >= 0);
    if (!going) {
        return;
    }
    LONGLONG position = Position();
    KillTimer(owner_, timer_);
    if (resolve_ != nullptr) {
        resolve_->Cancel();
        SafeRelease(&resolve_);
    }
    Hide();
    RetireSession();
    RetireSource();
    position_ = position;
    seeking_ = restarting_ = presentationEnded_ = false;
    state_ = State::Resting;
}

void MoviePlayer::Wake() {
    if (state_ == State::Resting) {
        Reopen(position_, true);
    }
}

// Opens the movie again on a session of its own, to start at a position (or, at -1, to report
// it ready): where a session that has played does not start again (Wine's), a new session's
// first start does.
void MoviePlayer::Reopen(LONGLONG position, bool afterClose) {
    KillTimer(owner_, timer_);
    restarting_ = false;
    RetireSession();
    RetireSource();
    startAt_ = position < 0 ? 0 : position;
    position_ = startAt_;
    // A session let go while it played is waited for (its bound at most): Wine's resolver can
    // stall for good on a file whose last session is still closing. One that failed is not.
    state_ = State::Resolving;
    resolvePending_ = true;
    reopenedAt_ = afterClose ? GetTickCount() : GetTickCount() - kCloseBoundMs;
    CollectClosedSessions();
}

void MoviePlayer::ResolveOnceClosed() {
    if (!resolvePending_ || (Settling() && GetTickCount() - reopenedAt_ < kCloseBoundMs)) {
        return;
    }
    resolvePending_ = false;
    if (FAILED(BeginResolve())) {
        state_ = State::Failed;
        PostMessageW(owner_, MovieEventMessage, 1, 0);
    }
}

LONGLONG MoviePlayer::Position() {
    if (state_ == State::Ended) {
        return duration_;
    }
    if (state_ == State::Playing && !seeking_ && clock_ != nullptr) {
        MFTIME time = 0;
        if (SUCCEEDED(clock_->GetTime(&time))) {
            if (time < 0) {
                time = 0;
            }
            return duration_ > 0 && time > duration_ ? duration_ : time;
        }
    }
    return position_;
}

void MoviePlayer::SeekStep(bool forwards) {
    if (state_ != State::Playing && state_ != State::Starting) {
        return;
    }
    if (!seeking_) {
        position_ = Position();
        seeking_ = true;
        DWORD capabilities = 0;
        if (state_ == State::Playing &&
            SUCCEEDED(live_->session->GetSessionCapabilities(&capabilities)) &&
            (capabilities & MFSESSIONCAP_PAUSE) != 0) {
            live_->session->Pause();
        }
    }
    GrowSeekStep(kWindowlessPicture, &seekStep_, &seekRepeatCount_);
    position_ = forwards ? ForwardSeekTarget(position_, seekStep_, duration_ > 0, duration_)
                         : BackwardSeekTarget(position_, seekStep_);
    ++seekRepeatCount_;
}

void MoviePlayer::EndSeek() {
    seekStep_ = BaseSeekStep(kWindowlessPicture);
    seekRepeatCount_ = 0;
    if (!seeking_) {
        return;
    }
    seeking_ = false;
    if (freshSessions) {
        Reopen(position_, true);
        return;
    }
    StartSession(position_);
}

void MoviePlayer::ApplyVolume() {
    if (volume_ == nullptr) {
        return;
    }
    float amplitude = 0.0f;
    if (!Muted() && !held_) {
        amplitude = (float)QtLevelFromVolume(gSettings.Volume) / (float)QtFullLevel;
        amplitude = amplitude < 0.0f ? 0.0f : (amplitude > 1.0f ? 1.0f : amplitude);
    }
    UINT32 channels = 0;
    if (FAILED(volume_->GetChannelCount(&channels)) || channels == 0 || channels > 64) {
        return;
    }
    float levels[64];
    for (UINT32 i = 0; i < channels; ++i) {
        levels[i] = amplitude;
    }
    volume_->SetAllVolumes(channels, levels);
}

void MoviePlayer::ChangeVolume(int step) {
    if (!Muted() && hasAudio_ && !soundPlayed_ &&
        (state_ == State::Playing || state_ == State::Starting)) {
        // Unmuted while it plays: its sound joins from where it is.
        Reopen(Position(), true);
    }
    if (!Muted()) {
        int key = step > 0 ? kVolumeKeyStep : (step < 0 ? -kVolumeKeyStep : 0);
        int level = QtLimitLevel((long long)key + QtLevelFromVolume(gSettings.Volume));
        gSettings.Volume = QtVolumeFromLevel(level);
    }
    ApplyVolume();
}

// A start at a position, confirmed: the presentation clock stands within a second of it.
bool MoviePlayer::StartedWhereAsked() {
    MFTIME time = 0;
    if (clock_ == nullptr || FAILED(clock_->GetTime(&time))) {
        return true; // nothing to tell otherwise
    }
    const LONGLONG second = 10000000;
    return time > position_ - second && time < position_ + second;
}

// The source has delivered its last sample; the movie is over once the presentation clock has
// reached its length or stands still (the renderers have nothing more to present).
PlayerNews MoviePlayer::CheckPresentationEnd() {
    MFTIME time = 0;
    bool read = clock_ != nullptr && SUCCEEDED(clock_->GetTime(&time));
    if (read && time < duration_ && time != lastClock_) {
        lastClock_ = time;
        Await(kEndPollMs);
        return PlayerNews::None;
    }
    state_ = State::Ended;
    position_ = duration_;
    return PlayerNews::Ended;
}

PlayerNews MoviePlayer::OnTimer() {
    KillTimer(owner_, timer_);
    switch (state_) {
    case State::Resolving:
        // The source never came: the resolver is told to give up, and so is the item.
        if (resolve_ != nullptr) {
            resolve_->Cancel();
            SafeRelease(&resolve_);
        }
        return Fail();
    case State::Resolved:
        return Fail();
    case State::Starting:
        if (restarting_) {
            // This session does not start again once it has played: from now on every
            // topology gets a session of its own, this one too.
            freshSessions = true;
            Reopen(position_);
            return PlayerNews::None;
        }
        return Fail();
    case State::Playing:
        return presentationEnded_ ? CheckPresentationEnd() : PlayerNews::None;
    default:
        return PlayerNews::None;
    }
}

PlayerNews MoviePlayer::OnSessionEvent(DWORD type, HRESULT status, UINT32 topologyStatus) {
    switch (type) {
    case MESessionTopologySet:
    case MESessionTopologyStatus:
        if (type == MESessionTopologySet && topologiesUnanswered_ > 0) {
            --topologiesUnanswered_;
        }
        // Only the answer to the topology set last counts: a failed one may still report
        // statuses of its own (Wine's does).
        if (state_ != State::Resolved || (SUCCEEDED(status) && topologiesUnanswered_ > 0)) {
            return PlayerNews::None;
        }
        if (FAILED(status)) {
            // Some Media Foundation builds (Wine's) resolve a plain topology only when told to
            // try every type the source offers; a codec that is really missing fails again.
            // The session that refused it is let go, and the item opened again.
            if (status == MF_E_TOPO_CODEC_NOT_FOUND && !enumerateSourceTypes_) {
                topologiesNeedSourceTypes = true;
                Reopen(startAt_);
                return PlayerNews::None;
            }
            // A picture that cannot be turned still plays, on its side.
            if (turningTopology_) {
                turnRefused_ = true;
                Reopen(startAt_);
                return PlayerNews::None;
            }
            return Fail();
        }
        if (type == MESessionTopologyStatus && topologyStatus == MF_TOPOSTATUS_READY) {
            KillTimer(owner_, timer_);
            topologiesNeedSourceTypes = enumerateSourceTypes_;
            TakeServices();
            ShutDownRetired();
            if (cueing_) {
                state_ = State::Cued; // shown and started at its turn
                return PlayerNews::None;
            }
            ShowPicture();
            ApplyVolume();
            StartSession(startAt_);
            return PlayerNews::None;
        }
        return PlayerNews::None;
    case MESessionStarted:
        if (state_ != State::Starting) {
            return PlayerNews::None;
        }
        if (FAILED(status)) {
            if (restarting_) {
                freshSessions = true;
                Reopen(position_);
                return PlayerNews::None;
            }
            return Fail();
        }
        if (restarting_ && !StartedWhereAsked()) {
            // The session that had played started again, but not where it was asked to (Wine's
            // can start from the beginning): from now on each start gets a session of its own.
            freshSessions = true;
            Reopen(position_);
            return PlayerNews::None;
        }
        KillTimer(owner_, timer_);
        state_ = State::Playing;
        restarting_ = false;
        live_->played = true;
        return PlayerNews::None;
    case MEEndOfPresentation:
        if (state_ == State::Playing && !presentationEnded_) {
            presentationEnded_ = true;
            return CheckPresentationEnd();
        }
        return PlayerNews::None;
    case MESessionEnded:
        if (state_ != State::Playing) {
            return PlayerNews::None;
        }
        KillTimer(owner_, timer_);
        state_ = State::Ended;
        position_ = duration_;
        return PlayerNews::Ended;
    case MEError:
        if (state_ == State::Resolved || state_ == State::Cued || state_ == State::Starting ||
            state_ == State::Playing) {
            return Fail();
        }
        return PlayerNews::None;
    default:
        return PlayerNews::None;
    }
}

PlayerNews MoviePlayer::HandleEvent(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_TIMER && wParam == closeTimer_) {
        CollectClosedSessions();
        return PlayerNews::None;
    }
    if (message == WM_TIMER) {
        return wParam == timer_ ? OnTimer() : PlayerNews::None;
    }
    if (message != MovieEventMessage) {
        return PlayerNews::None;
    }
    PlayerNews news = PlayerNews::None;
    if (wParam == 1 && state_ == State::Failed) {
        // A start that was refused at once.
        news = PlayerNews::Failed;
    }
    if (resolve_ != nullptr && resolve_->Finished()) {
        PlayerNews taken = TakeSource();
        if (taken != PlayerNews::None) {
            news = taken;
        }
    }
    SessionEvents::Event e;
    while (live_ != nullptr && live_->events->Next(&e)) {
        PlayerNews n = OnSessionEvent(e.type, e.status, e.topologyStatus);
        if (n != PlayerNews::None) {
            news = n;
        }
    }
    CollectClosedSessions();
    return news;
}
