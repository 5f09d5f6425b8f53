// The screens the saver covers: every monitor together, and the primary one that holds the
// picture. Both in screen coordinates.
#pragma once

#include <windows.h>

// The virtual screen: the bounding rectangle of all monitors.
RECT VirtualScreenRect();
// The primary monitor, whose top left corner is the screen origin.
RECT PrimaryMonitorRect();
