#include "movie_runtime/movie_player.h"

#include <evr.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <new>

#include "movie_runtime/mf_library.h"
#include "movie_runtime/movie_math.h"
#include "movie_runtime/movie_video_window.h"
#include "playback/path_text.h"

namespace {

// Bounds of every wait for Media Foundation. A local file answers in far less.
constexpr DWORD kResolveBoundMs = 8000;
constexpr DWORD kTopologyBoundMs = 5000;
constexpr DWORD kStartBoundMs = 5000;
constexpr DWORD kRestartBoundMs = 1000;
constexpr DWORD kCloseBoundMs = 1000;
// How long past its own length a playing movie may go without the session reporting its end.
constexpr DWORD kEndGraceMs = 4000;
constexpr DWORD kWaitSliceMs = 10;

// Learned once per process: this Media Foundation resolves topologies only when told to try
// every type the source offers, so later movies ask for that at once.
bool topologiesNeedSourceTypes = false;

} // namespace

int gAbandonedSessions = 0;

namespace {

// Missing from some SDK headers.
const GUID kTopologyEnumerateSourceTypes = {
    0x6248c36d, 0x5d0b, 0x4f40, {0xa0, 0xbb, 0xb0, 0xb3, 0x05, 0xf7, 0x76, 0x98}};

// One event the session reported.
struct SessionEvent {
    MediaEventType type;
    HRESULT status;
    UINT32 topologyStatus; // for MESessionTopologyStatus
};

// Takes the session's next event without waiting: S_OK with one, MF_E_NO_EVENTS_AVAILABLE
// when none is queued, or the session's failure.
HRESULT NextEvent(IMFMediaSession* session, SessionEvent* out) {
    IMFMediaEvent* event = nullptr;
    HRESULT hr = session->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event);
    if (hr != S_OK || event == nullptr) {
        return FAILED(hr) ? hr : MF_E_NO_EVENTS_AVAILABLE;
    }
    out->type = MEUnknown;
    out->status = S_OK;
    out->topologyStatus = MF_TOPOSTATUS_INVALID;
    event->GetType(&out->type);
    event->GetStatus(&out->status);
    if (out->type == MESessionTopologyStatus) {
        event->GetUINT32(MF_EVENT_TOPOLOGY_STATUS, &out->topologyStatus);
    }
    event->Release();
    return S_OK;
}

template <typename T> void SafeRelease(T** p) {
    if (*p != nullptr) {
        (*p)->Release();
        *p = nullptr;
    }
}

// Waits a slice, letting messages sent to this thread's windows through (the renderer's
// window is on this thread), but leaving posted input queued for the saver.
void WaitSlice(HANDLE handle) {
    DWORD count = handle != nullptr ? 1 : 0;
    MsgWaitForMultipleObjectsEx(count, handle != nullptr ? &handle : nullptr, kWaitSliceMs,
                                QS_SENDMESSAGE, 0);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}


// One asynchronous creation of a media source, waited for with a bound. Whoever lets go last
// frees it, so an answer that comes after the wait was given up is released here.
class ResolveRequest final : public IMFAsyncCallback {
public:
    ResolveRequest(IMFSourceResolver* resolver, bool fromUrl)
        : resolver_(resolver), fromUrl_(fromUrl) {
        resolver_->AddRef();
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    HANDLE Done() const { return done_; }
    HRESULT Status() const { return status_; }
    IUnknown* TakeObject() {
        IUnknown* object = object_;
        object_ = nullptr;
        return object;
    }

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
            delete this;
        }
        return left;
    }
    STDMETHODIMP GetParameters(DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IMFAsyncResult* result) override {
        MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
        IUnknown* object = nullptr;
        status_ = fromUrl_ ? resolver_->EndCreateObjectFromURL(result, &type, &object)
                           : resolver_->EndCreateObjectFromByteStream(result, &type, &object);
        object_ = object;
        SetEvent(done_);
        return S_OK;
    }

