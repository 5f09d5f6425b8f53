#include "movie_runtime/track_header.h"

#include <string.h>

namespace {

// Boxes looked at in one file, at most: a damaged or hostile file cannot keep the reader going.
const int kBoxBudget = 4096;

struct Box {
    char type[4];
    ULONGLONG body; // where its content starts
    ULONGLONG end;
};

struct Reader {
    ReadBytes read;
    void* context;
    int budget;
};

ULONGLONG BigEndian(const BYTE* bytes, int count) {
    ULONGLONG value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// The box at offset within a parent ending at end; false when there is none or it is damaged.
bool BoxAt(Reader* reader, ULONGLONG offset, ULONGLONG end, Box* box) {
    BYTE header[16];
    if (reader->budget-- <= 0 || end < offset || end - offset < 8 ||
        !reader->read(reader->context, offset, header, 8)) {
        return false;
    }
    memcpy(box->type, header + 4, 4);
    ULONGLONG size = BigEndian(header, 4);
    box->body = offset + 8;
    if (size == 1) {
        if (end - offset < 16 || !reader->read(reader->context, offset + 8, header + 8, 8)) {
            return false;
        }
        size = BigEndian(header + 8, 8);
        box->body = offset + 16;
    } else if (size == 0) {
        size = end - offset; // it runs to the end of its parent
    }
    if (size < box->body - offset || size > end - offset) {
        return false;
    }
    box->end = offset + size;
    return true;
}

// The first child of a type within [from, end).
bool FindChild(Reader* reader, ULONGLONG from, ULONGLONG end, const char* type, Box* found) {
    for (ULONGLONG at = from; BoxAt(reader, at, end, found); at = found->end) {
        if (memcmp(found->type, type, 4) == 0) {
            return true;
        }
    }
    return false;
}

bool IsVideoTrack(Reader* reader, const Box& track) {
    Box media, handler;
    BYTE kind[4];
    return FindChild(reader, track.body, track.end, "mdia", &media) &&
           FindChild(reader, media.body, media.end, "hdlr", &handler) &&
           handler.end - handler.body >= 12 &&
           reader->read(reader->context, handler.body + 8, kind, 4) &&
           memcmp(kind, "vide", 4) == 0;
}

UINT32 TurnOfTrack(Reader* reader, const Box& track) {
    Box header;
    BYTE version = 0;
    if (!FindChild(reader, track.body, track.end, "tkhd", &header) ||
        !reader->read(reader->context, header.body, &version, 1)) {
        return 0;
    }
    // After version and flags: times, track id and duration (wider in version 1), then
    // reserved words, layer, group, volume, and the matrix.
    ULONGLONG matrix = header.body + 4 + (version == 1 ? 32 : 20) + 16;
    // a, b, u, c, d, ...: the turn is in a, b, c and d.
    BYTE values[20];
    if (matrix + 36 > header.end || !reader->read(reader->context, matrix, values, 20)) {
        return 0;
    }
    return TurnOfMatrix((LONG)(INT32)BigEndian(values, 4), (LONG)(INT32)BigEndian(values + 4, 4),
                        (LONG)(INT32)BigEndian(values + 12, 4),
                        (LONG)(INT32)BigEndian(values + 16, 4));
}

// The pixel shape in the track's first sample description: a visual entry's fixed fields,
// then its boxes, among them "pasp".
void ReadPixelShape(Reader* reader, const Box& track, TrackShape* shape) {
    const char* const path[] = {"mdia", "minf", "stbl", "stsd"};
    Box box = track;
    for (const char* type : path) {
        if (!FindChild(reader, box.body, box.end, type, &box)) {
            return;
        }
    }
    Box entry, pixels;
    BYTE ratio[8];
    const ULONGLONG kVisualEntryFields = 78;
    if (BoxAt(reader, box.body + 8, box.end, &entry) &&
        entry.end - entry.body > kVisualEntryFields &&
        FindChild(reader, entry.body + kVisualEntryFields, entry.end, "pasp", &pixels) &&
        pixels.end - pixels.body >= 8 && reader->read(reader->context, pixels.body, ratio, 8)) {
        shape->ratioNumerator = (UINT32)BigEndian(ratio, 4);
        shape->ratioDenominator = (UINT32)BigEndian(ratio + 4, 4);
    }
}

bool ReadFromFile(void* context, ULONGLONG offset, void* buffer, DWORD size) {
    OVERLAPPED at = {};
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD got = 0;
    return ReadFile((HANDLE)context, buffer, size, &got, &at) && got == size;
}

} // namespace

UINT32 TurnOfMatrix(LONG a, LONG b, LONG c, LONG d) {
    // A point (x, y) goes to (a x + c y, b x + d y), the y axis pointing down.
    if (a == 0 && d == 0 && b < 0 && c > 0) {
        return 90;
    }
    if (a == 0 && d == 0 && b > 0 && c < 0) {
        return 270;
    }
    if (b == 0 && c == 0 && a < 0 && d < 0) {
        return 180;
    }
    return 0;
}

TrackShape ReadTrackShape(ReadBytes read, void* context, ULONGLONG length) {
    Reader reader = {read, context, kBoxBudget};
    TrackShape shape = {0, 0, 0};
    Box movie, track;
    if (!FindChild(&reader, 0, length, "moov", &movie)) {
        return shape;
    }
    for (ULONGLONG at = movie.body; FindChild(&reader, at, movie.end, "trak", &track);
         at = track.end) {
        if (IsVideoTrack(&reader, track)) {
            shape.turn = TurnOfTrack(&reader, track);
            ReadPixelShape(&reader, track, &shape);
            break;
        }
    }
    return shape;
}

TrackShape FileTrackShape(const WCHAR* path) {
    TrackShape shape = {0, 0, 0};
    HANDLE file = CreateFileW(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return shape;
    }
    LARGE_INTEGER length = {};
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0) {
        shape = ReadTrackShape(ReadFromFile, file, (ULONGLONG)length.QuadPart);
    }
    CloseHandle(file);
    return shape;
}
