#include "quicktime/qt_volume.h"

// Truncates toward zero, keeping values that no int can hold within reach.
static int TruncateLimited(double value, double low, double high) {
    if (!(value >= low)) { // also catches NaN
        value = low;
    }
    if (value > high) {
        value = high;
    }
    return (int)value;
}

int QtLevelFromVolume(int volume) {
    // Any level outside -256 ... 256 ends up limited, so the far range only needs to stay far.
    return TruncateLimited(((double)volume + 10000.0) * 0.0256, -1.0e6, 1.0e6);
}

int QtLimitLevel(long long level) {
    if (level > QtFullLevel) {
        return QtFullLevel;
    }
    if (level < -QtFullLevel) {
        return -QtFullLevel;
    }
    return (int)level;
}

int QtVolumeFromLevel(int level) {
    return TruncateLimited((double)level * 0.00390625 * 10000.0 - 10000.0, -10000.0, 0.0);
}

short QtMutedLevel(short level) {
    int magnitude = level < 0 ? -(int)level : (int)level;
    if (magnitude > 32768) {
        magnitude = 32768;
    }
    return (short)-magnitude;
}