private:
    ~ResolveRequest() {
        SafeRelease(&object_);
        resolver_->Release();
        if (done_ != nullptr) {
            CloseHandle(done_);
        }
    }
    LONG references_ = 1;
    IMFSourceResolver* resolver_;
    bool fromUrl_;
    HANDLE done_ = nullptr;
    HRESULT status_ = E_PENDING;
    IUnknown* object_ = nullptr;
};

HRESULT AddBranch(IMFTopology* topology, IMFMediaSource* source,
                  IMFPresentationDescriptor* presentation, IMFStreamDescriptor* stream,
                  IMFActivate* renderer) {
    IMFTopologyNode* sourceNode = nullptr;
    IMFTopologyNode* outputNode = nullptr;
    HRESULT hr = gMf.createTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &sourceNode);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_SOURCE, source);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, presentation);
    if (SUCCEEDED(hr)) hr = sourceNode->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream);
    if (SUCCEEDED(hr)) hr = topology->AddNode(sourceNode);
    if (SUCCEEDED(hr)) hr = gMf.createTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &outputNode);
    if (SUCCEEDED(hr)) hr = outputNode->SetObject(renderer);
    if (SUCCEEDED(hr)) hr = topology->AddNode(outputNode);
    if (SUCCEEDED(hr)) hr = sourceNode->ConnectOutput(0, outputNode, 0);
    SafeRelease(&sourceNode);
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

MoviePlayer::~MoviePlayer() { Close(); }

HRESULT MoviePlayer::Open(const char* source, HWND owner) {
    Close();
    if (gMf.platform == nullptr || source == nullptr || source[0] == '\0') {
        return E_UNEXPECTED;
    }
    int length = MultiByteToWideChar(CP_ACP, 0, source, -1, nullptr, 0);
    if (length <= 0) {
        return E_INVALIDARG;
    }
    source_ = new (std::nothrow) WCHAR[length];
    if (source_ == nullptr) {
        return E_OUTOFMEMORY;
    }
    MultiByteToWideChar(CP_ACP, 0, source, -1, source_, length);
    isUrl_ = HasInternetScheme(source);
    owner_ = owner;

    HRESULT hr = CreateSource(&mediaSource_);
    if (SUCCEEDED(hr)) hr = mediaSource_->CreatePresentationDescriptor(&presentation_);
    if (SUCCEEDED(hr)) {
        ReadStreams();
        if (!hasVideo_ && !hasAudio_) {
            hr = MF_E_INVALIDMEDIATYPE;
        }
    }
    if (SUCCEEDED(hr) && hasVideo_) {
        video_ = CreateMovieVideoWindow(owner, this);
        if (video_ == nullptr) {
            hr = HRESULT_FROM_WIN32(GetLastError());
        }
    }
    if (SUCCEEDED(hr)) {
        enumerateSourceTypes_ = topologiesNeedSourceTypes;
        hr = BuildSession(enumerateSourceTypes_);
        // Some Media Foundation builds (Wine's) resolve a plain topology only when told to try
        // every type the source offers; a codec that is really missing fails again.
        if (hr == MF_E_TOPO_CODEC_NOT_FOUND && !enumerateSourceTypes_) {
            ReleaseSession();
            ReleaseSource();
            enumerateSourceTypes_ = true;
            hr = CreateSource(&mediaSource_);
            if (SUCCEEDED(hr)) hr = mediaSource_->CreatePresentationDescriptor(&presentation_);
            if (SUCCEEDED(hr)) {
                ReadStreams();
                hr = BuildSession(true);
            }
            topologiesNeedSourceTypes = SUCCEEDED(hr);
        }
    }
    if (FAILED(hr)) {
        Close();
        return hr;
    }
    state_ = State::Ready;
    return S_OK;
}

