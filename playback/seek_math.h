// Keyboard seeking: the step, its growth and the target position, in plain numbers.
#pragma once

// DirectShow reference time units per second.
constexpr long long kUnitsPerSecond = 10000000;
constexpr long long kLargestSeekStep = 20;
// Key-downs after which the step grows once more.
constexpr long long kSeekRepeatsBeforeGrowth = 15;

// Seconds: 2 while the VMR9 draws the picture, 5 otherwise.
long long BaseSeekStep(int vmr9InUse);

// Grows the step by the base step (at most to 20 s) once more than 15 key-downs were counted,
// and then starts the count again.
void GrowSeekStep(int vmr9InUse, long long* seekStep, long long* seekRepeatCount);

// Target of a backwards seek; never before the start.
long long BackwardSeekTarget(long long position, long long seekStep);
// Target of a forwards seek; with a known duration, never past it.
long long ForwardSeekTarget(long long position, long long seekStep, bool haveDuration,
                            long long duration);

// The result of setting the new position as it is to be checked: without the VMR9 the graph's
// own renderer may answer E_FAIL, which is tolerated.
long SeekResultToCheck(long result, int vmr9InUse);
