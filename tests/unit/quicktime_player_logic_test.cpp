#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "quicktime/qt_player.h"
#include "quicktime/qt_seek.h"
#include "quicktime/qt_title.h"
#include "quicktime/qt_volume.h"

namespace {

TimeRecord Record(ULONG lo, LONG hi = 0, TimeScale scale = 600) {
    TimeRecord record = {};
    record.value.lo = lo;
    record.value.hi = hi;
    record.scale = scale;
    record.base = (TimeBase)(LONG_PTR)0x1234;
    return record;
}

std::string Title(const char* path) {
    char title[QtTitleBufferSize];
    memset(title, 'x', sizeof(title));
    TitleFromPath(path, title);
    return title;
}

} // namespace

// Volume on the runtime's 256 steps

TEST(QuickTimeVolumeLevels, FullAndSilentVolumeAreTheEndsOfTheScale) {
    EXPECT_EQ(QtLevelFromVolume(0), 256);
    EXPECT_EQ(QtLevelFromVolume(-10000), 0);
    EXPECT_EQ(QtVolumeFromLevel(256), 0);
    EXPECT_EQ(QtVolumeFromLevel(0), -10000);
}

TEST(QuickTimeVolumeLevels, WriteBackQuantisesTheSetting) {
    EXPECT_EQ(QtLevelFromVolume(-1000), 230);
    EXPECT_EQ(QtVolumeFromLevel(230), -1015);
    EXPECT_EQ(QtLevelFromVolume(-781), 236);
    EXPECT_EQ(QtVolumeFromLevel(236), -781);
    // Once quantised, the setting stays where it is.
    for (int volume = -10000; volume <= 0; volume += 7) {
        int once = QtVolumeFromLevel(QtLevelFromVolume(volume));
        EXPECT_EQ(QtVolumeFromLevel(QtLevelFromVolume(once)), once) << volume;
    }
}

TEST(QuickTimeVolumeLevels, TruncationIsTowardZero) {
    EXPECT_EQ(QtLevelFromVolume(-9990), 0);     // 10 x 0.0256 = 0.256
    EXPECT_EQ(QtLevelFromVolume(-10039), 0);    // -0.9984 truncates to 0, not -1
    EXPECT_EQ(QtLevelFromVolume(-10040), -1);   // -1.024
    EXPECT_EQ(QtVolumeFromLevel(1), -9960);     // -9960.9375
    EXPECT_EQ(QtVolumeFromLevel(255), -39);     // -39.0625
}

TEST(QuickTimeVolumeLevels, LevelsAreLimitedToTheScale) {
    EXPECT_EQ(QtLimitLevel(256 + 20), 256);
    EXPECT_EQ(QtLimitLevel(-20), -20);
    EXPECT_EQ(QtLimitLevel(-300), -256);
    EXPECT_EQ(QtLimitLevel(0), 0);
}

TEST(QuickTimeVolumeLevels, PlusAtFullAndMinusAtSilenceKeepTheSetting) {
    int level = QtLimitLevel(20 + QtLevelFromVolume(0));
    EXPECT_EQ(level, 256);
    EXPECT_EQ(QtVolumeFromLevel(level), 0);
    level = QtLimitLevel(-20 + QtLevelFromVolume(-10000));
    EXPECT_EQ(level, -20); // muted
    EXPECT_EQ(QtVolumeFromLevel(level), -10000);
}

TEST(QuickTimeVolumeLevels, SettingsOutsideTheRangeStayDefined) {
    EXPECT_EQ(QtLimitLevel(QtLevelFromVolume(2147483647)), 256);
    EXPECT_EQ(QtLimitLevel(QtLevelFromVolume(-2147483647 - 1)), -256);
    EXPECT_EQ(QtVolumeFromLevel(1000), 0);
    EXPECT_EQ(QtVolumeFromLevel(-1000), -10000);
}

TEST(QuickTimeVolumeLevels, MutingKeepsTheMagnitude) {
    EXPECT_EQ(QtMutedLevel(200), -200);
    EXPECT_EQ(QtMutedLevel(-200), -200);
    EXPECT_EQ(QtMutedLevel(0), 0);
    EXPECT_EQ(QtMutedLevel(-32768), -32768);
    EXPECT_EQ(QtMutedLevel(32767), -32767);
}

// Seeking

TEST(QuickTimeSeekSteps, StepGrowsByTwoEveryElevenKeyDowns) {
    long long step = QtFirstSeekStep;
    unsigned long long count = 0;
    std::string deltas;
    // One held key: grow test, then the seek, then the count goes up.
    for (int keyDown = 1; keyDown <= 23; ++keyDown) {
        QtGrowSeekStep(&step, &count);
        if (keyDown == 1 || keyDown == 11 || keyDown == 12 || keyDown == 22 || keyDown == 23) {
            deltas += std::to_string(QtSeekDelta(step, true)) + " ";
        }
        ++count;
    }
    EXPECT_EQ(deltas, "2000 2000 4000 4000 6000 ");
}

