#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "settings/media_kind.h"
#include "settings/playlist.h"
#include "unit_support.h"

namespace {

using unit::PlaylistPaths;

// Long paths need the wide calls with the "\\?\" prefix.
std::wstring Long(const std::string& path) { return L"\\\\?\\" + unit::W(path); }

void MakeFolder(const std::string& path) {
    ASSERT_TRUE(CreateDirectoryW(Long(path).c_str(), nullptr)) << path << " " << GetLastError();
}

void MakeFile(const std::string& path) {
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " " << GetLastError();
    CloseHandle(file);
}

// Names of one folder in the order the file system returns them, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((Long(folder) + L"\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(unit::U8(name));
        }
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return names;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesW(Long(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes a tree without following links; only what the tests made lives there.
void RemoveTree(const std::string& path, int depth = 0) {
    DWORD attributes = GetFileAttributesW(Long(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        depth < 2000) {
        for (const std::string& name : ListFolder(path)) {
            RemoveTree(path + "\\" + name, depth + 1);
        }
        RemoveDirectoryW(Long(path).c_str());
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(Long(path).c_str());
    } else {
        DeleteFileW(Long(path).c_str());
    }
}

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        char name[MAX_PATH + 64];
        snprintf(name, sizeof(name), "%sfvpl-%lu-%d", temp, GetCurrentProcessId(), ++counter);
        path = name;
        RemoveTree(path);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(path); }
    std::string path;
};

// The chain's shape while it is being built: entries, then one empty terminator that is
// `current`, linked both ways, with `last` just before it.
void ExpectBuildingInvariants() {
    ASSERT_NE(gPlaylist.first, nullptr);
    EXPECT_EQ(gPlaylist.first->prev, nullptr);
    PlaylistEntry* node = gPlaylist.first;
    PlaylistEntry* previous = nullptr;
    size_t count = 0;
    while (node->path[0] != L'\0') {
        EXPECT_EQ(node->prev, previous);
        EXPECT_EQ(node->key, 0);
        EXPECT_LE(wcslen(node->path), (size_t)kMaxPathChars);
        previous = node;
        node = node->next;
        ASSERT_NE(node, nullptr) << "chain without terminator";
        ++count;
    }
    EXPECT_EQ(node->next, nullptr);
    EXPECT_EQ(node->prev, previous);
    EXPECT_EQ(gPlaylist.current, node);
    EXPECT_EQ(gPlaylist.last, count == 0 ? node : previous);
}

// What a depth-first expansion of the folder gives, in the file system's own order.
void ExpectedExpansion(const std::string& folder, std::vector<std::string>* out) {
    for (const std::string& name : ListFolder(folder)) {
        if (name[0] == '.') {
            continue;
        }
        std::string joined = folder + "\\" + name;
        if (IsFolder(joined)) {
            ExpectedExpansion(joined, out);
        } else if (ClassifyMedia(unit::W(joined).c_str()) != NotPlayable) {
            out->push_back(joined);
        }
    }
}

// Makes `link` a folder link to `target`: through the system call, or, where that is only a
// stand-in (Wine), through the host's ln on the Z: drive.
bool MakeFolderLink(const std::string& link, const std::string& target) {
    if (CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2) &&
        IsFolder(link)) {
        return true;
    }

    typedef char*(CDECL * UnixNameFn)(const wchar_t*);
    UnixNameFn unixName =
        (UnixNameFn)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (unixName == nullptr) {
        return false;
    }
    char* unixTarget = unixName(unit::W(target).c_str());
    char* unixParent = unixName(unit::W(link.substr(0, link.rfind('\\'))).c_str());
    if (unixTarget == nullptr || unixParent == nullptr) {
        return false;
    }
    std::string command = std::string("ln -s \"") + unixTarget + "\" \"" + unixParent + "/" +
                          link.substr(link.rfind('\\') + 1) + "\"";
    HeapFree(GetProcessHeap(), 0, unixTarget);
    HeapFree(GetProcessHeap(), 0, unixParent);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA("Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    // A host program's handle may signal before it has finished: wait for the link itself.
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100 && !IsFolder(link); ++i) {
        Sleep(50);
    }
    return IsFolder(link);
}