HRESULT MoviePlayer::CreateSource(IMFMediaSource** source) {
    *source = nullptr;
    IMFSourceResolver* resolver = nullptr;
    HRESULT hr = gMf.createSourceResolver(&resolver);
    if (FAILED(hr)) {
        return hr;
    }
    IMFByteStream* stream = nullptr;
    if (!isUrl_) {
        // The same query text as every other file test: long paths, shares, slashes.
        WCHAR* query = new (std::nothrow) WCHAR[kQueryPathSize];
        if (query == nullptr) {
            hr = E_OUTOFMEMORY;
        } else if (!FormQueryText(source_, query, kQueryPathSize)) {
            hr = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
        } else {
            hr = gMf.createFile(MF_ACCESSMODE_READ, MF_OPENMODE_FAIL_IF_NOT_EXIST,
                                MF_FILEFLAGS_NONE, query, &stream);
        }
        delete[] query;
    }
    ResolveRequest* request = nullptr;
    if (SUCCEEDED(hr)) {
        request = new (std::nothrow) ResolveRequest(resolver, isUrl_);
        hr = request != nullptr && request->Done() != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    IUnknown* cancel = nullptr;
    // The file's own name tells the resolver the container; its content decides when the two
    // disagree.
    DWORD flags = MF_RESOLUTION_MEDIASOURCE |
                  MF_RESOLUTION_CONTENT_DOES_NOT_HAVE_TO_MATCH_EXTENSION_OR_MIME_TYPE;
    if (SUCCEEDED(hr)) {
        hr = isUrl_ ? resolver->BeginCreateObjectFromURL(source_, flags, nullptr, &cancel,
                                                         request, nullptr)
                    : resolver->BeginCreateObjectFromByteStream(stream, source_, flags, nullptr,
                                                                &cancel, request, nullptr);
    }
    if (SUCCEEDED(hr)) {
        DWORD begun = GetTickCount();
        while (WaitForSingleObject(request->Done(), 0) != WAIT_OBJECT_0 &&
               GetTickCount() - begun < kResolveBoundMs) {
            WaitSlice(request->Done());
        }
        if (WaitForSingleObject(request->Done(), 0) != WAIT_OBJECT_0) {
            if (cancel != nullptr) {
                resolver->CancelObjectCreation(cancel);
            }
            hr = MF_E_OPERATION_CANCELLED;
        } else {
            hr = request->Status();
            IUnknown* object = request->TakeObject();
            if (SUCCEEDED(hr)) {
                hr = object != nullptr ? object->QueryInterface(IID_PPV_ARGS(source))
                                       : E_POINTER;
            }
            SafeRelease(&object);
        }
    }
    SafeRelease(&cancel);
    if (request != nullptr) {
        request->Release();
    }
    SafeRelease(&stream);
    resolver->Release();
    return hr;
}

void MoviePlayer::ReadStreams() {
    hasVideo_ = false;
    hasAudio_ = false;
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
            UINT32 width = 0, height = 0, ratioN = 0, ratioD = 0;
            if (type != nullptr) {
                MFGetAttributeSize(type, MF_MT_FRAME_SIZE, &width, &height);
                MFGetAttributeRatio(type, MF_MT_PIXEL_ASPECT_RATIO, &ratioN, &ratioD);
            }
            natural_.cx = DisplayWidth(width, ratioN, ratioD);
            natural_.cy = height > 32767 ? 32767 : (LONG)height;
        } else if (major == MFMediaType_Audio && !hasAudio_) {
            take = true;
            hasAudio_ = true;
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

HRESULT MoviePlayer::BuildSession(bool enumerateSourceTypes) {
    IMFTopology* topology = nullptr;
    HRESULT hr = gMf.createMediaSession(nullptr, &session_);
    if (SUCCEEDED(hr)) hr = gMf.createTopology(&topology);
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
            IMFActivate* renderer = nullptr;
            hr = major == MFMediaType_Video ? gMf.createVideoRendererActivate(video_, &renderer)
                                            : gMf.createAudioRendererActivate(&renderer);
            if (SUCCEEDED(hr)) {
                hr = AddBranch(topology, mediaSource_, presentation_, stream, renderer);
            }
            SafeRelease(&renderer);
        }
        stream->Release();
    }
    if (SUCCEEDED(hr) && enumerateSourceTypes) {
        hr = topology->SetUINT32(kTopologyEnumerateSourceTypes, TRUE);
    }
    if (SUCCEEDED(hr)) hr = session_->SetTopology(0, topology);
    SafeRelease(&topology);
    if (SUCCEEDED(hr)) hr = WaitForTopology();
    if (SUCCEEDED(hr)) {
        TakeServices();
        hasStarted_ = false;
        DWORD capabilities = 0;
        session_->GetSessionCapabilities(&capabilities);
        canPause_ = (capabilities & MFSESSIONCAP_PAUSE) != 0;
    }
    return hr;
}

