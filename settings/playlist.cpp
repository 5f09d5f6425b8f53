#include "settings/playlist.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "settings/path_text.h"
#include "settings/media_kind.h"
#include "settings/share_probe.h"

Playlist gPlaylist;

namespace {

void* AllocateZeroed(size_t size) { return calloc(1, size); }

PlaylistAllocateFunction gAllocate = AllocateZeroed;

// A node with room for a path of a length right behind it, holding "" until it is filled.
PlaylistEntry* NewNode(size_t pathLength) {
    PlaylistEntry* node =
        (PlaylistEntry*)gAllocate(sizeof(PlaylistEntry) + (pathLength + 1) * sizeof(wchar_t));
    if (node != nullptr) {
        node->path = (wchar_t*)(node + 1);
    }
    return node;
}

// One folder being searched: the expansion keeps one per level instead of a stack frame, so
// a deep tree costs heap, not stack.
struct FolderLevel {
    HANDLE search;
    size_t pathLength; // the folder's path is the first pathLength units of the shared buffer
    int idState;       // kIdUnknown until a link makes the folder's identity matter
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

constexpr int kIdUnknown = 0;
constexpr int kIdKnown = 1;
constexpr int kIdUnavailable = 2;

struct FolderWalk {
    wchar_t path[kPathBufferSize];
    wchar_t query[kQueryPathSize];
    WIN32_FIND_DATAW data;
    FolderLevel* levels;
    size_t depth;
    size_t capacity;
};

// Identity of the folder whose path is the first pathLength units of walk.path.
void ReadFolderId(FolderWalk& walk, FolderLevel* level) {
    level->idState = kIdUnavailable;
    wchar_t saved = walk.path[level->pathLength];
    walk.path[level->pathLength] = L'\0';
    bool formed = FormQueryPath(walk.path, walk.query, kQueryPathSize);
    walk.path[level->pathLength] = saved;
    if (!formed) {
        return;
    }
    HANDLE handle = CreateFileW(walk.query, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return;
    }
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) {
        return;
    }
    level->volume = info.dwVolumeSerialNumber;
    level->indexHigh = info.nFileIndexHigh;
    level->indexLow = info.nFileIndexLow;
    level->idState = kIdKnown;
}

// Whether a linked folder is one of the folders being searched around it. Only links can
// close a loop, so identities are read only when one is met (reading them is slow on some
// systems), and each enclosing folder's only once.
bool IsEnclosingFolder(FolderWalk& walk, FolderLevel* level) {
    ReadFolderId(walk, level);
    if (level->idState != kIdKnown) {
        return false;
    }
    for (size_t i = 0; i < walk.depth; ++i) {
        FolderLevel& outer = walk.levels[i];
        if (outer.idState == kIdUnknown) {
            ReadFolderId(walk, &outer);
        }
        if (outer.idState == kIdKnown && outer.volume == level->volume &&
            outer.indexHigh == level->indexHigh && outer.indexLow == level->indexLow) {
            return true;
        }
    }
    return false;
}

// Starts the search of the folder whose path fills walk.path up to pathLength. On success the
// folder is the new innermost level and walk.data holds its first entry. A linked folder that
// is one of its own enclosing folders is not entered again.
bool EnterFolder(FolderWalk& walk, size_t pathLength, bool isLink) {
    FolderLevel level = {};
    level.pathLength = pathLength;
    if (isLink && IsEnclosingFolder(walk, &level)) {
        return false;
    }
    if (walk.depth == walk.capacity) {
        size_t capacity = walk.capacity == 0 ? 16 : walk.capacity * 2;
        FolderLevel* levels = (FolderLevel*)gAllocate(capacity * sizeof(FolderLevel));
        if (levels == nullptr) {
            return false;
        }
        if (walk.depth > 0) {
            memcpy(levels, walk.levels, walk.depth * sizeof(FolderLevel));
        }
        free(walk.levels);
        walk.levels = levels;
        walk.capacity = capacity;
    }
    if (!FormQueryPath(walk.path, walk.query, kQueryPathSize) ||
        !AppendSearchPattern(walk.query, kQueryPathSize)) {
        return false;
    }
    // No short names are needed, and asking for none spares their making.
    level.search = FindFirstFileExW(walk.query, FindExInfoBasic, &walk.data,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (level.search == INVALID_HANDLE_VALUE) {
        return false;
    }
    walk.levels[walk.depth++] = level;
    return true;
}

struct ShuffleRecord {
    int key;
    int index;
};

int CompareShuffleRecords(const void* a, const void* b) {
    const ShuffleRecord* left = (const ShuffleRecord*)a;
    const ShuffleRecord* right = (const ShuffleRecord*)b;
    if (left->key != right->key) {
        return left->key > right->key ? -1 : 1; // larger key first
    }
    // Equal keys keep list order, so the same keys always give the same permutation.
    return left->index < right->index ? -1 : (left->index > right->index ? 1 : 0);
}

} // namespace

void SetPlaylistAllocator(PlaylistAllocateFunction allocate) {
    gAllocate = allocate != nullptr ? allocate : AllocateZeroed;
}

bool CreatePlaylist() {
    PlaylistEntry* node = NewNode(0);
    if (node == nullptr) {
        return false;
    }
    gPlaylist.first = node;
    gPlaylist.current = node;
    gPlaylist.last = node;
    ForgetShareAnswers();
    return true;
}

void AddPlaylistPath(const wchar_t* path) {
    if (path == nullptr || wcslen(path) > (size_t)kMaxPathChars) {
        return;
    }
    wchar_t query[kQueryPathSize];
    if (!FormQueryPath(path, query, kQueryPathSize)) {
        return;
    }
    // An entry on a share that does not answer, nor any later one on it, can hold the saver.
    if (!ShareAnswers(query)) {
        return;
    }
    DWORD attributes = GetFileAttributesW(query);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ExpandPlaylistFolder(path);
    } else {
        AppendPlaylistEntry(path);
    }
}

