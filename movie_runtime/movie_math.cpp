#include "movie_runtime/movie_math.h"

#include <string.h>

LONGLONG MovieUnitsFromTicks(LONGLONG ticks) {
    if (ticks <= 0) {
        return 0;
    }
    // Whole seconds and the rest apart, so long movies do not overflow.
    return (ticks / TicksPerSecond) * MovieTimeScale +
           (ticks % TicksPerSecond) * MovieTimeScale / TicksPerSecond;
}

LONGLONG TicksFromMovieUnits(LONGLONG value, LONG scale) {
    if (scale <= 0) {
        scale = MovieTimeScale;
    }
    if (value <= 0) {
        return 0;
    }
    // Rounded up, so that the time read back after a seek is the time asked for.
    return (value / scale) * TicksPerSecond + ((value % scale) * TicksPerSecond + scale - 1) / scale;
}

float AmplitudeFromMovieVolume(short volume) {
    if (volume <= 0) {
        return 0.0f;
    }
    if (volume >= 256) {
        return 1.0f;
    }
    return (float)volume / 256.0f;
}

LONG DisplayWidth(UINT32 frameWidth, UINT32 ratioNumerator, UINT32 ratioDenominator) {
    if (ratioNumerator == 0 || ratioDenominator == 0 || ratioNumerator == ratioDenominator) {
        return (LONG)frameWidth;
    }
    ULONGLONG width = (ULONGLONG)frameWidth * ratioNumerator / ratioDenominator;
    return width > 32767 ? 32767 : (LONG)width;
}

unsigned char* MovieC2PStr(char* text) {
    size_t length = strlen(text);
    if (length > 255) {
        length = 255;
    }
    memmove(text + 1, text, length);
    text[0] = (char)length;
    return (unsigned char*)text;
}

char* MovieP2CStr(unsigned char* text) {
    size_t length = text[0];
    memmove(text, text + 1, length);
    text[length] = '\0';
    return (char*)text;
}
