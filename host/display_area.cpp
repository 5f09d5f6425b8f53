#include "host/display_area.h"

#include <algorithm>

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

namespace {

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        ((std::vector<MonitorArea>*)data)->push_back({info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

} // namespace

std::vector<RECT> OrderMonitors(std::vector<MonitorArea> monitors) {
    std::stable_sort(monitors.begin(), monitors.end(), [](const MonitorArea& a, const MonitorArea& b) {
        if (a.primary != b.primary) {
            return a.primary;
        }
        if (a.rect.left != b.rect.left) {
            return a.rect.left < b.rect.left;
        }
        return a.rect.top < b.rect.top;
    });
    std::vector<RECT> rects;
    for (const MonitorArea& monitor : monitors) {
        rects.push_back(monitor.rect);
    }
    return rects;
}

std::vector<RECT> MonitorRects() {
    std::vector<MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, (LPARAM)&monitors);
    std::vector<RECT> rects = OrderMonitors(monitors);
    if (rects.empty()) {
        rects.push_back(PrimaryMonitorRect());
    }
    return rects;
}
