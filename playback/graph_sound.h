// The sound of a DirectShow graph: a muted or resting item's graph holds no audio renderer, so
// that no sound stream is open (an open one keeps Windows from sleeping, even when silent).
#pragma once

#include "playback/playback_graph.h"

// Takes every audio renderer out of the stopped graph.
void DropSound(PlaybackGraph& graph);
// Puts the audio renderer into the stopped graph and connects the sound its filters offer.
void RenderSound(PlaybackGraph& graph);
// Whether some renderer of the graph has its input connected: the item shows or sounds.
bool HasConnectedRenderer(IGraphBuilder* graph);
