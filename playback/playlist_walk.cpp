#include "playback/playlist_walk.h"

#include "settings/playlist.h"

WalkStep DecideWalk(bool neighbourExists, bool onlyEntry, int repeat) {
    if (neighbourExists) {
        return WalkStep::PlayNeighbour;
    }
    if (repeat != 1) {
        return WalkStep::StopAtEnd;
    }
    return onlyEntry ? WalkStep::RewindInPlace : WalkStep::WrapAround;
}

int CountPlaylistEntries(const Playlist& playlist) {
    int count = 0;
    for (const PlaylistEntry* e = playlist.first; e != nullptr && e->path[0] != '\0';
         e = e->next) {
        ++count;
    }
    return count;
}

bool SkipsCoverWholeList(int consecutiveSkips, int entryCount) {
    return consecutiveSkips >= entryCount;
}
