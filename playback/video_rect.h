// The arithmetic that places the picture: from the video's size, the display size and aspect
// ratio settings and the window and desktop geometry to a destination rectangle.
#pragma once

#include <windows.h>

struct VideoLayoutInput {
    int videoWidth;  // 0 when the item has no picture
    int videoHeight;
    int ratioWidth;  // the video's own aspect ratio pair
    int ratioHeight;
    int size;        // 0 full screen, 1 "50%", 2 "75%", 3 "100%", 4 "150%", 5 "200%"
    int aspectRatio; // 0 the video's, 1 "4:3", 2 "16:9", 3 the screen's, others: square
    bool previewMode;
    RECT client;     // the window's client rectangle
    RECT window;     // the window's rectangle, screen coordinates
    RECT desktop;    // the desktop window's rectangle
};

struct VideoLayout {
    RECT area;        // the visible part of the window, painted black
    double boxWidth;  // the picture's size before truncation
    double boxHeight;
    RECT destination; // where the picture goes, client coordinates
};

VideoLayout ComputeVideoLayout(const VideoLayoutInput& input);

// Full screen over several monitors: the picture is placed on one monitor as if that monitor
// were the whole screen (its size stands for the client area, the window and the desktop of the
// input). The monitor is given in the window's client coordinates; the result's area (the
// monitor) and destination come back in them too.
VideoLayout ComputeLayoutOnMonitor(const VideoLayoutInput& input, const RECT& monitor);

// A rectangle in screen coordinates, moved into the client coordinates of a window whose client
// area starts at clientOrigin (screen coordinates).
RECT ScreenRectToClient(const RECT& rect, POINT clientOrigin);

// A part of a picture as fractions of its width and height, 0 to 1 from its left and top edges
// (the shape of Media Foundation's normalized rectangle).
struct PictureFraction {
    float left;
    float top;
    float right;
    float bottom;
};

constexpr PictureFraction kWholePicture = {0.0f, 0.0f, 1.0f, 1.0f};

// The part of a picture placed at a destination that shows within a visible area (its monitor):
// where that part goes and which part of the picture it is, at the scale of the whole
// destination. When nothing shows, the destination is empty (at the visible area's nearest
// edge) and the source is the whole picture, which every renderer accepts.
struct ClippedPicture {
    RECT destination;
    PictureFraction source;
};

ClippedPicture ClipPicture(const RECT& destination, const RECT& visible);

// The fractions of a width x height picture in its pixels, at least one pixel wide and high for
// a picture that has any, for renderers that take their source rectangle in pixels.
RECT FractionToPixels(const PictureFraction& part, int width, int height);

// Truncates toward zero; values that are not numbers give 0 and huge ones the nearest limit.
int TruncateToInt(double value);
