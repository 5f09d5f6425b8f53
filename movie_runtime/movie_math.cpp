#include "movie_runtime/movie_math.h"

LONG DisplayWidth(UINT32 frameWidth, UINT32 ratioNumerator, UINT32 ratioDenominator) {
    if (ratioNumerator == 0 || ratioDenominator == 0 || ratioNumerator == ratioDenominator) {
        return (LONG)frameWidth;
    }
    ULONGLONG width = (ULONGLONG)frameWidth * ratioNumerator / ratioDenominator;
    return width > 32767 ? 32767 : (LONG)width;
}

SIZE DisplaySize(UINT32 frameWidth, UINT32 frameHeight, UINT32 ratioNumerator,
                 UINT32 ratioDenominator, UINT32 turn) {
    SIZE size = {DisplayWidth(frameWidth, ratioNumerator, ratioDenominator),
                 frameHeight > 32767 ? 32767 : (LONG)frameHeight};
    if (turn == 90 || turn == 270) {
        LONG width = size.cx;
        size.cx = size.cy;
        size.cy = width;
    }
    return size;
}
