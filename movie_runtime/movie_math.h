// The arithmetic between the movie routines' units and Media Foundation's.
#pragma once

#include <windows.h>

// Movie time runs at QuickTime's usual scale, so seek steps counted in thousands of units
// move by seconds as they do with QuickTime movies.
constexpr LONG MovieTimeScale = 600;
constexpr LONGLONG TicksPerSecond = 10000000; // Media Foundation's 100 ns units

// Presentation time in 100 ns units to movie time units, truncated.
LONGLONG MovieUnitsFromTicks(LONGLONG ticks);
// A movie time in the given scale to 100 ns units, rounded up so that reading it back gives
// the same time; a scale of 0 or less counts as the movie's. Negative times become 0.
LONGLONG TicksFromMovieUnits(LONGLONG value, LONG scale);

// The runtime's volume (256 full, 0 silent, negative muted) as a linear amplitude 0..1.
float AmplitudeFromMovieVolume(short volume);

// The displayed width of a frame with a pixel aspect ratio; a missing or odd ratio counts as
// square pixels.
LONG DisplayWidth(UINT32 frameWidth, UINT32 ratioNumerator, UINT32 ratioDenominator);

// Length-prefixed strings, converted in place: at most 255 characters are kept.
unsigned char* MovieC2PStr(char* text);
char* MovieP2CStr(unsigned char* text);
