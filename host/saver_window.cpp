// Placeholder until the playback work lands.
#include "host/saver_window.h"

bool windowDestroyed = false;
long long seekStep = 5;
long long seekRepeatCount = 0;

void PaintBlack(HWND window) {
    HDC dc = GetDC(window);
    RECT rc;
    GetClientRect(window, &rc);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(window, dc);
}

void HandleGraphEvents(HWND) {}

extern "C" LRESULT CALLBACK ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ExitProcess(0);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
