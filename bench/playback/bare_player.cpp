// The least a DirectShow player can do: RenderFile on one clip into a windowless Video Mixing
// Renderer 9 on a full-screen black pop-up, run to the end. The benchmark compares the saver
// against it. (Wine shows the default renderer's owned window black, so the VMR9 is used.)
//   bare_player.exe PATH
// Exit code: 0 at the clip's end, 1 when a DirectShow call fails, 2 on a bad command line.
#include <windows.h>

#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

const UINT kGraphEvent = WM_APP + 1;

IGraphBuilder* graph = nullptr;
IMediaControl* control = nullptr;
IMediaEventEx* events = nullptr;
IBaseFilter* vmr9 = nullptr;
IVMRWindowlessControl9* windowless = nullptr;

template <class T> void Release(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

void ReleaseGraph() {
    if (control) {
        control->Stop();
    }
    Release(windowless);
    Release(vmr9);
    Release(events);
    Release(control);
    Release(graph);
}

void Fail(const char* what, HRESULT hr) {
    fprintf(stderr, "bare_player: %s failed: 0x%lx\n", what, (unsigned long)hr);
    ReleaseGraph();
    CoUninitialize();
    ExitProcess(1);
}

LRESULT CALLBACK PlayerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(window, &rc);
        FillRect((HDC)wParam, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return 1;
    }
    case kGraphEvent: {
        long code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        while (events && SUCCEEDED(events->GetEvent(&code, &p1, &p2, 0))) {
            events->FreeEventParams(code, p1, p2);
            if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
                DestroyWindow(window);
                return 0;
            }
        }
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    char path[MAX_PATH * 4] = {};
    const char* start = commandLine;
    while (*start == ' ') {
        start++;
    }
    if (*start == '"') {
        start++;
    }
    lstrcpynA(path, start, sizeof(path));
    size_t length = strlen(path);
    while (length > 0 && (path[length - 1] == '"' || path[length - 1] == ' ')) {
        path[--length] = '\0';
    }
    if (length == 0) {
        fprintf(stderr, "usage: bare_player PATH\n");
        return 2;
    }
    wchar_t widePath[MAX_PATH * 4] = {};
    MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH * 4);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlayerProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "BarePlayer";
    RegisterClassA(&wc);
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "BarePlayer", "bare player",
                                  WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, show);
    UpdateWindow(window);

    HRESULT hr = CoInitialize(nullptr);
    if (FAILED(hr)) Fail("CoInitialize", hr);
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                          (void**)&graph);
    if (FAILED(hr)) Fail("CoCreateInstance(FilterGraph)", hr);
    graph->QueryInterface(IID_IMediaControl, (void**)&control);
    graph->QueryInterface(IID_IMediaEventEx, (void**)&events);
    if (!control || !events) Fail("QueryInterface", E_NOINTERFACE);
    // The renderer is in the graph before RenderFile, so the video connects to it.
    hr = CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          (void**)&vmr9);
    if (FAILED(hr)) Fail("CoCreateInstance(VideoMixingRenderer9)", hr);
    hr = graph->AddFilter(vmr9, L"Video Mixing Renderer 9");
    if (FAILED(hr)) Fail("AddFilter", hr);
    IVMRFilterConfig9* config = nullptr;
    hr = vmr9->QueryInterface(IID_IVMRFilterConfig9, (void**)&config);
    if (FAILED(hr)) Fail("QueryInterface(IVMRFilterConfig9)", hr);
    hr = config->SetRenderingMode(VMR9Mode_Windowless);
    config->Release();
    if (FAILED(hr)) Fail("SetRenderingMode", hr);
    hr = vmr9->QueryInterface(IID_IVMRWindowlessControl9, (void**)&windowless);
    if (FAILED(hr)) Fail("QueryInterface(IVMRWindowlessControl9)", hr);
    hr = windowless->SetVideoClippingWindow(window);
    if (FAILED(hr)) Fail("SetVideoClippingWindow", hr);
    hr = graph->RenderFile(widePath, nullptr);
    if (FAILED(hr)) Fail("RenderFile", hr);
    events->SetNotifyWindow((OAHWND)window, kGraphEvent, 0);
    RECT screen = {0, 0, width, height};
    windowless->SetVideoPosition(nullptr, &screen);
    hr = control->Run();
    if (FAILED(hr)) Fail("Run", hr);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    ReleaseGraph();
    CoUninitialize();
    // Wine can crash in its own teardown at a normal exit; end here instead.
    ExitProcess(0);
}
