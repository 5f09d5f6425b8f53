#include "playback/volume_level.h"

int SteppedVolume(int volume, int step) {
    // Wide arithmetic: a volume read from the file may be any 32-bit value.
    long long level = (long long)volume + step;
    if (level > kFullVolume) {
        level = kFullVolume;
    }
    if (level < kSilentVolume) {
        level = kSilentVolume;
    }
    return (int)level;
}
