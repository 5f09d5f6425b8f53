// Plays one QuickTime item in the saver window.
#pragma once

#include <windows.h>

int QtPlayMovie(HWND window, const char* path);
void QtGetMovieSize(int* width, int* height, int* ratioWidth, int* ratioHeight);
void QtSetMovieBounds(HWND window, int left, int top, int right, int bottom);
void SetWindowTitleFromPath(HWND window, const char* path);
