// One screen of the saver: a window, the monitor it stands for, the player of what it shows
// and its place in the playlist.
#pragma once

#include <windows.h>

#include "movie_runtime/movie_player.h"
#include "playback/directshow_player.h"
#include "quicktime/qt_player.h"
#include "settings/settings.h"

struct PlaylistEntry;

struct Screen {
    HWND window = nullptr;  // the saver window, or its preview child
    RECT monitor = {};      // where the picture belongs, screen coordinates (full screen only)
    bool preview = false;
    bool secondary = false;         // not the primary monitor's: silent, and its item as the mode says
    PlaylistEntry* entry = nullptr; // the entry shown or being opened
    wchar_t path[kPathBufferSize] = {};     // its path when it was taken: a reshuffle deals paths anew
    Player* player = nullptr;       // the player of that entry, null while none plays
    bool started = false;           // that player has started it

    // Two players per engine that can play two items at once, kept from item to item: one
    // opens an item while the other holds the last picture of the one before for the cut.
    DirectShowPlayer directShow, directShow2;
    MoviePlayer movie, movie2{ID_MOVIE_TIMER2, ID_MOVIE_CLOSE_TIMER2};
    QuickTimePlayer quickTime;
    Player* held = nullptr;  // the item before, holding its last picture until this one shows
    DWORD cutBegun = 0;      // when this one started while the item before held

    // The entry after this one, opened ahead in a free movie player so that its turn starts at
    // once: the entry, its path when it was taken, and how its opening went.
    Player* ahead = nullptr; // null once it failed
    PlaylistEntry* aheadEntry = nullptr;
    wchar_t aheadPath[kPathBufferSize] = {};
    bool aheadOpen = false;

    LPARAM urlTicket = 0; // the URL check awaited, 0 when none
    // Skips since something last played, and the list's length when the run of skips began.
    int consecutiveSkips = 0;
    int entriesAtFirstSkip = 0;
};
