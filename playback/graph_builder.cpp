#include "playback/graph_builder.h"

#include <d3d9.h>
#include <vmr9.h>
#include <wininet.h>

#include <new>

#include "host/saver_window.h"
#include "playback/error_message.h"
#include "playback/path_text.h"
#include "playback/playback_controller.h"
#include "playback/playback_graph.h"
#include "playback/video_geometry.h"
#include "quicktime/qt_player.h"
#include "quicktime/qt_runtime.h"
#include "settings/media_kind.h"
#include "settings/settings.h"

namespace {

// WinINet's own time-outs for connecting and for each answer.
constexpr DWORD kUrlTimeoutMs = 4000;
// Some WinINet builds ignore the answer time-outs, so a server that takes the connection and
// never answers would hold the saver for ever: the check runs on its own thread and is given
// up after this long (a connection and a first answer, each within its time-out).
constexpr DWORD kUrlGiveUpMs = 2 * kUrlTimeoutMs;
// Longest wait for a graph told to stop when ready to reach the stopped state.
constexpr DWORD kStopWaitMs = 2000;
constexpr DWORD kStopPollMs = 20;

bool Usable(const void* p) { return p != nullptr && !windowDestroyed; }

// A path past MAX_PATH that the folder walk found, and a file that another program has open,
// even for writing, are there to be played.
bool FileExists(const char* path) {
    wchar_t query[kQueryPathSize];
    if (!FormQueryPath(path, query, kQueryPathSize)) {
        return false;
    }
    HANDLE file = CreateFileW(query, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// The file test lets through a file that another program is writing, but a source filter that
// does not share the file with its writer cannot open it: such an item is passed over like a
// missing file instead of failing the saver. The move releases what was built so far.
bool PassedOverWhenHeld(HWND window, HRESULT opened) {
    if (opened != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) {
        return false;
    }
    gGraph.graphActive = 1;
    SkipUnplayableItem(window);
    return true;
}

// StopWhenReady may complete on another thread after it returns; a Run issued before then is
// undone. Waits, with a bound, for the stopped state, letting messages sent to the window by
// the renderer through meanwhile.
void WaitUntilStopped(IMediaControl* control) {
    for (DWORD waited = 0; waited < kStopWaitMs; waited += kStopPollMs) {
        OAFilterState state = State_Running;
        HRESULT hr = control->GetState(0, &state);
        if (FAILED(hr) || (hr == S_OK && state == State_Stopped)) {
            return;
        }
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        gPlaybackHooks.sleep(kStopPollMs);
    }
}

// Opens the URL and reads one byte. An answer with an error status (a missing page, say)
// is not the entry's content, though it has a body.
bool ProbeUrl(const char* url) {
    HINTERNET session =
        InternetOpenA("PROGRAM", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) {
        return false;
    }
    DWORD timeout = kUrlTimeoutMs;
    InternetSetOptionA(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(session, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(session, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionA(session, INTERNET_OPTION_DATA_SEND_TIMEOUT, &timeout, sizeof(timeout));
    bool readable = false;
    HINTERNET file = InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_TRANSFER_ASCII, 0);
    if (file != nullptr) {
        DWORD status = 0;
        DWORD size = sizeof(status);
        bool failedStatus = HttpQueryInfoA(file, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                           &status, &size, nullptr) &&
                            status >= 400;
        char byte = 0;
        DWORD read = 0;
        readable = !failedStatus && InternetReadFile(file, &byte, 1, &read) && read == 1;
        InternetCloseHandle(file);
    }
    InternetCloseHandle(session);
    return readable;
}

// One URL check, shared by the waiting caller and the thread that runs it; whichever lets go
// last frees it.
struct UrlProbe {
    LONG references;
    LONG readable;
    HANDLE done;
    char url[kPathBufferSize];
};

void ReleaseProbe(UrlProbe* probe) {
    if (InterlockedDecrement(&probe->references) == 0) {
        CloseHandle(probe->done);
        delete probe;
    }
}

DWORD WINAPI ProbeUrlThread(void* parameter) {
    UrlProbe* probe = static_cast<UrlProbe*>(parameter);
    InterlockedExchange(&probe->readable, ProbeUrl(probe->url) ? 1 : 0);
    SetEvent(probe->done);
    ReleaseProbe(probe);
    return 0;
}

void QueryGraph(REFIID iid, void** out) {
    if (Usable(gGraph.graph)) {
        CheckResult(gGraph.graph->QueryInterface(iid, out));
    }
}

void CreateAndRun(HWND window, const char* path, const WCHAR* widePath) {
    CheckResult(CoInitialize(nullptr));
    gGraph.comInitialised = 1;

    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, (void**)&gGraph.graph);
    CheckResult(hr, kDirectShowMissingLine);

    hr = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr,
                          CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IBaseFilter,
                          (void**)&gGraph.vmr9);
    if (SUCCEEDED(hr)) {
        gGraph.vmr9InUse = 1;
    } else if (hr == REGDB_E_CLASSNOTREG || hr == VFW_E_DDRAW_CAPS_NOT_SUITABLE) {
        gGraph.vmr9InUse = 0;
        gGraph.vmr9 = nullptr;
    } else {
        CheckResult(hr);
    }

    CheckResult(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IBaseFilter, (void**)&gGraph.audioRenderer));

    if (gGraph.vmr9InUse && Usable(gGraph.graph) && gGraph.vmr9) {
        CheckResult(gGraph.graph->AddFilter(gGraph.vmr9, L"Video Mixing Renderer 9"));
    }
    if (Usable(gGraph.graph) && gGraph.audioRenderer) {
        CheckResult(gGraph.graph->AddFilter(gGraph.audioRenderer, L"Audio Renderer"));
    }
    if (gGraph.vmr9InUse) {
        // The mode must be set before any pin of the renderer is connected.
        if (Usable(gGraph.vmr9)) {
            CheckResult(gGraph.vmr9->QueryInterface(IID_IVMRFilterConfig9,
                                                    (void**)&gGraph.vmrConfig));
        }
        if (Usable(gGraph.vmrConfig)) {
            CheckResult(gGraph.vmrConfig->SetRenderingMode(VMR9Mode_Windowless));
        }
        if (Usable(gGraph.vmr9)) {
            CheckResult(gGraph.vmr9->QueryInterface(IID_IVMRWindowlessControl9,
                                                    (void**)&gGraph.windowless));
        }
        if (Usable(gGraph.windowless)) {
            CheckResult(gGraph.windowless->SetVideoClippingWindow(window));
        }
    }

    QueryGraph(IID_IMediaEventEx, (void**)&gGraph.events);
    QueryGraph(IID_IFilterGraph2, (void**)&gGraph.graph2);
    QueryGraph(IID_IMediaControl, (void**)&gGraph.control);
    QueryGraph(IID_IMediaSeeking, (void**)&gGraph.seeking);
    QueryGraph(IID_IBasicAudio, (void**)&gGraph.audio);
    if (!gGraph.vmr9InUse) {
        QueryGraph(IID_IVideoWindow, (void**)&gGraph.videoWindow);
        QueryGraph(IID_IBasicVideo2, (void**)&gGraph.basicVideo);
    }

    if (IsWindowsMediaPath(path)) {
        CheckResult(CoCreateInstance(CLSID_WMAsfReader, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, (void**)&gGraph.asfReader));
        if (Usable(gGraph.graph) && gGraph.asfReader) {
            CheckResult(gGraph.graph->AddFilter(gGraph.asfReader, L"ASF Reader"));
        }
        if (Usable(gGraph.asfReader)) {
            CheckResult(gGraph.asfReader->QueryInterface(IID_IFileSourceFilter,
                                                         (void**)&gGraph.fileSource));
        }
        if (Usable(gGraph.fileSource)) {
            HRESULT loaded = gGraph.fileSource->Load(widePath, nullptr);
            if (PassedOverWhenHeld(window, loaded)) {
                return;
            }
            CheckResult(loaded);
        }
        if (Usable(gGraph.graph) && gGraph.asfReader) {
            RenderOutputPins(gGraph.graph, gGraph.asfReader);
        }
    } else {
        if (Usable(gGraph.graph)) {
            HRESULT added = gGraph.graph->AddSourceFilter(widePath, L"SOURCE", &gGraph.source);
            if (PassedOverWhenHeld(window, added)) {
                return;
            }
            CheckResult(added);
        }
        if (Usable(gGraph.source)) {
            IPin* pin = nullptr;
            CheckResult(FindUnconnectedPin(gGraph.source, PINDIR_OUTPUT, &pin));
            if (Usable(gGraph.graph2) && pin) {
                DWORD flags = gGraph.vmr9InUse ? AM_RENDEREX_RENDERTOEXISTINGRENDERERS : 0;
                CheckResult(gGraph.graph2->RenderEx(pin, flags, nullptr));
            }
            SafeRelease(pin);
        }
    }

    if (Usable(gGraph.events)) {
        CheckResult(gGraph.events->SetNotifyWindow((OAHWND)window, GraphEventMessage, 0));
    }
    if (!gGraph.vmr9InUse && Usable(gGraph.videoWindow)) {
        gGraph.videoWindow->put_Owner((OAHWND)window);
    }
    if (!gGraph.vmr9InUse && Usable(gGraph.videoWindow)) {
        gGraph.videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    }

    LayoutVideo(window);
    SetWindowTextA(window, ItemTitleFromPath(path));

    // The first picture stands in the window before playback starts.
    if (Usable(gGraph.control)) {
        CheckResult(gGraph.control->StopWhenReady());
        WaitUntilStopped(gGraph.control);
    }
    if (Usable(gGraph.seeking)) {
        LONGLONG start = 0;
        CheckResult(gGraph.seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                                 AM_SEEKING_NoPositioning));
    }
    ChangeVolume(gSettings.Mute == 1 ? -10000 : 0);
    if (gGraph.seeking) {
        ReadSeekingCaps();
    }
    if (Usable(gGraph.control)) {
        CheckResult(gGraph.control->Run());
    }
    gGraph.graphActive = 1;
    NoteItemPlaying();
}

void PlayItemSteps(HWND window, const char* path) {
    // A private copy: moving on may deal the playlist's paths anew under the caller's pointer.
    char item[kPathBufferSize];
    lstrcpynA(item, path ? path : "", sizeof(item));
    WCHAR widePath[kPathBufferSize] = {};
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, item, -1, widePath, kPathBufferSize) == 0) {
        widePath[0] = L'\0';
    }

    gGraph.graphActive = 0;
    seekRepeatCount = 0;

    if (!FileExists(item) && !IsUrlReadable(item)) {
        SkipUnplayableItem(window);
        return;
    }

    if (ClassifyMedia(item) == QuickTimeFile) {
        gGraph.quickTimeItem = 1;
        if (QuickTimeAvailable == 1) {
            QtPlayMovie(window, item);
        } else {
            // Without the runtime the entry cannot play; pass over it rather than stall.
            SkipUnplayableItem(window);
        }
        return;
    }
    gGraph.quickTimeItem = 0;
    gGraph.vmr9InUse = 0;
    gGraph.canSeekForwards = 0;
    gGraph.canSeekBackwards = 0;
    CreateAndRun(window, item, widePath);
}

} // namespace

