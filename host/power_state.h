// What the system's power news means for playback: it rests while every display is off or
// the system sleeps.
#pragma once

#include <windows.h>

struct PowerState {
    bool displaysOff = false;
    bool suspended = false;
};

inline bool ShouldRest(const PowerState& state) { return state.displaysOff || state.suspended; }

// Takes a WM_POWERBROADCAST's event and data in; true when whether to rest has changed.
bool TakePowerBroadcast(PowerState& state, WPARAM event, LPARAM data);