// Runs the call on a thread with a small stack, so deep folder trees show any use of the
// stack that grows with the depth.
DWORD WINAPI AddPathThread(void* parameter) {
    AddPlaylistPath((const wchar_t*)parameter);
    return 0;
}

void AddPathOnSmallStack(const std::string& path) {
    std::wstring wide = unit::W(path);
    HANDLE thread = CreateThread(nullptr, 128 * 1024, AddPathThread, (void*)wide.c_str(),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u);
}

} // namespace

TEST(PlaylistBuilding, EmptyListIsOneNode) {
    ASSERT_TRUE(CreatePlaylist());
    EXPECT_EQ(gPlaylist.first, gPlaylist.current);
    EXPECT_EQ(gPlaylist.first, gPlaylist.last);
    EXPECT_EQ(gPlaylist.first->path[0], '\0');
    EXPECT_EQ(gPlaylist.first->next, nullptr);
    EXPECT_EQ(gPlaylist.first->prev, nullptr);
    ShufflePlaylist();
    EXPECT_TRUE(PlaylistPaths().empty());
    ExpectBuildingInvariants();
}

TEST(PlaylistBuilding, AppendsOnlyPlayableEntries) {
    ASSERT_TRUE(CreatePlaylist());
    AppendPlaylistEntry(L"C:\\media\\one.avi");
    AppendPlaylistEntry(L"C:\\media\\notes.txt");
    AppendPlaylistEntry(L"");
    AppendPlaylistEntry(L"C:\\media\\two.MOV");
    EXPECT_EQ(PlaylistPaths(), (std::vector<std::string>{"C:\\media\\one.avi", "C:\\media\\two.MOV"}));
    ExpectBuildingInvariants();
}

TEST(PlaylistBuilding, StoredUrlsAndMissingFiles) {
    TempFolder temp;
    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(L"http://example.com/media/clip.wmv");
    AddPlaylistPath(L"http://example.com/media/stream");
    std::string missing = temp.path + "\\missing.avi";
    AddPlaylistPath(unit::W(missing).c_str());
    AddPlaylistPath(unit::W((temp.path + "\\missing.txt")).c_str());
    EXPECT_EQ(PlaylistPaths(),
              (std::vector<std::string>{"http://example.com/media/clip.wmv", missing}));
    ExpectBuildingInvariants();
}

TEST(PlaylistBuilding, StoredPathLengthBound) {
    ASSERT_TRUE(CreatePlaylist());
    std::string fits = "C:\\" + std::string(kMaxPathChars - 7, 'a') + ".avi";
    ASSERT_EQ(fits.size(), (size_t)kMaxPathChars);
    std::string tooLong = "C:\\" + std::string(kMaxPathChars - 6, 'b') + ".avi";
    AddPlaylistPath(unit::W(fits).c_str());
    AddPlaylistPath(unit::W(tooLong).c_str());
    AppendPlaylistEntry(unit::W(tooLong).c_str());
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{fits});
    ExpectBuildingInvariants();
}

TEST(PlaylistBuilding, WithoutAListNothingHappens) {
    Playlist saved = gPlaylist;
    gPlaylist = Playlist{};
    AppendPlaylistEntry(L"C:\\a.avi");
    AddPlaylistPath(L"C:\\b.avi");
    ShufflePlaylist();
    EXPECT_EQ(gPlaylist.first, nullptr);
    EXPECT_EQ(gPlaylist.current, nullptr);
    gPlaylist = saved;
}

TEST(PlaylistFolderExpansion, SubfolderEntersWhereItIsMet) {
    TempFolder temp;
    std::string root = temp.path + "\\stored";
    MakeFolder(root);
    MakeFile(root + "\\b.avi");
    MakeFolder(root + "\\sub");
    MakeFile(root + "\\sub\\c.mp3");
    MakeFile(root + "\\d.wmv");

    std::vector<std::string> expected;
    for (const std::string& name : ListFolder(root)) {
        expected.push_back(root + "\\" + (name == "sub" ? "sub\\c.mp3" : name));
    }
    ASSERT_EQ(expected.size(), 3u);

    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(root).c_str());
    EXPECT_EQ(PlaylistPaths(), expected);
    ExpectBuildingInvariants();
}

