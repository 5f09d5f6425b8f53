#include "host/display_area.h"

namespace {

RECT DesktopWindowRect() {
    RECT rect = {};
    GetWindowRect(GetDesktopWindow(), &rect);
    return rect;
}

} // namespace

RECT VirtualScreenRect() {
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0) {
        return DesktopWindowRect();
    }
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    RECT rect = {left, top, left + width, top + height};
    return rect;
}

RECT PrimaryMonitorRect() {
    const POINT origin = {0, 0};
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoA(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &info)) {
        return info.rcMonitor;
    }
    return DesktopWindowRect();
}
