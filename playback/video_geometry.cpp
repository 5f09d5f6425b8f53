#include "playback/video_geometry.h"

#include "playback/player.h"
#include "playback/screen.h"
#include "playback/video_rect.h"
#include "settings/settings.h"

namespace {

// Places the player's picture on the screen; paint: black around it, and the rest of the window.
void Layout(Screen& screen, Player& player, bool paint) {
    HWND window = screen.window;
    VideoLayoutInput in = {};
    VideoSize size = player.Size();
    in.videoWidth = size.width;
    in.videoHeight = size.height;
    in.ratioWidth = size.ratioWidth;
    in.ratioHeight = size.ratioHeight;
    in.size = gSettings.Size;
    in.aspectRatio = gSettings.AspectRatio;
    in.previewMode = screen.preview;
    VideoLayout layout;
    // Where the picture may show: in full screen its monitor, never a neighbouring one.
    RECT visible;
    if (in.previewMode) {
        GetClientRect(window, &in.client);
        GetWindowRect(window, &in.window);
        GetWindowRect(GetDesktopWindow(), &in.desktop);
        layout = ComputeVideoLayout(in);
        visible = in.client;
    } else {
        // The window spans every monitor; the picture belongs on the screen's own.
        POINT clientOrigin = {0, 0};
        ClientToScreen(window, &clientOrigin);
        layout = ComputeLayoutOnMonitor(in, ScreenRectToClient(screen.monitor, clientOrigin));
        visible = layout.area;
    }
    if (!paint) {
        player.Place(layout.destination, visible);
        return;
    }

    HDC dc = GetDC(window);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &layout.area, black);

    player.Place(layout.destination, visible);

    // In full screen the whole window, every monitor; in preview the window's own rectangle,
    // taken as client coordinates.
    RECT whole;
    if (in.previewMode) {
        GetWindowRect(window, &whole);
    } else {
        GetClientRect(window, &whole);
    }
    FillRect(dc, &whole, black);
    DeleteObject(black);
    ReleaseDC(window, dc);
}

} // namespace

void LayoutVideo(Screen& screen) {
    if (screen.player != nullptr) {
        Layout(screen, *screen.player, true);
    }
}

void PlaceAhead(Screen& screen, Player& player) { Layout(screen, player, false); }
