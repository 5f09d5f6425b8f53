// The least a Media Foundation player does: a media session with the enhanced video renderer
// in a pop-up at the picture's place and the streaming audio renderer, one movie to its end.
// The movie benchmark compares the saver against it.
//   bare_mf_player.exe PATH LEFT TOP WIDTH HEIGHT [REPORT]
// REPORT, when given, receives "drawn=N dropped=M" from the renderer's quality figures, or
// "quality=none" when the renderer offers none.
// Exit code: 0 at the movie's end, 1 when a Media Foundation call fails, 2 on a bad command line.
#include <windows.h>

#include <strmif.h>

#include <amvideo.h>
#include <evr.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

// Missing from MinGW-w64's headers.
const GUID kEnumerateSourceTypes = {0x6248c36d, 0x5d0b, 0x4f40,
                                    {0xa0, 0xbb, 0xb0, 0xb3, 0x05, 0xf7, 0x76, 0x98}};
const IID kIidVideoDisplayControl = {0xa490b1e4, 0xab84, 0x4d31,
                                     {0xa1, 0xb2, 0x18, 0x1e, 0x03, 0xb1, 0x07, 0x7a}};
const IID kIidQualProp = {0x1bd0ecb0, 0xf8e2, 0x11ce, {0xaa, 0xc6, 0x00, 0x20, 0xaf, 0x0b, 0x99, 0xa3}};

constexpr DWORD kEventBoundMs = 10000;

IMFMediaSession* session = nullptr;
IMFMediaSource* source = nullptr;
IMFPresentationDescriptor* presentation = nullptr;
HWND videoWindow = nullptr;
IMFActivate* videoRenderer = nullptr; // kept to reach the renderer's quality figures

template <class T> void Release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

[[noreturn]] void Fail(const char* what, HRESULT hr) {
    fprintf(stderr, "bare_mf_player: %s failed: 0x%lx\n", what, (unsigned long)hr);
    ExitProcess(1);
}

