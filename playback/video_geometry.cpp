#include "playback/video_geometry.h"

#include "host/display_area.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "playback/playback_controller.h"
#include "playback/playback_graph.h"
#include "playback/video_rect.h"
#include "quicktime/qt_player.h"
#include "settings/settings.h"

namespace {

// Without a picture (an audio-only item) the size stays 0 x 0: the box collapses to a point in
// the middle and the whole window stays black.
void ReadVideoSize(int* w, int* h, int* rw, int* rh) {
    *w = *h = *rw = *rh = 0;
    if (gGraph.quickTimeItem) {
        QtGetMovieSize(w, h, rw, rh);
        return;
    }
    if (gGraph.windowless && !windowDestroyed) {
        LONG width = 0, height = 0, ratioWidth = 0, ratioHeight = 0;
        CheckResult(gGraph.windowless->GetNativeVideoSize(&width, &height, &ratioWidth,
                                                          &ratioHeight));
        *w = width;
        *h = height;
        *rw = ratioWidth;
        *rh = ratioHeight;
    }
    if (!gGraph.vmr9InUse && gGraph.basicVideo && !windowDestroyed) {
        long width = 0, height = 0, ratioWidth = 0, ratioHeight = 0;
        // Not examined: a failure leaves the size at 0 x 0.
        gGraph.basicVideo->GetVideoSize(&width, &height);
        gGraph.basicVideo->GetPreferredAspectRatio(&ratioWidth, &ratioHeight);
        *w = width;
        *h = height;
        *rw = ratioWidth;
        *rh = ratioHeight;
    }
}

} // namespace

void LayoutVideo(HWND window) {
    if (gGraph.control == nullptr && !gGraph.quickTimeItem) {
        return;
    }
    VideoLayoutInput in = {};
    ReadVideoSize(&in.videoWidth, &in.videoHeight, &in.ratioWidth, &in.ratioHeight);
    RECT source;
    SetRect(&source, 0, 0, in.videoWidth, in.videoHeight);
    in.size = gSettings.Size;
    in.aspectRatio = gSettings.AspectRatio;
    in.previewMode = gHost.previewMode;
    VideoLayout layout;
    if (in.previewMode) {
        GetClientRect(window, &in.client);
        GetWindowRect(window, &in.window);
        GetWindowRect(GetDesktopWindow(), &in.desktop);
        layout = ComputeVideoLayout(in);
    } else {
        // The window spans every monitor; the picture belongs on the primary one.
        POINT clientOrigin = {0, 0};
        ClientToScreen(window, &clientOrigin);
        layout = ComputeLayoutOnMonitor(in, ScreenRectToClient(PrimaryMonitorRect(), clientOrigin));
    }

    HDC dc = GetDC(window);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    FillRect(dc, &layout.area, black);

    const RECT& d = layout.destination;
    if (gGraph.quickTimeItem) {
        QtSetMovieBounds(window, d.left, d.top, d.right, d.bottom);
    } else if (gGraph.vmr9InUse) {
        if (gGraph.windowless) {
            gGraph.windowless->SetVideoPosition(&source, &layout.destination);
        }
    } else if (gGraph.videoWindow) {
        gGraph.videoWindow->SetWindowPosition(d.left, d.top, d.right - d.left, d.bottom - d.top);
    }

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
