// The DirectShow objects and flags of the item that is playing.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>

// Posted by the filter graph to the saver window whenever events wait.
constexpr UINT GraphEventMessage = WM_APP + 1;

struct PlaybackGraph {
    IGraphBuilder* graph;
    IFilterGraph2* graph2;
    IMediaControl* control;
    IMediaSeeking* seeking;
    IMediaEventEx* events;
    IBasicAudio* audio;
    IVideoWindow* videoWindow; // only without the VMR9
    IBasicVideo2* basicVideo;  // only without the VMR9
    IVMRFilterConfig9* vmrConfig;
    IVMRWindowlessControl9* windowless;
    IBaseFilter* vmr9;
    IBaseFilter* audioRenderer;
    IBaseFilter* asfReader;
    IFileSourceFilter* fileSource;
    IBaseFilter* source;

    int vmr9InUse;
    int quickTimeItem;
    int graphActive; // 1 at process start
    int comInitialised;
    int canSeekForwards;
    int canSeekBackwards;
};

extern PlaybackGraph gGraph;

// Releases a COM pointer and nulls it.
template <typename T>
inline void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}
