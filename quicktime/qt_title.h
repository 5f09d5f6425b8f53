// The saver window's title while a QuickTime item plays.
#pragma once

#include <windows.h>

constexpr int QtTitleBufferSize = 256;

// The part of the path after its last backslash or forward slash (the whole path when it has
// neither), cut to fit the buffer.
void TitleFromPath(const char* path, char title[QtTitleBufferSize]);