void AppendPlaylistEntry(const wchar_t* path) {
    PlaylistEntry* terminator = gPlaylist.current;
    if (terminator == nullptr || path == nullptr || path[0] == L'\0') {
        return;
    }
    size_t length = wcslen(path);
    if (length > (size_t)kMaxPathChars || ClassifyMedia(path) == NotPlayable) {
        return;
    }
    // The entry goes in before the terminator; without memory the list stays as it was.
    PlaylistEntry* node = NewNode(length);
    if (node == nullptr) {
        return;
    }
    memcpy(node->path, path, (length + 1) * sizeof(wchar_t));
    node->prev = terminator->prev;
    node->next = terminator;
    if (terminator->prev != nullptr) {
        terminator->prev->next = node;
    } else {
        gPlaylist.first = node;
    }
    terminator->prev = node;
    gPlaylist.last = node;
}

void ExpandPlaylistFolder(const wchar_t* folder) {
    if (folder == nullptr) {
        return;
    }
    size_t folderLength = wcslen(folder);
    if (folderLength > (size_t)kMaxPathChars) {
        return;
    }
    FolderWalk* walk = (FolderWalk*)gAllocate(sizeof(FolderWalk));
    if (walk == nullptr) {
        return;
    }
    memcpy(walk->path, folder, (folderLength + 1) * sizeof(wchar_t));
    bool haveEntry = EnterFolder(*walk, folderLength, false);
    while (walk->depth > 0) {
        if (!haveEntry) {
            FindClose(walk->levels[walk->depth - 1].search);
            if (--walk->depth == 0) {
                break;
            }
            FolderLevel& outer = walk->levels[walk->depth - 1];
            walk->path[outer.pathLength] = L'\0';
            haveEntry = FindNextFileW(outer.search, &walk->data) != 0;
            continue;
        }
        size_t base = walk->levels[walk->depth - 1].pathLength;
        const wchar_t* name = walk->data.cFileName;
        if (name[0] != L'.' && name[0] != L'\0') {
            size_t nameLength = wcslen(name);
            // A joined path that would not fit an entry is left out, folder or file.
            if (base + 1 + nameLength <= (size_t)kMaxPathChars) {
                walk->path[base] = L'\\';
                memcpy(walk->path + base + 1, name, (nameLength + 1) * sizeof(wchar_t));
                DWORD attributes = walk->data.dwFileAttributes;
                if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
                    if (EnterFolder(*walk, base + 1 + nameLength, isLink)) {
                        haveEntry = true; // walk->data now holds the subfolder's first entry
                        continue;
                    }
                } else {
                    AppendPlaylistEntry(walk->path);
                }
                walk->path[base] = L'\0';
            }
        }
        haveEntry = FindNextFileW(walk->levels[walk->depth - 1].search, &walk->data) != 0;
    }
    free(walk->levels);
    free(walk);
}

void ShufflePlaylist() {
    srand((unsigned)time(nullptr));
    if (gPlaylist.first == nullptr) {
        return;
    }
    size_t count = 0;
    for (PlaylistEntry* node = gPlaylist.first; node != nullptr && node->path[0] != L'\0';
         node = node->next) {
        ++count;
    }
    if (count < 2 || count > (size_t)0x7fffffff) {
        return;
    }
    ShuffleRecord* records = (ShuffleRecord*)gAllocate(count * sizeof(ShuffleRecord));
    PlaylistEntry** nodes = (PlaylistEntry**)gAllocate(count * sizeof(PlaylistEntry*));
    if (records == nullptr || nodes == nullptr) {
        free(records);
        free(nodes);
        return;
    }
    PlaylistEntry* node = gPlaylist.first;
    for (size_t i = 0; i < count; ++i, node = node->next) {
        records[i].key = rand();
        records[i].index = (int)i;
        nodes[i] = node;
    }
    qsort(records, count, sizeof(ShuffleRecord), CompareShuffleRecords);
    // Node i takes the path that node records[i].index held: move the paths cycle by cycle,
    // marking each finished position with its own index.
    for (size_t start = 0; start < count; ++start) {
        if (records[start].index == (int)start) {
            continue;
        }
        wchar_t* held = nodes[start]->path;
        size_t i = start;
        for (;;) {
            size_t from = (size_t)records[i].index;
            records[i].index = (int)i;
            if (from == start) {
                nodes[i]->path = held;
                break;
            }
            nodes[i]->path = nodes[from]->path;
            i = from;
        }
    }
    free(records);
    free(nodes);
}
