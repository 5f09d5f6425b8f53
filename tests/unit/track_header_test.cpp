// The track header reader on ISO media files built in memory, and the turned display size.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "movie_runtime/movie_math.h"
#include "movie_runtime/track_header.h"

namespace {

const long kOne = 0x10000;

std::string Word(unsigned long long value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out += (char)((value >> (8 * i)) & 0xFF);
    }
    return out;
}

std::string Box(const char* type, const std::string& body) {
    return Word(8 + body.size(), 4) + type + body;
}

// A track of a kind whose header (of a version) has the matrix's a, b, c and d; its sample
// description says its pixels' shape where pixels are given.
std::string Track(const char* kind, long a, long b, long c, long d, int version = 0,
                  const std::string& pixels = "") {
    std::string header = Word((unsigned long long)version << 24, 4) + std::string(version == 1 ? 48 : 36, '\0') +
                         Word(a, 4) + Word(b, 4) + Word(0, 4) + Word(c, 4) + Word(d, 4) +
                         std::string(24, '\0');
    std::string entry = std::string(78, '\0') + Box("avcC", std::string(30, '\1')) +
                        (pixels.empty() ? "" : Box("pasp", pixels));
    std::string samples = Box("stsd", Word(1, 8) + Box("avc1", entry));
    std::string media = Box("minf", Box("stbl", samples));
    std::string handler = Box("hdlr", Word(0, 8) + kind + std::string(13, '\0'));
    return Box("trak", Box("tkhd", header) + Box("mdia", handler + media));
}

std::string Movie(const std::string& tracks) {
    return Box("ftyp", "isom") + Box("moov", Box("mvhd", "") + tracks) + Box("mdat", "xxxx");
}

bool ReadString(void* context, ULONGLONG offset, void* buffer, DWORD size) {
    const std::string* file = static_cast<const std::string*>(context);
    if (offset > file->size() || file->size() - offset < size) {
        return false;
    }
    memcpy(buffer, file->data() + offset, size);
    return true;
}

TrackShape ShapeOf(const std::string& file) {
    return ReadTrackShape(ReadString, (void*)&file, file.size());
}

UINT32 TurnOf(const std::string& file) { return ShapeOf(file).turn; }

} // namespace

TEST(TrackShape, QuarterTurnsAndPixelShapeOfTheFirstVideoTrack) {
    EXPECT_EQ(TurnOf(Movie(Track("vide", kOne, 0, 0, kOne))), 0u);
    EXPECT_EQ(TurnOf(Movie(Track("vide", 0, -kOne, kOne, 0))), 90u);
    EXPECT_EQ(TurnOf(Movie(Track("vide", -kOne, 0, 0, -kOne))), 180u);
    EXPECT_EQ(TurnOf(Movie(Track("vide", 0, kOne, -kOne, 0))), 270u);
    EXPECT_EQ(TurnOf(Movie(Track("vide", 0, kOne, -kOne, 0, 1))), 270u) << "version 1";
    // A sound track's matrix says nothing of the picture; a second picture neither.
    EXPECT_EQ(TurnOf(Movie(Track("soun", 0, kOne, -kOne, 0) + Track("vide", 0, -kOne, kOne, 0))),
              90u);
    EXPECT_EQ(TurnOf(Movie(Track("vide", kOne, 0, 0, kOne) + Track("vide", 0, -kOne, kOne, 0))),
              0u);
    // A 64-bit box size, and a last box that runs to the end of the file.
    std::string body = Track("vide", -kOne, 0, 0, -kOne);
    EXPECT_EQ(TurnOf(Box("ftyp", "isom") + Word(1, 4) + "moov" + Word(16 + body.size(), 8) + body),
              180u);
    EXPECT_EQ(TurnOf(Box("ftyp", "isom") + Word(0, 4) + "moov" + body), 180u);
    // Skew, mirror and scale are no turn.
    EXPECT_EQ(TurnOfMatrix(kOne, kOne, 0, kOne), 0u);
    EXPECT_EQ(TurnOfMatrix(-kOne, 0, 0, kOne), 0u);
    EXPECT_EQ(TurnOfMatrix(0, -2 * kOne, 2 * kOne, 0), 90u);
    TrackShape dv = ShapeOf(Movie(Track("vide", kOne, 0, 0, kOne, 0, Word(32, 4) + Word(27, 4))));
    EXPECT_EQ(dv.ratioNumerator, 32u);
    EXPECT_EQ(dv.ratioDenominator, 27u);
    EXPECT_EQ(ShapeOf(Movie(Track("vide", kOne, 0, 0, kOne))).ratioNumerator, 0u) << "no pasp";
}

TEST(TrackShape, DamagedOrForeignFilesSayNothing) {
    std::string good = Movie(Track("vide", 0, -kOne, kOne, 0));
    EXPECT_EQ(TurnOf(""), 0u);
    EXPECT_EQ(TurnOf("\x1a\x45\xdf\xa3 matroska"), 0u);
    EXPECT_EQ(TurnOf(good.substr(0, good.size() / 2)), 0u) << "cut short";
    EXPECT_EQ(TurnOf(Word(4, 4) + good.substr(4)), 0u) << "a box smaller than its header";
    EXPECT_EQ(TurnOf(Word(0xFFFFFFF0u, 4) + good.substr(4)), 0u) << "a box past the end";
    EXPECT_EQ(TurnOf(Movie(Box("trak", Box("tkhd", std::string(40, '\0')) +
                                           Box("mdia", Box("hdlr", Word(0, 8) + "vide"))))),
              0u)
        << "a header too short for its matrix";
    EXPECT_EQ(ShapeOf(Movie(Track("vide", kOne, 0, 0, kOne, 0, std::string(4, '\0'))))
                  .ratioNumerator,
              0u)
        << "a pixel shape too short for its numbers";
    std::string empties; // endless empty boxes end at the budget
    for (int i = 0; i < 10000; ++i) {
        empties += Box("free", "");
    }
    EXPECT_EQ(TurnOf(empties + good), 0u);
    EXPECT_EQ(FileTrackShape(L"C:\\no such folder\\clip.mp4").turn, 0u);
}

TEST(MovieMath, DisplaySizeTurnsWithThePicture) {
    auto size = [](UINT32 w, UINT32 h, UINT32 n, UINT32 d, UINT32 turn) {
        SIZE s = DisplaySize(w, h, n, d, turn);
        return std::make_pair(s.cx, s.cy);
    };
    EXPECT_EQ(size(640, 180, 1, 1, 0), std::make_pair(640L, 180L));
    EXPECT_EQ(size(640, 180, 1, 1, 90), std::make_pair(180L, 640L));
    EXPECT_EQ(size(640, 180, 1, 1, 180), std::make_pair(640L, 180L));
    // Anamorphic: the pixel shape widens the frame before it turns.
    EXPECT_EQ(size(720, 480, 32, 27, 0), std::make_pair(853L, 480L));
    EXPECT_EQ(size(720, 480, 32, 27, 270), std::make_pair(480L, 853L));
}