// Waits, with a bound, until the session has resolved the topology and made its renderers.
HRESULT MoviePlayer::WaitForTopology() {
    DWORD begun = GetTickCount();
    while (GetTickCount() - begun < kTopologyBoundMs) {
        SessionEvent event;
        HRESULT hr = NextEvent(session_, &event);
        if (hr == MF_E_NO_EVENTS_AVAILABLE) {
            WaitSlice(nullptr);
            continue;
        }
        if (FAILED(hr)) {
            return hr;
        }
        if (FAILED(event.status)) {
            return event.status;
        }
        if (event.type == MEError) {
            return E_FAIL;
        }
        if (event.type == MESessionTopologyStatus &&
            event.topologyStatus == MF_TOPOSTATUS_READY) {
            return S_OK;
        }
    }
    return MF_E_OPERATION_CANCELLED;
}

void MoviePlayer::TakeServices() {
    SafeRelease(&clock_);
    SafeRelease(&display_);
    SafeRelease(&volume_);
    IMFClock* clock = nullptr;
    if (SUCCEEDED(session_->GetClock(&clock))) {
        clock->QueryInterface(IID_PPV_ARGS(&clock_));
        clock->Release();
    }
    if (hasVideo_) {
        gMf.getService(session_, MR_VIDEO_RENDER_SERVICE, IID_PPV_ARGS(&display_));
    }
    if (display_ != nullptr) {
        // The destination rectangle already has the chosen proportions: fill it exactly.
        display_->SetAspectRatioMode(MFVideoARMode_None);
        display_->SetBorderColor(RGB(0, 0, 0));
        if (videoSize_.cx > 0 && videoSize_.cy > 0) {
            RECT whole = {0, 0, videoSize_.cx, videoSize_.cy};
            display_->SetVideoPosition(nullptr, &whole);
        }
    }
    if (hasAudio_) {
        gMf.getService(session_, MR_STREAM_VOLUME_SERVICE, IID_PPV_ARGS(&volume_));
    }
    SetVolume(amplitude_);
}

void MoviePlayer::ReleaseSession() {
    // A start still unanswered is waited for, with a bound: closing a session in the middle
    // of its start can leave Media Foundation's threads stuck.
    DWORD begun = GetTickCount();
    while (session_ != nullptr && state_ == State::Starting && !restartPending_ &&
           GetTickCount() - begun < kRestartBoundMs) {
        Poll();
        if (state_ == State::Starting) {
            WaitSlice(nullptr);
        }
    }
    SafeRelease(&clock_);
    SafeRelease(&display_);
    SafeRelease(&volume_);
    if (session_ == nullptr) {
        return;
    }
    // Closing is asynchronous; the session is shut down once it has closed. One that failed
    // while playing is not asked to close: its threads may be stuck already, and closing
    // would make them wait on each other (Wine's renderer does).
    bool closed = false;
    if (state_ != State::Failed && SUCCEEDED(session_->Close())) {
        DWORD begun = GetTickCount();
        while (!closed && GetTickCount() - begun < kCloseBoundMs) {
            SessionEvent event;
            HRESULT hr = NextEvent(session_, &event);
            if (hr == MF_E_NO_EVENTS_AVAILABLE) {
                WaitSlice(nullptr);
                continue;
            }
            if (FAILED(hr)) {
                break;
            }
            closed = event.type == MESessionClosed;
        }
    }
    if (!closed) {
        // A session that does not close within the bound has threads stuck inside it (Wine's
        // renderer can hang so); shutting it down would wait on them for ever. It is let go
        // as it is, and its source with it.
        session_ = nullptr;
        sessionAbandoned_ = true;
        ++gAbandonedSessions;
        return;
    }
    session_->Shutdown();
    SafeRelease(&session_);
}

