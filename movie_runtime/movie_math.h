// The arithmetic of a movie's picture.
#pragma once

#include <windows.h>

// The displayed width of a frame with a pixel aspect ratio; a missing or odd ratio counts as
// square pixels.
LONG DisplayWidth(UINT32 frameWidth, UINT32 ratioNumerator, UINT32 ratioDenominator);

// The size a frame is seen at: its display width by its height, the two swapped when it is
// turned a quarter (90 or 270 degrees).
SIZE DisplaySize(UINT32 frameWidth, UINT32 frameHeight, UINT32 ratioNumerator,
                 UINT32 ratioDenominator, UINT32 turn);
