// The window a player's picture is drawn in, at the destination rectangle. In full screen an
// owned popup (Direct3D output reaches a child window only on real Windows), in preview a
// child of the saver window (a popup cannot follow a window of another process). It never
// takes focus or mouse input: the saver window keeps both.
#pragma once

#include <windows.h>

class Player;

HWND CreatePictureWindow(HWND owner, Player* player);
// Moves the window to a rectangle in the owner's client coordinates and shows it, on top or,
// while another picture still shows there, just beneath that one's window; an empty rectangle
// hides it.
void PlacePictureWindow(HWND video, HWND owner, const RECT& destination, HWND beneath);
// The same for a window never smaller than the least size, cut down to the destination: Wine's
// Direct3D shrinks what it presents into a window smaller than its back buffer.
void PlaceLargePictureWindow(HWND video, HWND owner, const RECT& destination, SIZE least,
                             HWND beneath);
// Moves and sizes the window like PlacePictureWindow without showing it.
void SizePictureWindow(HWND video, HWND owner, const RECT& destination);
