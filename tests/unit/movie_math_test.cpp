#include <gtest/gtest.h>

#include <string.h>

#include "host/control_keys.h"
#include "movie_runtime/movie_math.h"

TEST(MovieMath, TimeRunsAtSixHundredUnitsASecond) {
    EXPECT_EQ(MovieUnitsFromTicks(TicksPerSecond), 600);
    EXPECT_EQ(MovieUnitsFromTicks(16667), 1);
    EXPECT_EQ(MovieUnitsFromTicks(16666), 0) << "truncated";
    EXPECT_EQ(MovieUnitsFromTicks(-5), 0);
    // A two-hour film, and one far longer, stay exact without overflowing.
    EXPECT_EQ(MovieUnitsFromTicks(7200LL * TicksPerSecond), 7200LL * 600);
    EXPECT_EQ(MovieUnitsFromTicks(1000000LL * 3600 * TicksPerSecond), 1000000LL * 3600 * 600);
}

TEST(MovieMath, SeekStepsInThousandsOfUnitsMoveByTheirSeconds) {
    // The player's first step, 2000 units at the movie's scale: 3 1/3 s.
    EXPECT_EQ(TicksFromMovieUnits(2000, MovieTimeScale), 33333334);
    EXPECT_EQ(TicksFromMovieUnits(600, MovieTimeScale), TicksPerSecond);
    // A record from another runtime keeps its own scale; a broken scale counts as ours.
    EXPECT_EQ(TicksFromMovieUnits(1000, 1000), TicksPerSecond);
    EXPECT_EQ(TicksFromMovieUnits(600, 0), TicksPerSecond);
    EXPECT_EQ(TicksFromMovieUnits(600, -3), TicksPerSecond);
    EXPECT_EQ(TicksFromMovieUnits(-600, MovieTimeScale), 0);
    for (LONGLONG units : {0LL, 1LL, 599LL, 2000LL, 123456789LL}) {
        EXPECT_EQ(MovieUnitsFromTicks(TicksFromMovieUnits(units, MovieTimeScale)), units);
    }
}

TEST(MovieMath, VolumeIsLinearOnTheRuntimesScaleAndNegativeIsMuted) {
    EXPECT_FLOAT_EQ(AmplitudeFromMovieVolume(256), 1.0f);
    EXPECT_FLOAT_EQ(AmplitudeFromMovieVolume(128), 0.5f);
    EXPECT_FLOAT_EQ(AmplitudeFromMovieVolume(0), 0.0f);
    EXPECT_FLOAT_EQ(AmplitudeFromMovieVolume(-256), 0.0f);
    EXPECT_FLOAT_EQ(AmplitudeFromMovieVolume(-1), 0.0f);
    EXPECT_FLOAT_EQ(AmplitudeFromMovieVolume(32767), 1.0f);
}

TEST(MovieMath, DisplayWidthFollowsThePixelShape) {
    EXPECT_EQ(DisplayWidth(320, 1, 1), 320);
    EXPECT_EQ(DisplayWidth(320, 0, 0), 320) << "no ratio: square pixels";
    EXPECT_EQ(DisplayWidth(320, 5, 0), 320);
    EXPECT_EQ(DisplayWidth(720, 64, 45), 1024) << "anamorphic 16:9 PAL";
    EXPECT_EQ(DisplayWidth(1440, 4, 3), 1920) << "HDV";
    EXPECT_EQ(DisplayWidth(4000000000u, 2, 1), 32767) << "held within the box's 16 bits";
}

TEST(MovieMath, LengthPrefixedNamesRoundTripAndKeepAtMost255Characters) {
    char name[300] = "C:\\clip.mp4";
    unsigned char* p = MovieC2PStr(name);
    EXPECT_EQ(p[0], 11);
    EXPECT_EQ(memcmp(p + 1, "C:\\clip.mp4", 11), 0);
    EXPECT_STREQ(MovieP2CStr(p), "C:\\clip.mp4");

    char empty[4] = "";
    EXPECT_EQ(MovieC2PStr(empty)[0], 0);
    EXPECT_STREQ(MovieP2CStr((unsigned char*)empty), "");

    char longName[300];
    memset(longName, 'a', 280);
    longName[280] = '\0';
    EXPECT_EQ(MovieC2PStr(longName)[0], 255);
    EXPECT_EQ(strlen(MovieP2CStr((unsigned char*)longName)), 255u);
}

TEST(ControlKeyTable, ArrowsPlusAndMinusAreTheControlKeysAndNothingElse) {
    EXPECT_EQ(ControlKeyFor(VK_LEFT), ControlKey::SeekBackwards);
    EXPECT_EQ(ControlKeyFor(VK_RIGHT), ControlKey::SeekForwards);
    EXPECT_EQ(ControlKeyFor(VK_UP), ControlKey::PreviousItem);
    EXPECT_EQ(ControlKeyFor(VK_DOWN), ControlKey::NextItem);
    EXPECT_EQ(ControlKeyFor(VK_ADD), ControlKey::VolumeUp);
    EXPECT_EQ(ControlKeyFor(VK_OEM_PLUS), ControlKey::VolumeUp);
    EXPECT_EQ(ControlKeyFor(VK_SUBTRACT), ControlKey::VolumeDown);
    EXPECT_EQ(ControlKeyFor(VK_OEM_MINUS), ControlKey::VolumeDown);
    for (WPARAM key : {(WPARAM)VK_ESCAPE, (WPARAM)VK_SPACE, (WPARAM)'A', (WPARAM)VK_RETURN,
                       (WPARAM)VK_HOME}) {
        EXPECT_EQ(ControlKeyFor(key), ControlKey::None) << key;
    }
    EXPECT_TRUE(IsSeekKey(VK_LEFT));
    EXPECT_TRUE(IsSeekKey(VK_RIGHT));
    EXPECT_FALSE(IsSeekKey(VK_UP));
}
