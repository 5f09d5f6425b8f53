// Plays one QuickTime item in the saver window.
#pragma once

#include <windows.h>

#include "quicktime/qt_types.h"

// The item that plays.
struct QtMovieState {
    char path[256]; // short (8.3) form of the item's path; empty when it cannot be had
    const char* itemPath; // the item's own path, which the built-in runtime opens
    Movie movie;
    HWND window;
};

extern QtMovieState gQtMovieState;

// Seeking, kept for the whole run and across items.
extern long long QtSeekStep;
extern unsigned long long QtSeekRepeatCount;

// Plays the item until its end or a key leaves it; the next or previous item has been asked
// for by the time it returns.
int QtPlayMovie(HWND window, const char* path);
// Disposes of the movie that plays, if any: when the saver window goes away the process ends,
// and a movie's own threads must be let go before.
void QtCloseMovie();
// 1 when the record's movie is open.
int QtOpenMovie(HWND window, QtMovieState* state);
// Applies a step on the 256 scale to the movie, or keeps it muted; writes Volume back.
void QtApplyVolume(int step);

// For the video layout: the movie box's size, which is also its ratio pair.
void QtGetMovieSize(int* width, int* height, int* ratioWidth, int* ratioHeight);
// Places the movie at a rectangle in the window's client coordinates.
void QtSetMovieBounds(HWND window, int left, int top, int right, int bottom);
void SetWindowTitleFromPath(HWND window, const char* path);
