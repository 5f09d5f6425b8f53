// Moving through the playlist on each screen: which entry plays, which player plays it, what
// an item's end or failure leads to. Players never walk the list; the controller never waits.
#pragma once

#include <windows.h>

#include "playback/player.h"
#include "playback/screen.h"
#include "settings/media_kind.h"

// Screens: the first added is the primary monitor's (or the preview's), whose item sounds;
// one more per other monitor when every monitor plays.
Screen* AddScreen(HWND window, const RECT& monitor, bool preview);
Screen* AddSecondaryScreen(HWND window, const RECT& monitor);
// Closes the screen's item and forgets the screen (its monitor went).
void RemoveScreen(Screen* screen);
Screen* ScreenForWindow(HWND window);
Screen* PrimaryScreen();

// What the monitors show: the stored "Monitors" value, any unknown one as the primary only.
enum MonitorsModes { kMonitorsPrimary = 0, kMonitorsSame = 1, kMonitorsEach = 2, kMonitorsSpan = 3 };
int MonitorsMode();
// Every screen starts: with the same item everywhere the primary's entry, with an item each
// monitor k at the k-th entry from the primary's.
void StartScreens();
// Up and Down: every monitor moves on (with the same item everywhere, to the primary's next).
void MoveScreens(bool forwards);
// Left and Right seek the primary's item, and every monitor's when they show the same.
void SeekScreens(bool forwards);
void EndSeekScreens();
// Hides every picture, then closes every player and forgets the screens: the saver ends.
void HideScreens();
void CloseScreens();

// Streaming between items
void PlayItem(Screen& screen); // plays the screen's entry, passing over what cannot play
void PlayNextItem(Screen& screen);
void PlayPreviousItem(Screen& screen);
// Ends the screen's item: its player is closed and the window left black.
void StopAndReleaseGraph(Screen& screen);

// Fills the window's client area black.
void PaintBlack(HWND window);

// Keys: a seek key's key-down and release, and a volume step in hundredths of a decibel
// (+100, -100, or 0 to apply the stored volume); unmuted: the key turned the sound on.
void SeekItem(Screen& screen, bool forwards);
void EndSeek(Screen& screen);
void ChangeVolume(Screen& screen, int step, bool unmuted = false);

// Power: while no display shows anything or the system sleeps, every screen's item rests
// (paused, its sound stream closed), and an item started meanwhile rests from its start.
void RestScreens();
void WakeScreens();
bool ScreensResting();

// A message for the screen's players (their events, timers, URL checks): true when it was one.
bool HandlePlaybackMessage(Screen& screen, UINT message, WPARAM wParam, LPARAM lParam);

// Which player plays an item of a kind; null when none can. Replaceable so tests can stand a
// fake player in.
typedef Player* (*PlayerChooser)(Screen& screen, MediaKind kind, const wchar_t* path);
extern PlayerChooser gChoosePlayer;
Player* ChooseEnginePlayer(Screen& screen, MediaKind kind, const wchar_t* path);
