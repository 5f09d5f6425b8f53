// Builds and starts one DirectShow graph per playlist entry.
#pragma once

#include <windows.h>
#include <dshow.h>

void PlayItem(HWND window, const char* path);
bool IsUrlReadable(const char* path);
HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
void RenderOutputPins(IGraphBuilder* graph, IBaseFilter* filter);
void ReadSeekingCaps();
