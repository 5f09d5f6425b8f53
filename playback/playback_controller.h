// Moving through the playlist, ending an item's graph, volume and the DirectShow error reporter.
#pragma once

#include <windows.h>

// Streaming between items
void PlayNextItem(HWND window);
void PlayPreviousItem(HWND window);
void StopAndReleaseGraph(HWND window);

// Called instead of PlayNextItem for an entry that cannot be played at all (missing file,
// unreadable URL, QuickTime item without the runtime, a movie that does not open). Skips
// are counted, so a full pass in which nothing plays ends as at the end of the list.
void SkipUnplayableItem(HWND window);
// Called once an item really plays; resets the skip count.
void NoteItemPlaying();

// Nesting: PlayItem brackets its work with these. A move asked for while an item is being
// started (a skip, or the QuickTime player moving on from inside its loop) is recorded and run
// by the outermost call once the inner ones have returned, so the stack does not deepen with
// the number of items.
void BeginPlaybackCall();
void EndPlaybackCall(HWND window);

// Audio: step in hundredths of a decibel (+100, -100, 0 or -10000).
void ChangeVolume(int step);

// Errors: returns on success, otherwise reports (no box in preview mode) and ends the process
// with exit code 1. The second form puts firstLine above the message.
void CheckResult(HRESULT result);
void CheckResult(HRESULT result, const char* firstLine);

// The outward calls of playback, replaceable so tests can watch them.
struct PlaybackHooks {
    void (*playItem)(HWND window, const char* path);
    void (*shufflePlaylist)();
    void (*showErrorBox)(HWND owner, const char* text, const char* caption);
    void (*endProcess)(UINT exitCode);
    void (*sleep)(DWORD milliseconds);
};
extern PlaybackHooks gPlaybackHooks;
extern const PlaybackHooks kDefaultPlaybackHooks;
