#include "playback/picture_window.h"

#include <algorithm>

#include "playback/player.h"

namespace {

const WCHAR kVideoWindowClass[] = L"FlickvanePicture";

bool IsChild(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0; }

LRESULT CALLBACK VideoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCHITTEST:
        // Mouse input goes to the saver window below, whose exit rules apply.
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND: {
        // A picture that can be drawn again is not blacked out first: uncovered at a cut, the
        // window keeps what showed there until the renderer draws.
        Player* player = (Player*)GetWindowLongPtrW(window, GWLP_USERDATA);
        if (player != nullptr && player->Showing()) {
            return 1;
        }
        RECT rc;
        GetClientRect(window, &rc);
        FillRect((HDC)wParam, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        Player* player = (Player*)GetWindowLongPtrW(window, GWLP_USERDATA);
        if (player != nullptr) {
            player->RepaintPicture(window, ps.hdc);
        }
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterVideoWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    if (GetClassInfoExW(instance, kVideoWindowClass, &wc)) {
        return true;
    }
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = VideoWindowProc;
    wc.hInstance = instance;
    wc.hCursor = nullptr; // the saver hides the cursor; this window must not bring it back
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = kVideoWindowClass;
    return RegisterClassExW(&wc) != 0;
}

} // namespace

HWND CreatePictureWindow(HWND owner, Player* player) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (owner == nullptr || !RegisterVideoWindowClass(instance)) {
        return nullptr;
    }
    HWND video;
    if (IsChild(owner)) {
        video = CreateWindowExW(0, kVideoWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1, 1,
                                owner, nullptr, instance, nullptr);
    } else {
        // Topmost like the saver window it is owned by, so it stays above it.
        DWORD exStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        video = CreateWindowExW(exStyle, kVideoWindowClass, L"", WS_POPUP, 0, 0, 1, 1, owner,
                                nullptr, instance, nullptr);
    }
    if (video != nullptr) {
        SetWindowLongPtrW(video, GWLP_USERDATA, (LONG_PTR)player);
    }
    return video;
}

namespace {

// The destination in the coordinates the window is placed in: its owner's client area for a
// child, the screen for a popup.
POINT WindowOrigin(HWND video, HWND owner, const RECT& destination) {
    POINT origin = {destination.left, destination.top};
    if (!IsChild(video)) {
        ClientToScreen(owner, &origin);
    }
    return origin;
}

} // namespace

namespace {

// On top or, while another picture still shows there, just beneath that one's window.
HWND PlaceAfter(HWND video, HWND beneath) {
    if (beneath != nullptr && beneath != video && IsWindowVisible(beneath)) {
        return beneath;
    }
    return IsChild(video) ? HWND_TOP : HWND_TOPMOST;
}

} // namespace

void PlacePictureWindow(HWND video, HWND owner, const RECT& destination, HWND beneath) {
    if (video == nullptr) {
        return;
    }
    int width = destination.right - destination.left;
    int height = destination.bottom - destination.top;
    if (width <= 0 || height <= 0) {
        ShowWindow(video, SW_HIDE);
        return;
    }
    POINT origin = WindowOrigin(video, owner, destination);
    SetWindowPos(video, PlaceAfter(video, beneath), origin.x, origin.y, width, height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void PlaceLargePictureWindow(HWND video, HWND owner, const RECT& destination, SIZE least,
                             HWND beneath) {
    int width = destination.right - destination.left;
    int height = destination.bottom - destination.top;
    if (video == nullptr || width <= 0 || height <= 0 || (width >= least.cx && height >= least.cy)) {
        if (video != nullptr) {
            SetWindowRgn(video, nullptr, FALSE);
        }
        PlacePictureWindow(video, owner, destination, beneath);
        return;
    }
    // The window owns the region from here on.
    HRGN region = CreateRectRgn(0, 0, width, height);
    if (region != nullptr && SetWindowRgn(video, region, FALSE) == 0) {
        DeleteObject(region);
    }
    POINT origin = WindowOrigin(video, owner, destination);
    SetWindowPos(video, PlaceAfter(video, beneath), origin.x, origin.y, std::max(width, (int)least.cx),
                 std::max(height, (int)least.cy), SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void SizePictureWindow(HWND video, HWND owner, const RECT& destination) {
    int width = destination.right - destination.left;
    int height = destination.bottom - destination.top;
    if (video == nullptr || width <= 0 || height <= 0) {
        return;
    }
    POINT origin = WindowOrigin(video, owner, destination);
    SetWindowPos(video, nullptr, origin.x, origin.y, width, height,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOREDRAW);
}