void Check(const char* what, HRESULT hr) {
    if (FAILED(hr)) {
        Fail(what, hr);
    }
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

// The next session event, pumping the window's messages meanwhile; MEUnknown after the bound.
MediaEventType NextEvent(HRESULT* status, DWORD boundMs = kEventBoundMs) {
    DWORD begun = GetTickCount();
    for (;;) {
        IMFMediaEvent* event = nullptr;
        HRESULT hr = session->GetEvent(MF_EVENT_FLAG_NO_WAIT, &event);
        if (SUCCEEDED(hr)) {
            MediaEventType type = MEUnknown;
            event->GetType(&type);
            event->GetStatus(status);
            event->Release();
            return type;
        }
        if (hr != MF_E_NO_EVENTS_AVAILABLE) {
            Fail("GetEvent", hr);
        }
        if (GetTickCount() - begun > boundMs) {
            *status = S_OK;
            return MEUnknown;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
}

IMFTopology* BuildTopology(bool enumerateSourceTypes) {
    IMFTopology* topology = nullptr;
    Check("MFCreateTopology", MFCreateTopology(&topology));
    if (enumerateSourceTypes) {
        topology->SetUINT32(kEnumerateSourceTypes, TRUE);
    }
    DWORD streams = 0;
    presentation->GetStreamDescriptorCount(&streams);
    for (DWORD i = 0; i < streams; i++) {
        BOOL selected = FALSE;
        IMFStreamDescriptor* stream = nullptr;
        presentation->GetStreamDescriptorByIndex(i, &selected, &stream);
        IMFMediaTypeHandler* handler = nullptr;
        GUID major = GUID_NULL;
        stream->GetMediaTypeHandler(&handler);
        handler->GetMajorType(&major);
        Release(handler);
        IMFActivate* renderer = nullptr;
        if (selected && major == MFMediaType_Video) {
            Check("MFCreateVideoRendererActivate", MFCreateVideoRendererActivate(videoWindow, &renderer));
            Release(videoRenderer);
            videoRenderer = renderer;
            videoRenderer->AddRef();
        } else if (selected && major == MFMediaType_Audio) {
            Check("MFCreateAudioRendererActivate", MFCreateAudioRendererActivate(&renderer));
        }
        if (renderer) {
            IMFTopologyNode* sourceNode = nullptr;
            IMFTopologyNode* outputNode = nullptr;
            MFCreateTopologyNode(MF_TOPOLOGY_SOURCESTREAM_NODE, &sourceNode);
            sourceNode->SetUnknown(MF_TOPONODE_SOURCE, source);
            sourceNode->SetUnknown(MF_TOPONODE_PRESENTATION_DESCRIPTOR, presentation);
            sourceNode->SetUnknown(MF_TOPONODE_STREAM_DESCRIPTOR, stream);
            MFCreateTopologyNode(MF_TOPOLOGY_OUTPUT_NODE, &outputNode);
            outputNode->SetObject(renderer);
            topology->AddNode(sourceNode);
            topology->AddNode(outputNode);
            sourceNode->ConnectOutput(0, outputNode, 0);
            Release(sourceNode);
            Release(outputNode);
            Release(renderer);
        }
        Release(stream);
    }
    return topology;
}

// Sets the topology and waits for it; false when the session refuses it.
bool SetTopology(bool enumerateSourceTypes) {
    IMFTopology* topology = BuildTopology(enumerateSourceTypes);
    HRESULT hr = session->SetTopology(0, topology);
    Release(topology);
    if (FAILED(hr)) {
        return false;
    }
    for (;;) {
        HRESULT status = S_OK;
        MediaEventType type = NextEvent(&status);
        if (type == MEUnknown || FAILED(status)) {
            return false;
        }
        if (type == MESessionTopologyStatus) {
            return true; // ready or started resolving; the start below confirms the rest
        }
    }
}

void Report(const char* path) {
    IQualProp* quality = nullptr;
    HRESULT hr = MFGetService(session, MR_VIDEO_RENDER_SERVICE, kIidQualProp, (void**)&quality);
    if (FAILED(hr) && videoRenderer) {
        // The session does not pass the request on here; the renderer itself may answer.
        IMFMediaSink* sink = nullptr;
        if (SUCCEEDED(videoRenderer->ActivateObject(IID_IMFMediaSink, (void**)&sink))) {
            hr = MFGetService(sink, MR_VIDEO_RENDER_SERVICE, kIidQualProp, (void**)&quality);
            if (FAILED(hr)) {
                hr = sink->QueryInterface(kIidQualProp, (void**)&quality);
            }
            Release(sink);
        }
    }
    FILE* file = fopen(path, "w");
    if (!file) {
        Release(quality);
        return;
    }
    int drawn = 0, dropped = 0;
    if (SUCCEEDED(hr) && SUCCEEDED(quality->get_FramesDrawn(&drawn)) &&
        SUCCEEDED(quality->get_FramesDroppedInRenderer(&dropped))) {
        fprintf(file, "drawn=%d dropped=%d\n", drawn, dropped);
    } else {
        fprintf(file, "quality=none\n");
    }
    fclose(file);
    Release(quality);
}

LRESULT CALLBACK VideoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(window, &rc);
        FillRect((HDC)wParam, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 6) {
        return 2;
    }
    wchar_t path[MAX_PATH * 4] = {};
    MultiByteToWideChar(CP_ACP, 0, __argv[1], -1, path, MAX_PATH * 4);
    int left = atoi(__argv[2]), top = atoi(__argv[3]);
    int width = atoi(__argv[4]), height = atoi(__argv[5]);
    const char* reportPath = __argc > 6 ? __argv[6] : nullptr;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = VideoProc;
    wc.hInstance = instance;
    wc.lpszClassName = "BareMfPlayer";
    RegisterClassA(&wc);
    videoWindow = CreateWindowExA(WS_EX_TOPMOST, "BareMfPlayer", "bare", WS_POPUP | WS_VISIBLE, left,
                                  top, width, height, nullptr, nullptr, instance, nullptr);
    ShowCursor(FALSE);
    Pump();

    Check("CoInitializeEx", CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Check("MFStartup", MFStartup(MF_VERSION, MFSTARTUP_FULL));
    IMFSourceResolver* resolver = nullptr;
    Check("MFCreateSourceResolver", MFCreateSourceResolver(&resolver));
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    IUnknown* object = nullptr;
    Check("CreateObjectFromURL",
          resolver->CreateObjectFromURL(path, MF_RESOLUTION_MEDIASOURCE, nullptr, &type, &object));
    Check("IMFMediaSource", object->QueryInterface(IID_IMFMediaSource, (void**)&source));
    Release(object);
    Release(resolver);
    Check("CreatePresentationDescriptor", source->CreatePresentationDescriptor(&presentation));
    Check("MFCreateMediaSession", MFCreateMediaSession(nullptr, &session));

    // The documented topology first; Wine's session resolves H.264 only with the source's
    // types enumerated, so that is the fallback the plain one's failure selects.
    bool enumerated = false;
    if (!SetTopology(false)) {
        session->Shutdown();
        Release(session);
        Check("MFCreateMediaSession", MFCreateMediaSession(nullptr, &session));
        enumerated = true;
        if (!SetTopology(true)) {
            Fail("SetTopology", E_FAIL);
        }
    }
    IMFVideoDisplayControl* display = nullptr;
    if (SUCCEEDED(MFGetService(session, MR_VIDEO_RENDER_SERVICE, kIidVideoDisplayControl,
                               (void**)&display))) {
        RECT whole = {0, 0, width, height};
        display->SetVideoPosition(nullptr, &whole);
    }
    PROPVARIANT start;
    PropVariantInit(&start);
    Check("Start", session->Start(&GUID_NULL, &start));
    fprintf(stderr, "bare_mf_player: playing%s\n", enumerated ? " (source types enumerated)" : "");
    bool ended = false;
    while (!ended) {
        HRESULT status = S_OK;
        MediaEventType event = NextEvent(&status, 60000);
        if (event == MEUnknown || FAILED(status)) {
            Fail("playback", FAILED(status) ? status : E_FAIL);
        }
        ended = event == MESessionEnded;
    }
    if (reportPath) {
        Report(reportPath);
    }
    Release(display);
    Release(videoRenderer);
    session->Close();
    for (;;) {
        HRESULT status = S_OK;
        MediaEventType event = NextEvent(&status, 3000);
        if (event == MESessionClosed || event == MEUnknown || FAILED(status)) {
            break;
        }
    }
    session->Shutdown();
    source->Shutdown();
    Release(presentation);
    Release(source);
    Release(session);
    MFShutdown();
    CoUninitialize();
    DestroyWindow(videoWindow);
    return 0;
}
