// Volume levels in hundredths of a decibel: 0 full, -10000 silent.
#pragma once

constexpr int kFullVolume = 0;
constexpr int kSilentVolume = -10000;

// The stored volume moved by step, kept within silent and full.
int SteppedVolume(int volume, int step);
