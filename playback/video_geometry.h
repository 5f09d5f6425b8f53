// Where the picture goes in the saver window.
#pragma once

#include <windows.h>

// Places the current item's picture at the configured size and aspect ratio, black around it.
void LayoutVideo(HWND window);
