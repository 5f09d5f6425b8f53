// The saver window: start-up, input and exit rules, graph events, shut-down.
#pragma once

#include <windows.h>

constexpr UINT_PTR ID_START_TIMER = 1026;
constexpr UINT kStartDelayMs = 500;

// Set when the saver window is destroyed; afterwards no call is made on the graph except
// by the final stop and release.
extern bool windowDestroyed;
// Keyboard seeking: step in seconds and key-downs since the last reset.
extern long long seekStep;
extern long long seekRepeatCount;

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void HandleGraphEvents(HWND window);
void PaintBlack(HWND window);

// Keyboard seeking on a key-down of the left or right arrow, and the end of a seek.
void SeekBackwards(HWND window);
void SeekForwards(HWND window);
void EndSeek();