TEST(QuickTimeSeekSteps, StepStopsAtTwentyFromTheHundredthKeyDown) {
    long long step = QtFirstSeekStep;
    unsigned long long count = 0;
    for (int keyDown = 1; keyDown <= 300; ++keyDown) {
        QtGrowSeekStep(&step, &count);
        if (keyDown == 99) {
            EXPECT_EQ(step, 18);
        }
        if (keyDown == 100) {
            EXPECT_EQ(step, 20);
        }
        ++count;
    }
    EXPECT_EQ(step, 20);
    EXPECT_EQ(QtSeekDelta(step, true), 20000);
    EXPECT_EQ(QtSeekDelta(step, false), -20000);
}

TEST(QuickTimeSeekSteps, ReleaseResetsTheCountButNotTheStep) {
    long long step = 8;
    unsigned long long count = 0; // released
    QtGrowSeekStep(&step, &count);
    EXPECT_EQ(step, 8);
    EXPECT_EQ(QtSeekDelta(step, false), -8000);
}

TEST(QuickTimeSeekTarget, ForwardAndBackwardMoveByTheDelta) {
    TimeRecord target = QtSeekTarget(Record(600), 1800, 1000);
    EXPECT_EQ(target.value.lo, 1600u);
    target = QtSeekTarget(Record(1500), 0, -1000);
    EXPECT_EQ(target.value.lo, 500u);
}

TEST(QuickTimeSeekTarget, PastTheEndStopsOneUnitBeforeIt) {
    EXPECT_EQ(QtSeekTarget(Record(1000), 1800, 2000).value.lo, 1799u);
    // Exactly on the end stays there.
    EXPECT_EQ(QtSeekTarget(Record(0), 2000, 2000).value.lo, 2000u);
}

TEST(QuickTimeSeekTarget, BeforeTheStartBecomesZero) {
    EXPECT_EQ(QtSeekTarget(Record(500), 0, -2000).value.lo, 0u);
    EXPECT_EQ(QtSeekTarget(Record(2000), 0, -2000).value.lo, 0u);
}

TEST(QuickTimeSeekTarget, LowHalfIsReadUnsigned) {
    // 0x80000000 is a large positive time, not a negative one.
    EXPECT_EQ(QtSeekTarget(Record(0x80000000u), 0, -2000).value.lo, 0x80000000u - 2000u);
}

TEST(QuickTimeSeekTarget, HighHalfScaleAndBaseAreCopied) {
    TimeRecord current = Record(100, 7, 1000);
    TimeRecord target = QtSeekTarget(current, 5000, 2000);
    EXPECT_EQ(target.value.lo, 2100u);
    EXPECT_EQ(target.value.hi, 7);
    EXPECT_EQ(target.scale, 1000);
    EXPECT_EQ(target.base, current.base);
}

TEST(QuickTimeSeekTarget, MovieWithoutLengthStaysAtItsStart) {
    EXPECT_EQ(QtSeekTarget(Record(0), 0, 2000).value.lo, 0u);
    EXPECT_EQ(QtSeekTarget(Record(10), -2095, 2000).value.lo, 0u);
}

// Window title

TEST(QuickTimeWindowTitle, NameAfterTheLastSeparator) {
    EXPECT_EQ(Title("C:\\MOVIES\\TRAILE~1.MOV"), "TRAILE~1.MOV");
    EXPECT_EQ(Title("C:/movies/clip.mov"), "clip.mov");
    EXPECT_EQ(Title("C:\\a/b\\c.mov"), "c.mov");
    EXPECT_EQ(Title("clip.mov"), "clip.mov");
    EXPECT_EQ(Title("C:\\movies\\"), "");
    EXPECT_EQ(Title(""), "");
}

TEST(QuickTimeWindowTitle, LongNameIsCutToTheBuffer) {
    std::string name(400, 'n');
    std::string title = Title(("C:\\" + name).c_str());
    EXPECT_EQ(title.size(), (size_t)QtTitleBufferSize - 1);
}

TEST(QuickTimeWindowTitle, SecondByteOfADoubleByteCharacterIsNoSeparator) {
    if (GetACP() != 932) {
        GTEST_SKIP() << "needs the Japanese code page";
    }
    // "ソ" is 0x83 0x5C in Shift-JIS: its second byte is the backslash.
    EXPECT_EQ(Title("C:\\dir\\\x83\x5C.mov"), "\x83\x5C.mov");
}

TEST(QuickTimeWindowTitle, TitleIsSetOnTheWindow) {
    HWND window = CreateWindowA("STATIC", "before", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetWindowTitleFromPath(window, "C:\\MOVIES\\CLIP~1.MOV");
    char text[64] = {};
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ(text, "CLIP~1.MOV");
    DestroyWindow(window);
}
