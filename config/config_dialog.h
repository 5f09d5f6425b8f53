// The configuration dialog (template 2003).
#pragma once

#include <windows.h>

extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
