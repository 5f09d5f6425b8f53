// What a movie's video track header says of its picture, read from an ISO media file itself
// (MP4, MOV, M4V, 3GP): for sources that do not report it on the media type.
#pragma once

#include <windows.h>

struct TrackShape {
    // 0, 90, 180 or 270 degrees, counter-clockwise as the picture is turned to be seen, like
    // MF_MT_VIDEO_ROTATION; 0 for any other matrix.
    UINT32 turn;
    // The pixels' shape; 0:0 when the track does not say.
    UINT32 ratioNumerator;
    UINT32 ratioDenominator;
};

// Reads size bytes at offset; false unless all of them were read.
typedef bool (*ReadBytes)(void* context, ULONGLONG offset, void* buffer, DWORD size);

// The shape of the first video track in a file of the given length; nothing (0, 0:0) for
// anything that is not such a file or is damaged.
TrackShape ReadTrackShape(ReadBytes read, void* context, ULONGLONG length);

// The same for a file named by a path the file system takes as it is.
TrackShape FileTrackShape(const WCHAR* path);

// The quarter turn of a track header's matrix (its a, b, c, d in 16.16 fixed point).
UINT32 TurnOfMatrix(LONG a, LONG b, LONG c, LONG d);
