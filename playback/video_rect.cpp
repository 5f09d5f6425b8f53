#include "playback/video_rect.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Two thirds as the "75%" size has always computed it.
constexpr double kTwoThirds = 0.6666666666666666;

void BoxFromSize(int size, int w, int h, const RECT& area, double* boxWidth, double* boxHeight) {
    switch (size) {
    case 1:
        *boxWidth = w / 2;
        *boxHeight = h / 2;
        break;
    case 2:
        *boxWidth = w * kTwoThirds;
        *boxHeight = h * kTwoThirds;
        break;
    case 3:
        *boxWidth = w;
        *boxHeight = h;
        break;
    case 4:
        *boxWidth = w * 1.5;
        *boxHeight = h * 1.5;
        break;
    case 5:
        *boxWidth = 2.0 * w;
        *boxHeight = 2.0 * h;
        break;
    default: // 0, and any code the settings could not have produced: full screen
        *boxWidth = area.right;
        *boxHeight = area.bottom;
        break;
    }
}

// One axis of ClipPicture: the span from..to kept within low..high, and the fractions of the
// span that stay. Spans are measured in 64 bits: the layout may give INT_MIN to INT_MAX.
void ClipSpan(LONG from, LONG to, LONG low, LONG high, LONG* keptFrom, LONG* keptTo,
              float* first, float* last) {
    if (high < low) {
        high = low;
    }
    *keptFrom = from < low ? low : (from > high ? high : from);
    *keptTo = to > high ? high : (to < *keptFrom ? *keptFrom : to);
    long long span = (long long)to - from;
    if (span <= 0) {
        *first = 0.0f;
        *last = 1.0f;
        return;
    }
    *first = (float)((double)((long long)*keptFrom - from) / (double)span);
    *last = (float)((double)((long long)*keptTo - from) / (double)span);
}

} // namespace

ClippedPicture ClipPicture(const RECT& destination, const RECT& visible) {
    ClippedPicture out = {};
    RECT& d = out.destination;
    PictureFraction& s = out.source;
    ClipSpan(destination.left, destination.right, visible.left, visible.right, &d.left, &d.right,
             &s.left, &s.right);
    ClipSpan(destination.top, destination.bottom, visible.top, visible.bottom, &d.top, &d.bottom,
             &s.top, &s.bottom);
    if (d.right <= d.left || d.bottom <= d.top) {
        s = kWholePicture;
    }
    return out;
}

namespace {

// One axis of FractionToPixels.
void SpanPixels(float first, float last, int length, LONG* from, LONG* to) {
    if (length <= 0) {
        *from = *to = 0;
        return;
    }
    *from = std::clamp(std::lround((double)first * length), 0L, (long)length - 1);
    *to = std::clamp(std::lround((double)last * length), (long)*from + 1, (long)length);
}

} // namespace

RECT FractionToPixels(const PictureFraction& part, int width, int height) {
    RECT pixels = {};
    SpanPixels(part.left, part.right, width, &pixels.left, &pixels.right);
    SpanPixels(part.top, part.bottom, height, &pixels.top, &pixels.bottom);
    return pixels;
}

int TruncateToInt(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= (double)INT_MAX) {
        return INT_MAX;
    }
    if (value <= (double)INT_MIN) {
        return INT_MIN;
    }
    return (int)value;
}

VideoLayout ComputeVideoLayout(const VideoLayoutInput& in) {
    VideoLayout out = {};
    RECT area = in.client;
    double dw = in.desktop.right;
    double dh = in.desktop.bottom;
    double w = 0;
    double h = 0;
    BoxFromSize(in.size, in.videoWidth, in.videoHeight, area, &w, &h);

    if (in.previewMode) {
        // The child window reaches the preview window's far screen edges; what shows of it is
        // the preview window's own size.
        RECT shown = {0, 0, area.right - in.window.left, area.bottom - in.window.top};
        area = shown;
        if (in.size < 1 || in.size > 5) {
            w = area.right;
            h = area.bottom;
        } else {
            w = area.right * w / dw;
            h = area.bottom * h / dh;
        }
    }

    // Ratios 0 to 2 are relative to a screen taken to be 4:3 whatever its resolution.
    double k = (dw / dh) * 0.75;
    double a;
    double b;
    switch (in.aspectRatio) {
    case 0:
        a = in.ratioHeight / k;
        b = in.ratioWidth;
        break;
    case 1:
        a = 3 / k;
        b = 4;
        break;
    case 2:
        a = 9 / k;
        b = 16;
        break;
    case 3:
        a = area.bottom;
        b = area.right;
        break;
    default:
        a = dh;
        b = dh;
        break;
    }
    // Both candidates come from the box as it was; each is compared with the area, and one
    // that is not a number (a 0:0 ratio) fails its comparison.
    double w2 = (b / a) * h;
    double h2 = (a / b) * w;
    if (w2 <= area.right) {
        w = w2;
    }
    if (h2 <= area.bottom) {
        h = h2;
    }

    double x0 = (area.right - w) * 0.5;
    double y0 = (area.bottom - h) * 0.5;
    out.area = area;
    out.boxWidth = w;
    out.boxHeight = h;
    out.destination.left = TruncateToInt(x0);
    out.destination.top = TruncateToInt(y0);
    out.destination.right = TruncateToInt(x0 + w);
    out.destination.bottom = TruncateToInt(y0 + h);
    return out;
}

VideoLayout ComputeLayoutOnMonitor(const VideoLayoutInput& input, const RECT& monitor) {
    VideoLayoutInput in = input;
    SetRect(&in.client, 0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top);
    in.window = in.client;
    in.desktop = in.client;
    in.previewMode = false;
    VideoLayout out = ComputeVideoLayout(in);
    OffsetRect(&out.area, monitor.left, monitor.top);
    OffsetRect(&out.destination, monitor.left, monitor.top);
    return out;
}

RECT ScreenRectToClient(const RECT& rect, POINT clientOrigin) {
    RECT moved = rect;
    OffsetRect(&moved, -clientOrigin.x, -clientOrigin.y);
    return moved;
}
