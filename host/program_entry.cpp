#include "host/program_entry.h"

#include <objbase.h>

#include "config/config_dialog.h"
#include "host/command_line.h"
#include "host/display_area.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "movie_runtime/mf_library.h"
#include "quicktime/qt_runtime.h"
#include "resources/resource.h"

HostState gHost;

void RegisterSaverClass(HINSTANCE instance) {
    WNDCLASSW wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS;
    wc.lpfnWndProc = ScreenSaverProc;
    wc.hInstance = instance;
    wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
    wc.lpszClassName = gHost.className;
    RegisterClassW(&wc);
}

bool CreateSaverWindow(HINSTANCE instance, int showCommand) {
    gHost.instance = instance;
    RECT reference = {};
    DWORD exStyle;
    DWORD style;
    int x = 0;
    int y = 0;
    if (gHost.previewParent == nullptr) {
        // Every monitor: the ones without the picture are black too.
        reference = VirtualScreenRect();
        x = reference.left;
        y = reference.top;
        OffsetRect(&reference, -x, -y);
        exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
        style = WS_POPUP;
    } else {
        GetWindowRect(gHost.previewParent, &reference);
        exStyle = 0;
        style = WS_CHILD;
    }
    // In preview the size is the parent's right and bottom screen edges; Windows clips the
    // child to its parent and the video layout accounts for it.
    HWND window = CreateWindowExW(exStyle, gHost.className, gHost.windowTitle, style, x, y,
                                  reference.right, reference.bottom, gHost.previewParent, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        return false;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    gHost.saverWindow = window;
    return true;
}

int RunProgram(HINSTANCE instance, char* commandLine, int showCommand) {
    gHost.instance = instance;
    UpperCaseCommandLine(commandLine);
    StartRequest request = ParseCommandLine(commandLine);
    if (request.mode == StartMode::Configure) {
        // The shell's folder browser in its new style needs COM in an apartment on this thread.
        HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_CONFIG), (HWND)(LONG_PTR)request.window,
                        ScreenSaverConfigureDialog, 0);
        if (SUCCEEDED(com)) {
            CoUninitialize();
        }
        return 0;
    }
    if (request.mode == StartMode::Preview) {
        gHost.previewParent = (HWND)(LONG_PTR)request.window;
        gHost.previewMode = true;
    }
    LoadStringW(instance, IDS_SECTION_NAME, gHost.windowTitle, 100);
    LoadStringW(instance, IDS_CLASS_NAME, gHost.className, 100);
    RegisterSaverClass(instance);
    if (gHost.previewParent == nullptr) {
        // Taken before the window exists, so its first mouse message already finds it.
        GetCursorPos(&gHost.startCursor);
    }
    QtStartup();
    // Without Media Foundation (the N editions) the movie kinds are passed over.
    StartMovieRuntime();
    if (!CreateSaverWindow(instance, showCommand)) {
        return 0;
    }
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    QtShutdown();
    return (int)msg.wParam;
}
