// Plays one QuickTime item in the saver window through Apple's runtime, given its time slices
// by a timer on the window.
#pragma once

#include <windows.h>

#include "playback/player.h"
#include "quicktime/qt_types.h"

// The item that plays.
struct QtMovieState {
    char path[256]; // short (8.3) form of the item's path, ANSI; empty when it cannot be had
    Movie movie;
    HWND window;
};

extern QtMovieState gQtMovieState;

// Seeking, kept for the whole run and across items.
extern long long QtSeekStep;
extern unsigned long long QtSeekRepeatCount;

// The short (8.3) form of a file's path in the ANSI code page, which the runtime takes; false,
// leaving it empty, for a URL or when there is no such form.
bool QtShortPath(const wchar_t* path, char shortPath[256]);
// True when the runtime can be given the item: a file with such a short path.
bool QtCanOpen(const wchar_t* path);

class QuickTimePlayer : public Player {
public:
    ~QuickTimePlayer() override { Close(); }

    PlayerOpen Open(HWND window, const wchar_t* path) override;
    void Close() override;

    VideoSize Size() override;
    void Place(const RECT& destination, const RECT& visible) override;
    bool Paint(HDC, RECT*) override { return false; }

    void StartAt(LONGLONG position) override;
    // A movie is disposed of at its end: it is opened again to play again.
    bool Rewind() override { return false; }
    LONGLONG Duration() override;
    LONGLONG Position() override;

    void SeekStep(bool forwards) override;
    void EndSeek() override;

    void ChangeVolume(int step) override;
    void Rest() override;
    void Wake() override;

    // The timer's slice of time for the movie; Ended once it is done.
    PlayerNews HandleEvent(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// 1 when the record's movie is open.
int QtOpenMovie(HWND window, QtMovieState* state);
// Applies a step on the 256 scale to the movie, or keeps it muted; writes Volume back.
void QtApplyVolume(int step);

// For the video layout: the movie box's size, which is also its ratio pair.
void QtGetMovieSize(int* width, int* height, int* ratioWidth, int* ratioHeight);
// Places the movie at a rectangle in the window's client coordinates.
void QtSetMovieBounds(HWND window, int left, int top, int right, int bottom);
void SetWindowTitleFromPath(HWND window, const char* path);