TEST(PlaylistFolderExpansion, DeeperTreeDepthFirst) {
    TempFolder temp;
    std::string root = temp.path + "\\tree";
    MakeFolder(root);
    MakeFile(root + "\\a1.avi");
    MakeFolder(root + "\\s1");
    MakeFile(root + "\\s1\\x.mp3");
    MakeFolder(root + "\\s1\\s2");
    MakeFile(root + "\\s1\\s2\\y.wav");
    MakeFile(root + "\\s1\\s2\\readme.txt");
    MakeFolder(root + "\\s1\\empty");
    MakeFile(root + "\\s1\\z.mpeg");
    MakeFile(root + "\\a2.mov");
    MakeFile(root + "\\notes.txt");
    MakeFolder(root + "\\s3");
    MakeFile(root + "\\s3\\q.qt");

    std::vector<std::string> expected;
    ExpectedExpansion(root, &expected);
    ASSERT_EQ(expected.size(), 6u);

    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(root).c_str());
    EXPECT_EQ(PlaylistPaths(), expected);
    ExpectBuildingInvariants();
}

TEST(PlaylistFolderExpansion, ShortNamesAreAppended) {
    TempFolder temp;
    MakeFile(temp.path + "\\a.avi");
    MakeFile(temp.path + "\\1.mp3");
    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(temp.path).c_str());
    std::vector<std::string> paths = PlaylistPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{temp.path + "\\1.mp3", temp.path + "\\a.avi"}));
}

TEST(PlaylistFolderExpansion, DotNamesSkippedInFoldersOnly) {
    TempFolder temp;
    std::string hidden = temp.path + "\\.hidden.avi";
    MakeFile(hidden);
    MakeFolder(temp.path + "\\.cache");
    MakeFile(temp.path + "\\.cache\\inside.avi");
    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(temp.path).c_str());
    EXPECT_TRUE(PlaylistPaths().empty());
    AddPlaylistPath(unit::W(hidden).c_str());
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{hidden});
    ExpectBuildingInvariants();
}

TEST(PlaylistFolderExpansion, NothingPlayableAddsNothing) {
    TempFolder temp;
    MakeFile(temp.path + "\\notes.txt");
    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(temp.path).c_str());
    ExpandPlaylistFolder(unit::W((temp.path + "\\no such folder")).c_str());
    EXPECT_TRUE(PlaylistPaths().empty());
    ExpectBuildingInvariants();
}

TEST(PlaylistFolderExpansion, JoinsWithOneBackslashAsStored) {
    TempFolder temp;
    MakeFile(temp.path + "\\clip.avi");
    // Stored with forward slashes would not be a "\\?\" path; stored as typed, it is kept.
    ASSERT_TRUE(CreatePlaylist());
    ExpandPlaylistFolder(unit::W(temp.path).c_str());
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{temp.path + "\\clip.avi"});
}

TEST(PlaylistFolderExpansion, NamesOutsideTheCodePage) {
    TempFolder temp;
    // No ANSI code page holds all of these; the paths come through whole.
    std::string folder = temp.path + "\\動画 café";
    MakeFolder(folder);
    MakeFile(folder + "\\2 😀 party.mp4");
    MakeFile(folder + "\\Zoë ζ.avi");
    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(temp.path).c_str());
    std::vector<std::string> paths = PlaylistPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{folder + "\\2 😀 party.mp4", folder + "\\Zoë ζ.avi"}));
}

