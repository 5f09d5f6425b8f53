#include "host/power_state.h"

bool TakePowerBroadcast(PowerState& state, WPARAM event, LPARAM data) {
    bool rested = ShouldRest(state);
    switch (event) {
    case PBT_POWERSETTINGCHANGE: {
        const POWERBROADCAST_SETTING* setting = (const POWERBROADCAST_SETTING*)data;
        if (setting == nullptr || setting->DataLength < sizeof(DWORD)) {
            break;
        }
        // The console's displays (or, before Windows 8, the monitors): 0 off, 1 on, 2 dimmed.
        if (IsEqualGUID(setting->PowerSetting, GUID_CONSOLE_DISPLAY_STATE) ||
            IsEqualGUID(setting->PowerSetting, GUID_MONITOR_POWER_ON)) {
            DWORD value = 0;
            memcpy(&value, setting->Data, sizeof(value));
            state.displaysOff = value == 0;
        }
        break;
    }
    case PBT_APMSUSPEND:
        state.suspended = true;
        break;
    case PBT_APMRESUMEAUTOMATIC:
    case PBT_APMRESUMESUSPEND:
        state.suspended = false;
        break;
    default:
        break;
    }
    return ShouldRest(state) != rested;
}
