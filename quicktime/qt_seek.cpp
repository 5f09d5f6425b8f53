#include "quicktime/qt_seek.h"

void QtGrowSeekStep(long long* step, unsigned long long* repeatCount) {
    if (*repeatCount > QtSeekGrowthCount) {
        *step += 2;
        if (*step > QtLastSeekStep) {
            *step = QtLastSeekStep;
        }
        *repeatCount = 0;
    }
}

LONG QtSeekDelta(long long step, bool forwards) {
    if (step > QtLastSeekStep) {
        step = QtLastSeekStep;
    }
    if (step < 0) {
        step = 0;
    }
    return (LONG)(forwards ? step * 1000 : step * -1000);
}

TimeRecord QtSeekTarget(const TimeRecord& current, LONG limit, LONG delta) {
    long long value = (long long)current.value.lo + delta;
    if (value < 0) {
        value = 0;
    }
    if (delta > 0 && value > limit) {
        value = (long long)limit - 1;
        // A movie without length (or a limit the runtime could not give) stays at its start.
        if (value < 0) {
            value = 0;
        }
    }
    TimeRecord target = current;
    target.value.lo = (ULONG)value;
    return target;
}
