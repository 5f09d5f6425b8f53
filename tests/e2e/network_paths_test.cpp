// The real Flickvane.scr on paths as users store them: a folder and a file on a network share
// (served by Wine from the prefix's dosdevices\unc), a folder written with forward slashes, a
// clip deeper than MAX_PATH found by the folder walk, and a clip another program is writing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), &wide[0],
                                     (int)wide.size());
    wide.resize(length > 0 ? (size_t)length : 0);
    return wide;
}

// Drive paths of any length, through the long form.
std::wstring Long(const std::string& path) { return L"\\\\?\\" + Wide(path); }

void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); ; at = path.find('\\', at + 1)) {
        CreateDirectoryW(Long(path.substr(0, at)).c_str(), nullptr);
        if (at == std::string::npos) {
            break;
        }
    }
}

void CopyClip(const char* name, const std::string& folder) {
    ASSERT_TRUE(CopyFileW(Long(MediaClip(name)).c_str(), Long(folder + "\\" + name).c_str(),
                          FALSE))
        << folder << " " << GetLastError();
}

// The folder that Wine serves as \\server\share.
std::string ShareFolder(const char* server, const char* share) {
    char prefix[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof(prefix));
    std::string folder = "Z:";
    for (const char* p = prefix; *p; p++) {
        folder += *p == '/' ? '\\' : *p;
    }
    return folder + "\\dosdevices\\unc\\" + server + "\\" + share;
}

COLORREF ClipColour(const std::string& name) {
    return name == "red.avi" ? kRed : name == "green.avi" ? kGreen : kBlue;
}

class NetworkAndLongPaths : public SaverPlaylistTest {
protected:
    // Starts the saver on the entries and waits for the clip's colour and title.
    HWND StartOn(const std::vector<std::string>& entries) {
        WriteSettings(PlaylistLines(entries, {"Repeat=0"}));
        return saver.StartFullScreen();
    }
    bool Plays(HWND window, const std::string& name) {
        return WaitUntil([&] { return WindowText(window) == name && PictureShows(ClipColour(name)); },
                         10000, 40);
    }
};

} // namespace

TEST_F(NetworkAndLongPaths, AStoredNetworkFolderPlaysItsClipsInOrder) {
    std::string share = ShareFolder("nas", "videos");
    MakeFolders(share);
    for (const char* name : {"red.avi", "green.avi", "blue.avi"}) {
        CopyClip(name, share);
    }
    std::vector<std::string> order = FolderListing("\\\\nas\\videos\\*");
    ASSERT_EQ(order.size(), 3u) << "Wine does not serve \\\\nas\\videos from " << share;

    HWND window = StartOn({"\\\\nas\\videos"});
    ASSERT_NE(window, nullptr);
    for (const std::string& name : order) {
        EXPECT_TRUE(Plays(window, name)) << name;
    }
}

TEST_F(NetworkAndLongPaths, ANetworkFileThenAFolderWrittenWithSlashes) {
    std::string share = ShareFolder("nas", "clips");
    MakeFolders(share);
    CopyClip("green.avi", share);
    std::string slashed = TempDir() + "\\path\\with\\slashes";
    MakeFolders(slashed);
    CopyClip("blue.avi", slashed);
    for (char& c : slashed) {
        c = c == '\\' ? '/' : c;
    }

    HWND window = StartOn({"\\\\nas\\clips\\green.avi", slashed});
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Plays(window, "green.avi"));
    EXPECT_TRUE(Plays(window, "blue.avi"));
}

TEST_F(NetworkAndLongPaths, AClipDeeperThanMaxPathFoundByTheWalkPlays) {
    std::string root = TempDir() + "\\deep";
    std::string folder = root;
    while (folder.size() < MAX_PATH) {
        folder += "\\" + std::string(60, 'd');
    }
    MakeFolders(folder);
    CopyClip("red.avi", folder);
    ASSERT_GT((folder + "\\red.avi").size(), (size_t)MAX_PATH);

    HWND window = StartOn({root});
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Plays(window, "red.avi"));
}

TEST_F(NetworkAndLongPaths, AClipThatAnotherProgramIsWritingNeverFailsTheSaver) {
    std::string folder = TempDir() + "\\writing";
    MakeFolders(folder);
    CopyClip("green.avi", folder);
    std::string clip = folder + "\\green.avi";
    // Held open for writing, letting others read, as a recorder or a copy in progress does.
    HANDLE writer = CreateFileA(clip.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);

    // The file test finds it; it plays where the system's source shares the file with its
    // writer (Wine's does not), and is passed over otherwise: no DirectShow error either way.
    HWND window = StartOn({clip, MediaClip("blue.avi")});
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(Plays(window, "blue.avi"));
    EXPECT_EQ(FindProcessWindow(saver.Id(), "#32770"), nullptr);
    EXPECT_TRUE(saver.Running());
    CloseHandle(writer);
}
