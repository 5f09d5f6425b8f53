#include "host/share_wait.h"

#include "playback/error_report.h"
#include "settings/settings.h"
#include "settings/share_probe.h"

namespace {

HWND gWaitingWindow = nullptr;

// The window is not shown before creation ends; one that is to take input while it waits
// must be shown (black) and active first.
void ShowForInput(HWND window) {
    if (IsWindowVisible(window)) {
        return;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SendMessageA(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
}

// Waits for the share's answer, handing mouse and key input to the saver window meanwhile so
// that its exit rules apply. With keyboard control on, keys wait in the queue instead: a key
// that moves between items has no list to move in yet.
bool WaitLettingInputThrough(HANDLE finished, DWORD milliseconds) {
    HWND window = gWaitingWindow;
    if (window == nullptr || !IsWindow(window)) {
        return WaitForSingleObject(finished, milliseconds) == WAIT_OBJECT_0;
    }
    if (windowDestroyed) {
        return false;
    }
    ShowForInput(window);
    DWORD start = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - start;
        if (waited >= milliseconds) {
            return false;
        }
        DWORD woken = MsgWaitForMultipleObjects(1, &finished, FALSE, milliseconds - waited,
                                                QS_INPUT | QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0) {
            return true;
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            return WaitForSingleObject(finished, 0) == WAIT_OBJECT_0;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE) ||
               (gSettings.Keyboard != 1 &&
                PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE))) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (windowDestroyed) {
                return false;
            }
        }
    }
}

} // namespace

void WaitForSharesThrough(HWND window) {
    gWaitingWindow = window;
    SetShareWait(WaitLettingInputThrough);
}
