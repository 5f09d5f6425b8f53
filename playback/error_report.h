// The one reporter of DirectShow failures, and the outward calls of playback that tests replace.
#pragma once

#include <windows.h>

// Errors: returns on success, otherwise reports (no box in preview mode) and ends the process
// with exit code 1. The second form puts firstLine above the message.
void CheckResult(HRESULT result);
void CheckResult(HRESULT result, const wchar_t* firstLine);

// Where a report goes: the box's owner, and whether the saver runs in preview (no box then).
void SetErrorReportOwner(HWND owner, bool previewMode);

// Set when the saver window is destroyed; afterwards no call is made on a graph except by the
// final stop and release.
extern bool windowDestroyed;

// The outward calls of playback, replaceable so tests can watch them.
struct PlaybackHooks {
    void (*shufflePlaylist)();
    void (*showErrorBox)(HWND owner, const wchar_t* text, const wchar_t* caption);
    void (*endProcess)(UINT exitCode);
    // A pause that lets the picture settle; input cuts it short.
    void (*sleep)(DWORD milliseconds);
};
extern PlaybackHooks gPlaybackHooks;
extern const PlaybackHooks kDefaultPlaybackHooks;