void PlayItem(HWND window, const char* path) {
    BeginPlaybackCall();
    PlayItemSteps(window, path);
    EndPlaybackCall(window);
}

bool IsUrlReadable(const char* path) {
    // WinINet opens only these schemes; a local path would fail there anyway, only slower.
    if (!HasInternetScheme(path)) {
        return false;
    }
    UrlProbe* probe = new (std::nothrow) UrlProbe();
    if (probe == nullptr) {
        return ProbeUrl(path);
    }
    probe->references = 2;
    lstrcpynA(probe->url, path, sizeof(probe->url));
    probe->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = probe->done ? CreateThread(nullptr, 0, ProbeUrlThread, probe, 0, nullptr)
                                : nullptr;
    if (thread == nullptr) {
        if (probe->done) {
            CloseHandle(probe->done);
        }
        delete probe;
        return ProbeUrl(path);
    }
    CloseHandle(thread);
    bool readable = WaitForSingleObject(probe->done, kUrlGiveUpMs) == WAIT_OBJECT_0 &&
                    probe->readable != 0;
    // A probe still waiting on its server is left to finish on its own.
    ReleaseProbe(probe);
    return readable;
}

HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin) {
    if (pin == nullptr) {
        return E_POINTER;
    }
    *pin = nullptr;
    if (filter == nullptr) {
        return E_POINTER;
    }
    IEnumPins* pins = nullptr;
    CheckResult(filter->EnumPins(&pins));
    if (pins == nullptr) {
        return E_FAIL;
    }
    IPin* candidate = nullptr;
    HRESULT next;
    while ((next = pins->Next(1, &candidate, nullptr)) == S_OK) {
        PIN_DIRECTION pinDirection = PINDIR_INPUT;
        CheckResult(candidate->QueryDirection(&pinDirection));
        if (pinDirection == direction) {
            IPin* peer = nullptr;
            if (FAILED(candidate->ConnectedTo(&peer))) {
                pins->Release();
                *pin = candidate;
                return S_OK;
            }
            SafeRelease(peer);
        }
        SafeRelease(candidate);
    }
    CheckResult(next);
    pins->Release();
    return E_FAIL;
}

void RenderOutputPins(IGraphBuilder* graph, IBaseFilter* filter) {
    if (graph == nullptr || filter == nullptr) {
        return;
    }
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)) || pins == nullptr) {
        return;
    }
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        IPin* peer = nullptr;
        HRESULT last = pin->ConnectedTo(&peer);
        SafeRelease(peer);
        if (last == VFW_E_NOT_CONNECTED) {
            PIN_DIRECTION direction = PINDIR_INPUT;
            last = pin->QueryDirection(&direction);
            if (SUCCEEDED(last) && direction == PINDIR_OUTPUT) {
                last = graph->Render(pin);
            }
        }
        SafeRelease(pin);
        if (FAILED(last)) {
            break;
        }
    }
    pins->Release();
}

void ReadSeekingCaps() {
    DWORD caps = 0;
    if (gGraph.seeking) {
        CheckResult(gGraph.seeking->GetCapabilities(&caps));
    }
    gGraph.canSeekForwards = (caps & AM_SEEKING_CanSeekForwards) ? 1 : 0;
    gGraph.canSeekBackwards = (caps & AM_SEEKING_CanSeekBackwards) ? 1 : 0;
}
