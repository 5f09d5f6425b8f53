#include "playback/graph_builder.h"

#include <d3d9.h>
#include <vmr9.h>

#include "playback/error_message.h"
#include "playback/error_report.h"
#include "playback/graph_sound.h"
#include "resources/resource.h"
#include "resources/resource_text.h"
#include "settings/media_kind.h"
#include "settings/settings.h"

namespace {

bool Usable(const void* p) { return p != nullptr && !windowDestroyed; }

// The file test lets through a file that another program is writing, but a source filter that
// does not share the file with its writer cannot open it: such an item is passed over like a
// missing file instead of failing the saver.
bool HeldByAnother(HRESULT opened) { return opened == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION); }

void QueryGraph(PlaybackGraph& g, REFIID iid, void** out) {
    if (Usable(g.graph)) {
        CheckResult(g.graph->QueryInterface(iid, out));
    }
}

// Whether any input pin of the filter is connected.
bool HasConnectedInput(IBaseFilter* filter) {
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)) || pins == nullptr) {
        return false;
    }
    bool connected = false;
    IPin* pin = nullptr;
    while (!connected && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_DIRECTION direction = PINDIR_OUTPUT;
        IPin* peer = nullptr;
        if (SUCCEEDED(pin->QueryDirection(&direction)) && direction == PINDIR_INPUT &&
            SUCCEEDED(pin->ConnectedTo(&peer)) && peer != nullptr) {
            connected = true;
        }
        SafeRelease(peer);
        SafeRelease(pin);
    }
    pins->Release();
    return connected;
}

} // namespace

