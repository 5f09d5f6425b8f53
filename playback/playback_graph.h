// The DirectShow objects and flags of the item one DirectShow player plays.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <dshow.h>
#include <vmr9.h>

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
    int vmr9Refused; // the VMR-9 could not take the video here: build again without it
    int graphActive;
    int comInitialised;
    int canSeekForwards;
    int canSeekBackwards;
};

// Releases a COM pointer and nulls it.
template <typename T>
inline void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}
