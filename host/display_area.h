// The screens the saver covers: every monitor together, and the primary one that holds the
// picture. Both in screen coordinates.
#pragma once

#include <windows.h>

#include <vector>

// The virtual screen: the bounding rectangle of all monitors.
RECT VirtualScreenRect();
// The primary monitor, whose top left corner is the screen origin.
RECT PrimaryMonitorRect();

// Every monitor, the primary first and then the others from left to right, top to bottom.
struct MonitorArea {
    RECT rect;
    bool primary;
};
std::vector<RECT> OrderMonitors(std::vector<MonitorArea> monitors);
std::vector<RECT> MonitorRects();
