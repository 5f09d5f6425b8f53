// The "Resume" option during a run: the entry the saver starts at, where each item starts, and
// the places kept for the next run. Nothing here acts while the option is off.
#pragma once

#include <windows.h>

#include "playback/player.h"
#include "settings/playlist.h"

// Reads the places of the last run and gives the entry to start at: the one shown when the
// saver last ended, with a shuffled list's remaining order put back in front; else the first.
PlaylistEntry* ResumeEntry();
// Where the item its player has open starts.
LONGLONG ResumeItemStart(const wchar_t* path, Player& player);
// The item its player has open is left: its place is kept, or forgotten when there is nothing
// to resume.
void NoteItemLeft(const wchar_t* path, Player& player);
// Writes the places, with the entry being shown and what a shuffled list still had to come.
void KeepResumePlaces(const PlaylistEntry* current);