TEST(PlaylistPathLimit, JoinedPathsBeyondTheFieldAreLeftOut) {
    TempFolder temp;
    // Folders of 200 characters down to a depth where the joined paths pass 2083 characters.
    std::string folder = temp.path;
    std::vector<std::string> fitting;
    const std::string level(200, 'd');
    while (folder.size() + 1 + level.size() + 1 + 100 <= (size_t)kMaxPathChars) {
        folder += "\\" + level;
        MakeFolder(folder);
        MakeFile(folder + "\\clip.avi");
        fitting.push_back(folder + "\\clip.avi");
    }
    // A last folder that leaves exactly 100 characters for a name.
    size_t remaining = (size_t)kMaxPathChars - folder.size() - 1 - 1 - 100;
    ASSERT_GE(remaining, 1u);
    folder += "\\" + std::string(remaining, 'e');
    MakeFolder(folder);
    ASSERT_EQ(folder.size() + 1 + 100, (size_t)kMaxPathChars);
    std::string exact = folder + "\\" + std::string(96, 'f') + ".avi";
    std::string over = folder + "\\" + std::string(97, 'g') + ".avi";
    MakeFile(exact);
    MakeFile(over);
    fitting.push_back(exact);
    // Deeper still: a folder whose own path is too long, with files inside.
    std::string deeper = folder + "\\" + std::string(150, 'h');
    MakeFolder(deeper);
    MakeFile(deeper + "\\x.avi");

    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W(temp.path).c_str());
    std::vector<std::string> paths = PlaylistPaths();
    std::vector<std::string> sortedPaths = paths;
    std::sort(sortedPaths.begin(), sortedPaths.end());
    std::sort(fitting.begin(), fitting.end());
    EXPECT_EQ(sortedPaths, fitting);
    ExpectBuildingInvariants();
}

TEST(PlaylistPathLimit, DeepTreeOnASmallStack) {
    TempFolder temp;
    // 300 levels on a 128 KB stack: a walk that keeps path buffers on the stack per level
    // runs out long before the end.
    std::string folder = temp.path;
    for (int depth = 0; depth < 300; ++depth) {
        folder += "\\d";
        MakeFolder(folder);
    }
    std::string clip = folder + "\\a.avi";
    MakeFile(clip);

    ASSERT_TRUE(CreatePlaylist());
    DWORD start = GetTickCount();
    AddPathOnSmallStack(temp.path);
    printf("expansion of 300 levels: %lu ms\n", GetTickCount() - start);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{clip});
    ExpectBuildingInvariants();
}

TEST(PlaylistLinkLoop, LinkBackIntoAnEnclosingFolderEnds) {
    TempFolder temp;
    std::string loop = temp.path + "\\loop";
    MakeFolder(loop);
    MakeFile(loop + "\\a.avi");
    MakeFolder(loop + "\\inner");
    MakeFile(loop + "\\inner\\b.avi");
    if (!MakeFolderLink(loop + "\\inner\\back", loop)) {
        GTEST_SKIP() << "no folder links on this system";
    }
    ASSERT_TRUE(IsFolder(loop + "\\inner\\back\\inner"));

    ASSERT_TRUE(CreatePlaylist());
    DWORD start = GetTickCount();
    AddPathOnSmallStack(loop);
    EXPECT_LT(GetTickCount() - start, 60000u);
    std::vector<std::string> paths = PlaylistPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{loop + "\\a.avi", loop + "\\inner\\b.avi"}));
    ExpectBuildingInvariants();
    RemoveDirectoryW(Long(loop + "\\inner\\back").c_str());
    DeleteFileW(Long(loop + "\\inner\\back").c_str());
}

TEST(PlaylistLinkLoop, TwoLinksBackDoNotMultiply) {
    TempFolder temp;
    std::string loop = temp.path + "\\twice";
    MakeFolder(loop);
    MakeFile(loop + "\\a.avi");
    if (!MakeFolderLink(loop + "\\x", loop) || !MakeFolderLink(loop + "\\y", loop)) {
        GTEST_SKIP() << "no folder links on this system";
    }
    ASSERT_TRUE(CreatePlaylist());
    AddPathOnSmallStack(loop);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{loop + "\\a.avi"});
    RemoveDirectoryW(Long(loop + "\\x").c_str());
    RemoveDirectoryW(Long(loop + "\\y").c_str());
}

