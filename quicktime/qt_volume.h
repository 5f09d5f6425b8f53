// The movie volume on the runtime's 256-step scale and the saver's Volume setting.
#pragma once

constexpr int QtFullLevel = 256;

// Volume (hundredths of a decibel, 0 full, -10000 silent) as a level: (Volume + 10000) x 0.0256,
// truncated toward zero.
int QtLevelFromVolume(int volume);
// A level limited to -256 ... 256 (negative levels are muted).
int QtLimitLevel(long long level);
// The Volume a level stands for: level / 256 x 10000 - 10000, truncated, limited to -10000 ... 0.
int QtVolumeFromLevel(int level);
// Muting keeps the magnitude: the level as a negative number.
short QtMutedLevel(short level);
