#include "playback/playback_graph.h"

// Active at start, so a window destroyed before the first item still paints black.
PlaybackGraph gGraph = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        0, 0, 1, 0, 0, 0};
