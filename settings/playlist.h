// The playlist: a chain of nodes ended by an empty terminator node. Each node is allocated
// together with the path it was made for, no larger; a shuffle deals the paths anew among the
// nodes, which stay where they are.
#pragma once

#include <stddef.h>

#include "settings/settings.h"

struct PlaylistEntry {
    int key;    // only used by the shuffle's working copies
    wchar_t* path; // never null: "" in the terminator
    PlaylistEntry* prev;
    PlaylistEntry* next;
};

struct Playlist {
    PlaylistEntry* first;
    PlaylistEntry* current; // the terminator while building; the playing item afterwards
    PlaylistEntry* last;    // the last filled node, or the terminator when empty
};

extern Playlist gPlaylist;

// Starts a new, empty playlist. Returns false when no node could be allocated.
bool CreatePlaylist();
void AddPlaylistPath(const wchar_t* path);
void AppendPlaylistEntry(const wchar_t* path);
void ExpandPlaylistFolder(const wchar_t* folder);
void ShufflePlaylist();

// Every node and working buffer comes zero-filled from this function and goes back with free();
// a test may make it fail. null restores the standard allocation.
typedef void* (*PlaylistAllocateFunction)(size_t size);
void SetPlaylistAllocator(PlaylistAllocateFunction allocate);
