// Decisions of moving through the playlist, over plain facts about the current entry.
#pragma once

struct Playlist;

enum class WalkStep {
    PlayNeighbour, // the entry next to the current one in the direction of the move
    StopAtEnd,     // end of a non-repeating list: release and leave the window black
    RewindInPlace, // one entry that repeats: restart the running graph from 0
    WrapAround,    // jump to the other end (reshuffled when random order is on)
};

// neighbourExists: there is an entry in the direction of the move; onlyEntry: the current
// entry is also the one at the other end; repeat: the Repeat switch as stored.
WalkStep DecideWalk(bool neighbourExists, bool onlyEntry, int repeat);

// Number of entries before the empty terminator.
int CountPlaylistEntries(const Playlist& playlist);

// True when this many consecutive skips have passed over every entry once.
bool SkipsCoverWholeList(int consecutiveSkips, int entryCount);
