// The keys of keyboard control, one table for DirectShow items and movies alike.
#pragma once

#include <windows.h>

enum class ControlKey { None, SeekBackwards, PreviousItem, SeekForwards, NextItem, VolumeUp, VolumeDown };

ControlKey ControlKeyFor(WPARAM key);
// The arrows whose release ends a seek.
bool IsSeekKey(WPARAM key);