void MoviePlayer::ReleaseSource() {
    if (sessionAbandoned_) {
        mediaSource_ = nullptr;
        presentation_ = nullptr;
        sessionAbandoned_ = false;
        return;
    }
    if (mediaSource_ != nullptr) {
        mediaSource_->Shutdown();
    }
    SafeRelease(&mediaSource_);
    SafeRelease(&presentation_);
}

void MoviePlayer::Close() {
    ReleaseSession();
    ReleaseSource();
    if (video_ != nullptr) {
        DestroyWindow(video_);
        video_ = nullptr;
    }
    delete[] source_;
    source_ = nullptr;
    state_ = State::Closed;
    natural_ = {0, 0};
    videoSize_ = {0, 0};
    placed_ = false;
    duration_ = 0;
    position_ = 0;
    hasVideo_ = hasAudio_ = false;
    hasStarted_ = rebuildToSeek_ = restartPending_ = false;
    enumerateSourceTypes_ = false;
    canPause_ = true;
}

void MoviePlayer::Place(const RECT& destination) {
    if (video_ == nullptr) {
        return;
    }
    PlaceMovieVideoWindow(video_, owner_, destination);
    destination_ = destination;
    placed_ = true;
    SIZE size = {destination.right - destination.left, destination.bottom - destination.top};
    // The renderer is told only when the size changes: moving the window moves the picture.
    if (size.cx > 0 && size.cy > 0 && (size.cx != videoSize_.cx || size.cy != videoSize_.cy)) {
        videoSize_ = size;
        if (display_ != nullptr) {
            RECT whole = {0, 0, size.cx, size.cy};
            display_->SetVideoPosition(nullptr, &whole);
        }
    }
}

void MoviePlayer::Repaint() {
    if (display_ != nullptr) {
        display_->RepaintVideo();
    }
}

void MoviePlayer::StartAt(LONGLONG position, bool restart) {
    if (session_ == nullptr) {
        return;
    }
    PROPVARIANT start;
    PropVariantInit(&start);
    if (position >= 0) {
        start.vt = VT_I8;
        start.hVal.QuadPart = position;
    }
    
    HRESULT hr = session_->Start(&GUID_NULL, &start);
    if (FAILED(hr)) {
        state_ = State::Failed;
        return;
    }
    state_ = State::Starting;
    restartPending_ = restart;
    startRequestedAt_ = GetTickCount();
}

void MoviePlayer::Start() {
    switch (state_) {
    case State::Ready:
        StartAt(hasStarted_ ? position_ : -1, hasStarted_);
        break;
    case State::Paused:
        if (rebuildToSeek_ || session_ == nullptr) {
            Rebuild(position_);
        } else {
            StartAt(position_, true);
        }
        break;
    default:
        break;
    }
}

void MoviePlayer::Stop() {
    if (state_ != State::Playing && state_ != State::Starting) {
        return;
    }
    position_ = Position();
    if (!canPause_ || rebuildToSeek_) {
        // A session that cannot pause, or would not play again: let it go now and build it
        // anew at the position on the start.
        ReleaseSession();
    } else if (session_ != nullptr) {
        session_->Pause();
    }
    state_ = State::Paused;
}

