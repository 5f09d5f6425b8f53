// Times AddPlaylistPath over a tree of 20,000 files in 400 folders (half of them playable)
// beside a bare FindFirstFileA walk of the same tree, and reports the memory the list takes.
#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "settings/playlist.h"

namespace {

constexpr int kTopFolders = 20;
constexpr int kSubFolders = 19; // per top folder: 20 + 20 * 19 = 400 folders
constexpr int kFilesPerFolder = 50;

const char* const kPlayable[] = {"avi", "mp3", "wmv", "mov", "mpg"};
const char* const kOther[] = {"txt", "jpg", "nfo", "srt", "ini"};

double Now() {
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

void FillFolder(const char* folder, int* files) {
    for (int i = 0; i < kFilesPerFolder; ++i) {
        char path[MAX_PATH];
        const char* extension = (i % 2 == 0) ? kPlayable[i / 2 % 5] : kOther[i / 2 % 5];
        snprintf(path, sizeof(path), "%s\\clip %04d.%s", folder, i, extension);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            ++*files;
        }
    }
}

int MakeTree(const char* root) {
    int files = 0;
    CreateDirectoryA(root, nullptr);
    for (int t = 0; t < kTopFolders; ++t) {
        char top[MAX_PATH];
        snprintf(top, sizeof(top), "%s\\top %02d", root, t);
        CreateDirectoryA(top, nullptr);
        FillFolder(top, &files);
        for (int s = 0; s < kSubFolders; ++s) {
            char sub[MAX_PATH];
            snprintf(sub, sizeof(sub), "%s\\sub %02d", top, s);
            CreateDirectoryA(sub, nullptr);
            FillFolder(sub, &files);
        }
    }
    return files;
}

void RemoveTree(const char* folder) {
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof(pattern), "%s\\*", folder);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (data.cFileName[0] == '.') {
                continue;
            }
            char path[MAX_PATH];
            snprintf(path, sizeof(path), "%s\\%s", folder, data.cFileName);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileA(path);
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
}

// The least a walk must do: search every folder and visit every name.
void BareWalk(const char* folder, int* files) {
    char pattern[MAX_PATH];
    snprintf(pattern, sizeof(pattern), "%s\\*", folder);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (data.cFileName[0] == '.') {
            continue;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            char path[MAX_PATH];
            snprintf(path, sizeof(path), "%s\\%s", folder, data.cFileName);
            BareWalk(path, files);
        } else {
            ++*files;
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

// The entries, and the bytes their nodes take with their paths.
int CountEntries(size_t* nodeBytes = nullptr) {
    int count = 0;
    size_t bytes = 0;
    for (PlaylistEntry* node = gPlaylist.first; node != nullptr && node->path[0] != L'\0';
         node = node->next) {
        ++count;
        bytes += sizeof(PlaylistEntry) + (wcslen(node->path) + 1) * sizeof(wchar_t);
    }
    if (nodeBytes != nullptr) {
        *nodeBytes = bytes;
    }
    return count;
}

// Committed private memory, summed over the address space: Wine keeps no private-bytes count.
SIZE_T PrivateCommitted() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    const char* address = nullptr;
    while (VirtualQuery(address, &info, sizeof(info)) == sizeof(info)) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
            total += info.RegionSize;
        }
        const char* next = (const char*)info.BaseAddress + info.RegionSize;
        if (next <= address) {
            break;
        }
        address = next;
    }
    return total;
}

// What the list's nodes cost by themselves: allocating and first touching as many, of the
// nodes' mean size with their paths.
double TimeNodeMemory(int count, size_t nodeSize) {
    double start = Now();
    for (int i = 0; i < count; ++i) {
        char* node = (char*)calloc(1, nodeSize);
        if (node == nullptr) {
            break;
        }
        node[nodeSize - 1] = 'x';
    }
    return Now() - start;
}

PROCESS_MEMORY_COUNTERS_EX Memory() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters,
                         sizeof(counters));
    return counters;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char root[MAX_PATH];
    snprintf(root, sizeof(root), "%sflickvane-bench-%lu", temp, GetCurrentProcessId());

    double start = Now();
    int made = MakeTree(root);
    printf("tree: %d files in %d folders under %s (%.0f ms to make)\n", made,
           kTopFolders * (1 + kSubFolders), root, Now() - start);

    // Warm the file system's caches for both walks alike.
    int files = 0;
    BareWalk(root, &files);

    const int rounds = 5;
    std::vector<double> bareTimes;
    std::vector<double> listTimes;
    std::vector<double> nodeTimes;
    int entries = 0;
    size_t nodeSize = sizeof(PlaylistEntry);
    SIZE_T privateDelta = 0;
    SIZE_T workingSetDelta = 0;
    for (int round = 0; round < rounds; ++round) {
        files = 0;
        start = Now();
        BareWalk(root, &files);
        bareTimes.push_back(Now() - start);

        PROCESS_MEMORY_COUNTERS_EX before = Memory();
        SIZE_T privateBefore = PrivateCommitted();
        start = Now();
        CreatePlaylist();
        wchar_t wideRoot[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, root, -1, wideRoot, MAX_PATH);
        AddPlaylistPath(wideRoot);
        listTimes.push_back(Now() - start);
        PROCESS_MEMORY_COUNTERS_EX after = Memory();
        if (round == 0) {
            privateDelta = PrivateCommitted() - privateBefore;
            workingSetDelta = after.WorkingSetSize - before.WorkingSetSize;
        }
        size_t nodeBytes = 0;
        entries = CountEntries(&nodeBytes);
        nodeSize = entries > 0 ? nodeBytes / (size_t)entries : sizeof(PlaylistEntry);
        nodeTimes.push_back(TimeNodeMemory(entries, nodeSize));
    }

    double bare = Median(bareTimes);
    double list = Median(listTimes);
    printf("bare FindFirstFileA walk: %.1f ms (%d files, median of %d)\n", bare, files, rounds);
    printf("playlist through AddPlaylistPath: %.1f ms (%d entries, median of %d)\n", list,
           entries, rounds);
    double nodes = Median(nodeTimes);
    printf("ratio: %.2f\n", list / bare);
    printf("of which node memory alone (allocating and first touching %d nodes of %u bytes): "
           "%.1f ms; bare walk + node memory: ratio %.2f\n",
           entries, (unsigned)nodeSize, nodes, (bare + nodes) / bare);
    printf("memory of one list: private bytes +%.1f MB, working set +%.1f MB (%.0f bytes per entry)\n",
           privateDelta / 1048576.0, workingSetDelta / 1048576.0,
           entries > 0 ? (double)privateDelta / entries : 0.0);

    RemoveTree(root);
    return entries == made / 2 ? 0 : 1;
}
