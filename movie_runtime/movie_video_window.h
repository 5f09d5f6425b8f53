// The window the movie's picture is drawn in, at the destination rectangle. In full screen an
// owned popup (Direct3D output reaches a child window only on real Windows), in preview a
// child of the saver window (a popup cannot follow a window of another process). It never
// takes focus or mouse input: the saver window keeps both.
#pragma once

#include <windows.h>

class MoviePlayer;

HWND CreateMovieVideoWindow(HWND owner, MoviePlayer* player);
// Moves the window to a rectangle in the owner's client coordinates and shows it; an empty
// rectangle hides it.
void PlaceMovieVideoWindow(HWND video, HWND owner, const RECT& destination);
// Moves and sizes the window the same way without showing it.
void SizeMovieVideoWindow(HWND video, HWND owner, const RECT& destination);
