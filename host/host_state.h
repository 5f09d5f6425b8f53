// Process-wide facts about how the saver was started.
#pragma once

#include <windows.h>

struct HostState {
    HINSTANCE instance;
    HWND previewParent; // null in full-screen mode
    bool previewMode;   // true exactly when previewParent was set
    POINT startCursor;  // full-screen mode only
    HWND saverWindow;
    wchar_t windowTitle[100];
    wchar_t className[100];
};

extern HostState gHost;
