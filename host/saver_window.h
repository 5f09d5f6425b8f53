// The saver window: start-up, input and exit rules, its players' messages, shut-down.
#pragma once

#include <windows.h>

constexpr UINT_PTR ID_START_TIMER = 1026;
constexpr UINT kStartDelayMs = 500;

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
