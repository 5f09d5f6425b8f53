#include <gtest/gtest.h>

#include "host/control_keys.h"
#include "movie_runtime/movie_math.h"

TEST(MovieMath, DisplayWidthFollowsThePixelShape) {
    EXPECT_EQ(DisplayWidth(320, 1, 1), 320);
    EXPECT_EQ(DisplayWidth(320, 0, 0), 320) << "no ratio: square pixels";
    EXPECT_EQ(DisplayWidth(320, 5, 0), 320);
    EXPECT_EQ(DisplayWidth(720, 64, 45), 1024) << "anamorphic 16:9 PAL";
    EXPECT_EQ(DisplayWidth(1440, 4, 3), 1920) << "HDV";
    EXPECT_EQ(DisplayWidth(4000000000u, 2, 1), 32767) << "held within the box's 16 bits";
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
