#include "settings/playlist.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "playback/path_text.h"
#include "settings/media_kind.h"
#include "settings/share_probe.h"

Playlist gPlaylist;

namespace {

void* AllocateZeroed(size_t size) { return calloc(1, size); }

PlaylistAllocateFunction gAllocate = AllocateZeroed;

// One folder being searched: the expansion keeps one per level instead of a stack frame, so
// a deep tree costs heap, not stack.
struct FolderLevel {
    HANDLE search;
    size_t pathLength; // the folder's path is the first pathLength bytes of the shared buffer
    int idState;       // kIdUnknown until a link makes the folder's identity matter
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};

constexpr int kIdUnknown = 0;
constexpr int kIdKnown = 1;
constexpr int kIdUnavailable = 2;

struct FolderWalk {
    char path[kPathBufferSize];
    // Queries go through the wide functions: only they take a "\\?\" path past MAX_PATH.
    wchar_t query[kQueryPathSize];
    WIN32_FIND_DATAW data;
    char name[MAX_PATH * 2 + 1]; // an entry's name in the ANSI code page
    FolderLevel* levels;
    size_t depth;
    size_t capacity;
};

// Identity of the folder whose path is the first pathLength bytes of walk.path.
void ReadFolderId(FolderWalk& walk, FolderLevel* level) {
    level->idState = kIdUnavailable;
    char saved = walk.path[level->pathLength];
    walk.path[level->pathLength] = '\0';
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

// The entry's name in the ANSI code page; false when it has characters the code page cannot
// hold, since no stored path could name such a file.
bool AnsiName(const wchar_t* name, char* ansi, int size) {
    BOOL usedDefault = FALSE;
    int converted = WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, size, nullptr, &usedDefault);
    return converted > 0 && !usedDefault;
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
    PlaylistEntry* node = (PlaylistEntry*)gAllocate(sizeof(PlaylistEntry));
    if (node == nullptr) {
        return false;
    }
    gPlaylist.first = node;
    gPlaylist.current = node;
    gPlaylist.last = node;
    ForgetShareAnswers();
    return true;
}

void AddPlaylistPath(const char* path) {
    if (path == nullptr || strlen(path) > (size_t)kMaxPathChars) {
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

void AppendPlaylistEntry(const char* path) {
    PlaylistEntry* terminator = gPlaylist.current;
    if (terminator == nullptr || path == nullptr || path[0] == '\0') {
        return;
    }
    size_t length = strlen(path);
    if (length > (size_t)kMaxPathChars || ClassifyMedia(path) == NotPlayable) {
        return;
    }
    // The new terminator first: without it the list stays exactly as it was.
    PlaylistEntry* node = (PlaylistEntry*)gAllocate(sizeof(PlaylistEntry));
    if (node == nullptr) {
        return;
    }
    memcpy(terminator->path, path, length + 1);
    gPlaylist.last = terminator;
    terminator->next = node;
    node->prev = terminator;
    gPlaylist.current = node;
}

void ExpandPlaylistFolder(const char* folder) {
    if (folder == nullptr) {
        return;
    }
    size_t folderLength = strlen(folder);
    if (folderLength > (size_t)kMaxPathChars) {
        return;
    }
    FolderWalk* walk = (FolderWalk*)gAllocate(sizeof(FolderWalk));
    if (walk == nullptr) {
        return;
    }
    memcpy(walk->path, folder, folderLength + 1);
    bool haveEntry = EnterFolder(*walk, folderLength, false);
    while (walk->depth > 0) {
        if (!haveEntry) {
            FindClose(walk->levels[walk->depth - 1].search);
            if (--walk->depth == 0) {
                break;
            }
            FolderLevel& outer = walk->levels[walk->depth - 1];
            walk->path[outer.pathLength] = '\0';
            haveEntry = FindNextFileW(outer.search, &walk->data) != 0;
            continue;
        }
        size_t base = walk->levels[walk->depth - 1].pathLength;
        const char* name = walk->name;
        if (walk->data.cFileName[0] != L'.' && walk->data.cFileName[0] != L'\0' &&
            AnsiName(walk->data.cFileName, walk->name, (int)sizeof(walk->name))) {
            size_t nameLength = strlen(name);
            // A joined path that would not fit an entry is left out, folder or file.
            if (base + 1 + nameLength <= (size_t)kMaxPathChars) {
                walk->path[base] = '\\';
                memcpy(walk->path + base + 1, name, nameLength + 1);
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
                walk->path[base] = '\0';
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
    for (PlaylistEntry* node = gPlaylist.first; node != nullptr && node->path[0] != '\0';
         node = node->next) {
        ++count;
    }
    if (count < 2 || count > (size_t)0x7fffffff) {
        return;
    }
    ShuffleRecord* records = (ShuffleRecord*)gAllocate(count * sizeof(ShuffleRecord));
    PlaylistEntry** nodes = (PlaylistEntry**)gAllocate(count * sizeof(PlaylistEntry*));
    char* held = (char*)gAllocate(kPathBufferSize);
    if (records == nullptr || nodes == nullptr || held == nullptr) {
        free(records);
        free(nodes);
        free(held);
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
        memcpy(held, nodes[start]->path, kPathBufferSize);
        size_t i = start;
        for (;;) {
            size_t from = (size_t)records[i].index;
            records[i].index = (int)i;
            if (from == start) {
                memcpy(nodes[i]->path, held, kPathBufferSize);
                break;
            }
            memcpy(nodes[i]->path, nodes[from]->path, kPathBufferSize);
            i = from;
        }
    }
    free(records);
    free(nodes);
    free(held);
}
