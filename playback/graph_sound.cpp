#include "playback/graph_sound.h"

#include <vector>

namespace {

struct Filters {
    std::vector<IBaseFilter*> list;
    ~Filters() {
        for (IBaseFilter* filter : list) {
            filter->Release();
        }
    }
};

struct Pins {
    std::vector<IPin*> list;
    ~Pins() {
        for (IPin* pin : list) {
            pin->Release();
        }
    }
};

void ListFilters(IGraphBuilder* graph, Filters* out) {
    IEnumFilters* filters = nullptr;
    if (graph == nullptr || FAILED(graph->EnumFilters(&filters))) {
        return;
    }
    IBaseFilter* filter = nullptr;
    while (filters->Next(1, &filter, nullptr) == S_OK) {
        out->list.push_back(filter);
    }
    filters->Release();
}

void ListPins(IBaseFilter* filter, Pins* out) {
    IEnumPins* pins = nullptr;
    if (FAILED(filter->EnumPins(&pins))) {
        return;
    }
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        out->list.push_back(pin);
    }
    pins->Release();
}

PIN_DIRECTION DirectionOf(IPin* pin) {
    PIN_DIRECTION direction = PINDIR_INPUT;
    pin->QueryDirection(&direction);
    return direction;
}

bool Connected(IPin* pin) {
    IPin* peer = nullptr;
    if (FAILED(pin->ConnectedTo(&peer)) || peer == nullptr) {
        return false;
    }
    peer->Release();
    return true;
}

void FreeType(AM_MEDIA_TYPE* type) {
    if (type->cbFormat != 0) {
        CoTaskMemFree(type->pbFormat);
    }
    if (type->pUnk != nullptr) {
        type->pUnk->Release();
    }
}

bool CarriesSound(IPin* pin) {
    AM_MEDIA_TYPE type = {};
    if (FAILED(pin->ConnectionMediaType(&type))) {
        return false;
    }
    bool sound = type.majortype == MEDIATYPE_Audio;
    FreeType(&type);
    return sound;
}

bool OffersSound(IPin* pin) {
    IEnumMediaTypes* types = nullptr;
    if (FAILED(pin->EnumMediaTypes(&types))) {
        return false;
    }
    bool sound = false;
    AM_MEDIA_TYPE* type = nullptr;
    while (!sound && types->Next(1, &type, nullptr) == S_OK) {
        sound = type->majortype == MEDIATYPE_Audio;
        FreeType(type);
        CoTaskMemFree(type);
    }
    types->Release();
    return sound;
}

// A renderer: input pins only. Its inputs' connections, by kind.
struct RendererInputs {
    bool renderer = true;
    bool connected = false;
    bool sound = false;
};

RendererInputs ReadInputs(IBaseFilter* filter) {
    RendererInputs inputs;
    Pins pins;
    ListPins(filter, &pins);
    for (IPin* pin : pins.list) {
        if (DirectionOf(pin) == PINDIR_OUTPUT) {
            inputs.renderer = false;
        } else if (Connected(pin)) {
            inputs.connected = true;
            inputs.sound = inputs.sound || CarriesSound(pin);
        }
    }
    return inputs;
}

} // namespace

void DropSound(PlaybackGraph& g) {
    if (g.graph == nullptr) {
        return;
    }
    // The audio renderer is the graph's clock: the graph lets go of it first, and takes the
    // system's clock afterwards.
    IMediaFilter* timing = nullptr;
    if (SUCCEEDED(g.graph->QueryInterface(IID_IMediaFilter, (void**)&timing))) {
        timing->SetSyncSource(nullptr);
        timing->Release();
    }
    Filters filters;
    ListFilters(g.graph, &filters);
    for (IBaseFilter* filter : filters.list) {
        RendererInputs inputs = ReadInputs(filter);
        if (filter == g.audioRenderer || (inputs.renderer && inputs.sound)) {
            g.graph->RemoveFilter(filter);
        }
    }
    SafeRelease(g.audioRenderer);
    g.graph->SetDefaultSyncSource();
}

void RenderSound(PlaybackGraph& g) {
    if (g.graph == nullptr || g.graph2 == nullptr || g.audioRenderer != nullptr ||
        FAILED(CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IBaseFilter, (void**)&g.audioRenderer))) {
        return;
    }
    if (FAILED(g.graph->AddFilter(g.audioRenderer, L"Audio Renderer"))) {
        SafeRelease(g.audioRenderer);
        return;
    }
    // The sound outputs left open when the renderer was taken out, or never connected.
    Pins open;
    Filters filters;
    ListFilters(g.graph, &filters);
    for (IBaseFilter* filter : filters.list) {
        Pins pins;
        ListPins(filter, &pins);
        for (IPin* pin : pins.list) {
            if (DirectionOf(pin) == PINDIR_OUTPUT && !Connected(pin) && OffersSound(pin)) {
                pin->AddRef();
                open.list.push_back(pin);
            }
        }
    }
    for (IPin* pin : open.list) {
        g.graph2->RenderEx(pin, AM_RENDEREX_RENDERTOEXISTINGRENDERERS, nullptr);
    }
    g.graph->SetDefaultSyncSource();
}

bool HasConnectedRenderer(IGraphBuilder* graph) {
    Filters filters;
    ListFilters(graph, &filters);
    for (IBaseFilter* filter : filters.list) {
        RendererInputs inputs = ReadInputs(filter);
        if (inputs.renderer && inputs.connected) {
            return true;
        }
    }
    return false;
}
