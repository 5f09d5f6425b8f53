// Builds one DirectShow graph for an item into a player's record.
#pragma once

#include <windows.h>
#include <dshow.h>

#include "playback/playback_graph.h"
#include "playback/player.h"

// Builds the graph for a local path or URL, drawing into picture, and has its events posted to
// window; nothing runs yet. Unplayable for a file that another program holds. Only with
// sound is there an audio renderer; without mixer, or when the VMR-9 refuses the video (then
// vmr9Refused is set), the video goes to the plain video renderer's own window.
PlayerOpen BuildGraph(PlaybackGraph& graph, HWND window, HWND picture, const wchar_t* path,
                      bool sound, bool mixer);
HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
void RenderOutputPins(IGraphBuilder* graph, IBaseFilter* filter);
void ReadSeekingCaps(PlaybackGraph& graph);