LONGLONG MoviePlayer::Position() {
    if (state_ == State::Ended) {
        return duration_;
    }
    if (state_ == State::Playing && clock_ != nullptr) {
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

void MoviePlayer::Seek(LONGLONG position) {
    if (position < 0) {
        position = 0;
    }
    if (duration_ > 0 && position > duration_) {
        position = duration_;
    }
    if (state_ == State::Playing || state_ == State::Starting) {
        position_ = position;
        if (!canPause_ || rebuildToSeek_) {
            Rebuild(position);
        } else {
            StartAt(position, true);
        }
        return;
    }
    if (state_ == State::Ended) {
        // Seeking back into a movie that ended plays it again from there when started.
        state_ = State::Paused;
    }
    position_ = position;
}

// Builds the session afresh and starts it at a position: where restarting a session that has
// played is never confirmed (Wine's), a first start of a new session is.
void MoviePlayer::Rebuild(LONGLONG position) {
    ReleaseSession();
    ReleaseSource();
    // A renderer of the new session gets a window of its own: the old one may still be
    // letting go of the window it drew into.
    if (video_ != nullptr) {
        HWND old = video_;
        video_ = CreateMovieVideoWindow(owner_, this);
        if (video_ != nullptr && placed_) {
            PlaceMovieVideoWindow(video_, owner_, destination_);
        }
        DestroyWindow(old);
    }
    HRESULT hr = video_ != nullptr || !hasVideo_ ? CreateSource(&mediaSource_) : E_FAIL;
    if (SUCCEEDED(hr)) hr = mediaSource_->CreatePresentationDescriptor(&presentation_);
    if (SUCCEEDED(hr)) {
        ReadStreams();
        hr = BuildSession(enumerateSourceTypes_);
    }
    if (FAILED(hr)) {
        state_ = State::Failed;
        return;
    }
    position_ = position;
    StartAt(position, false);
}

void MoviePlayer::SetVolume(float amplitude) {
    amplitude_ = amplitude < 0.0f ? 0.0f : (amplitude > 1.0f ? 1.0f : amplitude);
    if (volume_ == nullptr) {
        return;
    }
    UINT32 channels = 0;
    if (FAILED(volume_->GetChannelCount(&channels)) || channels == 0 || channels > 64) {
        return;
    }
    float levels[64];
    for (UINT32 i = 0; i < channels; ++i) {
        levels[i] = amplitude_;
    }
    volume_->SetAllVolumes(channels, levels);
}

void MoviePlayer::HandleEvent(DWORD type, HRESULT status) {
    if (type == MESessionStarted && FAILED(status) && restartPending_) {
        rebuildToSeek_ = true;
        Rebuild(position_);
        return;
    }
    if (FAILED(status) || type == MEError) {
        state_ = State::Failed;
        return;
    }
    switch (type) {
    case MESessionStarted:
        if (state_ == State::Starting) {
            state_ = State::Playing;
            hasStarted_ = true;
            restartPending_ = false;
            playingSince_ = GetTickCount();
            playingFrom_ = position_;
        }
        break;
    case MESessionEnded:
        state_ = State::Ended;
        position_ = duration_;
        break;
    default:
        break;
    }
}

void MoviePlayer::Poll() {
    SessionEvent event;
    while (session_ != nullptr && !Done() && NextEvent(session_, &event) == S_OK) {
        HandleEvent(event.type, event.status);
    }
    if (state_ == State::Playing && duration_ > 0) {
        // The end the session should have reported by now: a renderer stuck at its end
        // (Wine's can be) must not hold the item for ever.
        LONGLONG left = duration_ - (playingFrom_ > 0 ? playingFrom_ : 0);
        if (GetTickCount() - playingSince_ > (DWORD)(left / 10000) + kEndGraceMs) {
            state_ = State::Ended;
            position_ = duration_;
        }
    }
    if (state_ != State::Starting) {
        return;
    }
    DWORD waited = GetTickCount() - startRequestedAt_;
    if (restartPending_ && waited >= kRestartBoundMs) {
        // This session does not restart once it has played: build it anew at the position.
        rebuildToSeek_ = true;
        Rebuild(position_);
    } else if (!restartPending_ && waited >= kStartBoundMs) {
        state_ = State::Failed;
    }
}
