#include "playback/seek_math.h"

#include <climits>

namespace {

constexpr long EFail = (long)0x80004005L;

// Seconds to reference time without overflow.
long long StepUnits(long long seekStep) {
    if (seekStep > LLONG_MAX / kUnitsPerSecond) {
        return LLONG_MAX;
    }
    if (seekStep < LLONG_MIN / kUnitsPerSecond) {
        return LLONG_MIN;
    }
    return seekStep * kUnitsPerSecond;
}

long long SaturatingAdd(long long a, long long b) {
    if (b > 0 && a > LLONG_MAX - b) {
        return LLONG_MAX;
    }
    if (b < 0 && a < LLONG_MIN - b) {
        return LLONG_MIN;
    }
    return a + b;
}

} // namespace

long long BaseSeekStep(int vmr9InUse) { return vmr9InUse ? 2 : 5; }

void GrowSeekStep(int vmr9InUse, long long* seekStep, long long* seekRepeatCount) {
    if (*seekRepeatCount > kSeekRepeatsBeforeGrowth) {
        *seekStep += BaseSeekStep(vmr9InUse);
        if (*seekStep > kLargestSeekStep) {
            *seekStep = kLargestSeekStep;
        }
        *seekRepeatCount = 0;
    }
}

long long BackwardSeekTarget(long long position, long long seekStep) {
    long long units = StepUnits(seekStep);
    long long target = units == LLONG_MIN ? LLONG_MAX : SaturatingAdd(position, -units);
    return target < 0 ? 0 : target;
}

long long ForwardSeekTarget(long long position, long long seekStep, bool haveDuration,
                            long long duration) {
    long long target = SaturatingAdd(position, StepUnits(seekStep));
    if (haveDuration && target >= duration) {
        target = duration;
    }
    return target;
}

long SeekResultToCheck(long result, int vmr9InUse) {
    if (!vmr9InUse && result == EFail) {
        return 0;
    }
    return result;
}
