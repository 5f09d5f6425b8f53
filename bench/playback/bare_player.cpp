// The least a DirectShow player can do: RenderFile on one clip, its video window owned by a
// full-screen black pop-up, run to the end. The benchmark compares the saver against it.
//   bare_player.exe PATH
// Exit code: 0 at the clip's end, 1 when a DirectShow call fails, 2 on a bad command line.
#include <windows.h>

#include <dshow.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

const UINT kGraphEvent = WM_APP + 1;

IGraphBuilder* graph = nullptr;
IMediaControl* control = nullptr;
IMediaEventEx* events = nullptr;
IVideoWindow* videoWindow = nullptr;

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
    if (videoWindow) {
        videoWindow->put_Visible(OAFALSE);
        videoWindow->put_Owner(0);
    }
    Release(videoWindow);
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
    case WM_TIMER: {
        HWND child = GetWindow(window, GW_CHILD);
        while (child) {
            RECT rc;
            GetWindowRect(child, &rc);
            char cls[64];
            GetClassNameA(child, cls, 64);
            fprintf(stderr, "child %s vis=%d style=%lx rect=%ld,%ld,%ld,%ld\n", cls, IsWindowVisible(child),
                    (unsigned long)GetWindowLongA(child, GWL_STYLE), rc.left, rc.top, rc.right, rc.bottom);
            child = GetWindow(child, GW_HWNDNEXT);
        }
        KillTimer(window, 1);
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
    hr = graph->RenderFile(widePath, nullptr);
    if (FAILED(hr)) Fail("RenderFile", hr);
    events->SetNotifyWindow((OAHWND)window, kGraphEvent, 0);
    // An audio-only clip has no video window; that is fine.
    if (getenv("BARE_NO_OWNER")) {
    } else if (SUCCEEDED(graph->QueryInterface(IID_IVideoWindow, (void**)&videoWindow))) {
        if (FAILED(videoWindow->put_Owner((OAHWND)window))) {
            Release(videoWindow);
        } else {
            videoWindow->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
            videoWindow->SetWindowPosition(0, 0, width, height);
            videoWindow->put_Visible(OATRUE);
        }
    }
    if (getenv("BARE_DEBUG")) {
        IEnumFilters* list = nullptr;
        graph->EnumFilters(&list);
        IBaseFilter* f = nullptr;
        while (list && list->Next(1, &f, nullptr) == S_OK) {
            FILTER_INFO fi = {};
            f->QueryFilterInfo(&fi);
            fprintf(stderr, "filter %ls\n", fi.achName);
            if (fi.pGraph) fi.pGraph->Release();
            f->Release();
        }
        if (list) list->Release();
    }
    hr = control->Run();
    if (FAILED(hr)) Fail("Run", hr);
    if (getenv("BARE_DEBUG")) SetTimer(window, 1, 1500, nullptr);

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