TEST(PlaylistLinkLoop, LinkToAFolderElsewhereIsFollowed) {
    TempFolder temp;
    MakeFolder(temp.path + "\\shared");
    MakeFile(temp.path + "\\shared\\s.avi");
    MakeFolder(temp.path + "\\stored");
    if (!MakeFolderLink(temp.path + "\\stored\\one", temp.path + "\\shared") ||
        !MakeFolderLink(temp.path + "\\stored\\two", temp.path + "\\shared")) {
        GTEST_SKIP() << "no folder links on this system";
    }
    ASSERT_TRUE(CreatePlaylist());
    AddPlaylistPath(unit::W((temp.path + "\\stored")).c_str());
    std::vector<std::string> paths = PlaylistPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{temp.path + "\\stored\\one\\s.avi",
                                               temp.path + "\\stored\\two\\s.avi"}));
    RemoveDirectoryW(Long(temp.path + "\\stored\\one").c_str());
    RemoveDirectoryW(Long(temp.path + "\\stored\\two").c_str());
}

namespace {

void BuildNumberedList(int count) {
    ASSERT_TRUE(CreatePlaylist());
    for (int i = 0; i < count; ++i) {
        wchar_t path[64];
        _snwprintf(path, 64, L"C:\\clips\\%03d.avi", i);
        AppendPlaylistEntry(path);
    }
}

std::vector<PlaylistEntry*> Nodes() {
    std::vector<PlaylistEntry*> nodes;
    for (PlaylistEntry* node = gPlaylist.first; node != nullptr; node = node->next) {
        nodes.push_back(node);
    }
    return nodes;
}

// Position in the original numbered order of each entry.
std::vector<int> Order() {
    std::vector<int> order;
    for (const std::string& path : PlaylistPaths()) {
        order.push_back(atoi(path.c_str() + strlen("C:\\clips\\")));
    }
    return order;
}

} // namespace

TEST(PlaylistShuffle, PermutesPathsOnly) {
    BuildNumberedList(50);
    std::vector<PlaylistEntry*> nodesBefore = Nodes();
    PlaylistEntry* first = gPlaylist.first;
    PlaylistEntry* last = gPlaylist.last;
    PlaylistEntry* current = gPlaylist.current;
    ShufflePlaylist();
    EXPECT_EQ(Nodes(), nodesBefore);
    EXPECT_EQ(gPlaylist.first, first);
    EXPECT_EQ(gPlaylist.last, last);
    EXPECT_EQ(gPlaylist.current, current);
    std::vector<int> order = Order();
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> identity(50);
    for (int i = 0; i < 50; ++i) {
        identity[i] = i;
    }
    EXPECT_EQ(sorted, identity);
    EXPECT_NE(order, identity); // 1 in 50! to fail by chance
    ExpectBuildingInvariants();
}

TEST(PlaylistShuffle, SameSecondSamePermutation) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        time_t before = time(nullptr);
        BuildNumberedList(40);
        ShufflePlaylist();
        std::vector<int> once = Order();
        ShufflePlaylist();
        std::vector<int> twice = Order();
        BuildNumberedList(40);
        ShufflePlaylist();
        std::vector<int> again = Order();
        if (time(nullptr) != before) {
            continue; // crossed a second: the seeds differ
        }
        EXPECT_EQ(again, once);
        // The second shuffle applied the same permutation to the order it found.
        std::vector<int> applied(40);
        for (int i = 0; i < 40; ++i) {
            applied[i] = once[once[i]];
        }
        EXPECT_EQ(twice, applied);
        return;
    }
    FAIL() << "every attempt crossed a second";
}

TEST(PlaylistShuffle, OneEntryUnchanged) {
    BuildNumberedList(1);
    ShufflePlaylist();
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\clips\\000.avi"});
    ExpectBuildingInvariants();
}

