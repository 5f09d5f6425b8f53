// Keyboard seeking in a QuickTime movie: the growing step and the target time.
#pragma once

#include "quicktime/qt_types.h"

constexpr long long QtFirstSeekStep = 2;
constexpr long long QtLastSeekStep = 20;
// Key-downs at one step before it grows.
constexpr unsigned long long QtSeekGrowthCount = 10;

// Grows the step by 2 (up to 20) once more than 10 key-downs went by at the current step.
void QtGrowSeekStep(long long* step, unsigned long long* repeatCount);
// The change of time for one key-down, in thousands of the movie's time units.
LONG QtSeekDelta(long long step, bool forwards);
// The time after a seek: current low 32 bits + delta, not below 0, and for a forward seek past
// the limit, limit - 1. The high half, scale and base are kept.
TimeRecord QtSeekTarget(const TimeRecord& current, LONG limit, LONG delta);