PlayerOpen BuildGraph(PlaybackGraph& g, HWND window, HWND picture, const wchar_t* path,
                      bool sound, bool mixer) {
    g.vmr9InUse = 0;
    g.vmr9Refused = 0;
    g.canSeekForwards = 0;
    g.canSeekBackwards = 0;
    CheckResult(CoInitialize(nullptr));
    g.comInitialised = 1;
    // From here on the record holds objects that Close releases, whatever follows.
    g.graphActive = 1;

    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IGraphBuilder, (void**)&g.graph);
    CheckResult(hr, ResourceText(IDS_DIRECTSHOW_MISSING).c_str());

    hr = mixer ? CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr,
                                  CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IBaseFilter,
                                  (void**)&g.vmr9)
               : REGDB_E_CLASSNOTREG;
    if (SUCCEEDED(hr)) {
        g.vmr9InUse = 1;
    } else if (hr == REGDB_E_CLASSNOTREG || hr == VFW_E_DDRAW_CAPS_NOT_SUITABLE) {
        g.vmr9InUse = 0;
        g.vmr9 = nullptr;
    } else {
        CheckResult(hr);
    }

    // Muted: no audio renderer, so no sound stream.
    if (sound) {
        CheckResult(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, (void**)&g.audioRenderer));
    }

    if (g.vmr9InUse && Usable(g.graph) && g.vmr9) {
        CheckResult(g.graph->AddFilter(g.vmr9, L"Video Mixing Renderer 9"));
    }
    // Without the mixer the plain renderer draws with GDI in a window of its own; the graph
    // keeps it.
    bool plain = false;
    if (!mixer && Usable(g.graph)) {
        IBaseFilter* renderer = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IBaseFilter, (void**)&renderer))) {
            plain = SUCCEEDED(g.graph->AddFilter(renderer, L"Video Renderer"));
            SafeRelease(renderer);
        }
    }
    if (Usable(g.graph) && g.audioRenderer) {
        CheckResult(g.graph->AddFilter(g.audioRenderer, L"Audio Renderer"));
    }
    if (g.vmr9InUse) {
        // The mode must be set before any pin of the renderer is connected.
        if (Usable(g.vmr9)) {
            CheckResult(g.vmr9->QueryInterface(IID_IVMRFilterConfig9, (void**)&g.vmrConfig));
        }
        if (Usable(g.vmrConfig)) {
            CheckResult(g.vmrConfig->SetRenderingMode(VMR9Mode_Windowless));
        }
        if (Usable(g.vmr9)) {
            CheckResult(g.vmr9->QueryInterface(IID_IVMRWindowlessControl9, (void**)&g.windowless));
        }
        if (Usable(g.windowless)) {
            CheckResult(g.windowless->SetVideoClippingWindow(picture));
        }
    }

    QueryGraph(g, IID_IMediaEventEx, (void**)&g.events);
    QueryGraph(g, IID_IFilterGraph2, (void**)&g.graph2);
    QueryGraph(g, IID_IMediaControl, (void**)&g.control);
    QueryGraph(g, IID_IMediaSeeking, (void**)&g.seeking);
    QueryGraph(g, IID_IBasicAudio, (void**)&g.audio);
    if (!g.vmr9InUse) {
        QueryGraph(g, IID_IVideoWindow, (void**)&g.videoWindow);
        QueryGraph(g, IID_IBasicVideo2, (void**)&g.basicVideo);
    }

    if (IsWindowsMediaPath(path)) {
        CheckResult(CoCreateInstance(CLSID_WMAsfReader, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IBaseFilter, (void**)&g.asfReader));
        if (Usable(g.graph) && g.asfReader) {
            CheckResult(g.graph->AddFilter(g.asfReader, L"ASF Reader"));
        }
        if (Usable(g.asfReader)) {
            CheckResult(g.asfReader->QueryInterface(IID_IFileSourceFilter,
                                                    (void**)&g.fileSource));
        }
        if (Usable(g.fileSource)) {
            HRESULT loaded = g.fileSource->Load(path, nullptr);
            if (HeldByAnother(loaded)) {
                return PlayerOpen::Unplayable;
            }
            CheckResult(loaded);
        }
        if (Usable(g.graph) && g.asfReader) {
            RenderOutputPins(g.graph, g.asfReader);
        }
    } else {
        if (Usable(g.graph)) {
            HRESULT added = g.graph->AddSourceFilter(path, L"SOURCE", &g.source);
            if (HeldByAnother(added)) {
                return PlayerOpen::Unplayable;
            }
            CheckResult(added);
        }
        if (Usable(g.source)) {
            IPin* pin = nullptr;
            CheckResult(FindUnconnectedPin(g.source, PINDIR_OUTPUT, &pin));
            if (Usable(g.graph2) && pin) {
                DWORD flags = g.vmr9InUse || plain ? AM_RENDEREX_RENDERTOEXISTINGRENDERERS : 0;
                HRESULT rendered = g.graph2->RenderEx(pin, flags, nullptr);
                // A mixer that cannot make its device for the window's display (Wine on a
                // second monitor) refuses the video, and its input stays unconnected; the
                // caller tries the plain renderer. A muted item's sound alone is no refusal.
                bool mixerIdle = g.vmr9InUse && g.vmr9 && !HasConnectedInput(g.vmr9);
                if (mixerIdle && (FAILED(rendered) || rendered == VFW_S_VIDEO_NOT_RENDERED ||
                                  rendered == VFW_S_PARTIAL_RENDER)) {
                    g.vmr9Refused = 1;
                    SafeRelease(pin);
                    return PlayerOpen::Unplayable;
                }
                if (!sound && FAILED(rendered)) {
                    SafeRelease(pin);
                    return PlayerOpen::Unplayable; // sound only, and muted
                }
                CheckResult(rendered);
            }
            SafeRelease(pin);
        }
    }

    if (!sound && Usable(g.graph)) {
        // Whatever renderer the graph chose for the sound goes too; an item left with nothing
        // to show is passed over.
        DropSound(g);
        if (!HasConnectedRenderer(g.graph)) {
            return PlayerOpen::Unplayable;
        }
    }
    if (Usable(g.events)) {
        CheckResult(g.events->SetNotifyWindow((OAHWND)window, GraphEventMessage, 0));
    }
    if (!g.vmr9InUse && Usable(g.videoWindow)) {
        g.videoWindow->put_Owner((OAHWND)picture);
    }
    if (!g.vmr9InUse && Usable(g.videoWindow)) {
        g.videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    }
    return PlayerOpen::Ready;
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

void ReadSeekingCaps(PlaybackGraph& g) {
    DWORD caps = 0;
    if (g.seeking) {
        CheckResult(g.seeking->GetCapabilities(&caps));
    }
    g.canSeekForwards = (caps & AM_SEEKING_CanSeekForwards) ? 1 : 0;
    g.canSeekBackwards = (caps & AM_SEEKING_CanSeekBackwards) ? 1 : 0;
}