TEST(PlaylistShuffle, CurrentStaysOnItsNode) {
    BuildNumberedList(10);
    std::vector<PlaylistEntry*> nodes = Nodes();
    gPlaylist.current = nodes[3];
    ShufflePlaylist();
    EXPECT_EQ(gPlaylist.current, nodes[3]);
    EXPECT_EQ(gPlaylist.first, nodes[0]);
    EXPECT_EQ(gPlaylist.last, nodes[9]);
    EXPECT_EQ(nodes[10]->path[0], '\0');
    for (PlaylistEntry* node : nodes) {
        EXPECT_EQ(node->key, 0);
    }
}

TEST(PlaylistShuffle, LongestPathsSurvive) {
    ASSERT_TRUE(CreatePlaylist());
    std::vector<std::string> paths;
    for (char c = 'a'; c <= 'h'; ++c) {
        paths.push_back("C:\\" + std::string(kMaxPathChars - 7, c) + ".avi");
        AppendPlaylistEntry(unit::W(paths.back()).c_str());
    }
    ShufflePlaylist();
    std::vector<std::string> shuffled = PlaylistPaths();
    std::sort(shuffled.begin(), shuffled.end());
    EXPECT_EQ(shuffled, paths);
}

namespace {

int gAllocationsLeft = 0;

// Succeeds a given number of times, then fails.
void* LimitedAllocate(size_t size) {
    if (gAllocationsLeft <= 0) {
        return nullptr;
    }
    --gAllocationsLeft;
    return calloc(1, size);
}

struct AllocationLimit {
    explicit AllocationLimit(int count) {
        gAllocationsLeft = count;
        SetPlaylistAllocator(LimitedAllocate);
    }
    ~AllocationLimit() { SetPlaylistAllocator(nullptr); }
};

} // namespace

TEST(PlaylistOutOfMemory, NoNodeLeavesTheListAsItWas) {
    BuildNumberedList(3);
    std::vector<std::string> before = PlaylistPaths();
    PlaylistEntry* terminator = gPlaylist.current;
    {
        AllocationLimit limit(0);
        AppendPlaylistEntry(L"C:\\clips\\more.avi");
        AddPlaylistPath(L"C:\\clips\\missing.avi");
    }
    EXPECT_EQ(PlaylistPaths(), before);
    EXPECT_EQ(gPlaylist.current, terminator);
    ExpectBuildingInvariants();
    AppendPlaylistEntry(L"C:\\clips\\more.avi");
    EXPECT_EQ(PlaylistPaths().size(), 4u);
    ExpectBuildingInvariants();
}

TEST(PlaylistOutOfMemory, NoFirstNode) {
    BuildNumberedList(2);
    Playlist before = gPlaylist;
    {
        AllocationLimit limit(0);
        EXPECT_FALSE(CreatePlaylist());
    }
    EXPECT_EQ(gPlaylist.first, before.first);
    EXPECT_EQ(gPlaylist.current, before.current);
}

TEST(PlaylistOutOfMemory, FolderExpansionStopsCleanly) {
    TempFolder temp;
    MakeFolder(temp.path + "\\sub");
    for (const char* name : {"\\a.avi", "\\b.avi", "\\sub\\c.avi", "\\sub\\d.avi", "\\e.avi"}) {
        MakeFile(temp.path + name);
    }
    for (int allowed = 0; allowed < 8; ++allowed) {
        ASSERT_TRUE(CreatePlaylist());
        {
            AllocationLimit limit(allowed);
            AddPlaylistPath(unit::W(temp.path).c_str());
        }
        ExpectBuildingInvariants();
        EXPECT_LE(PlaylistPaths().size(), 5u);
    }
}

TEST(PlaylistOutOfMemory, ShuffleWithoutWorkingArrays) {
    BuildNumberedList(20);
    std::vector<std::string> before = PlaylistPaths();
    for (int allowed = 0; allowed < 2; ++allowed) {
        AllocationLimit limit(allowed);
        ShufflePlaylist();
        EXPECT_EQ(PlaylistPaths(), before);
    }
    ExpectBuildingInvariants();
}
