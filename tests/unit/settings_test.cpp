#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/playlist.h"
#include "settings/settings.h"
#include "unit_support.h"

namespace {

using unit::PlaylistPaths;
using unit::ReadBytes;

void UseStandardNames() {
    wcscpy(gSettings.sectionName, L"Flickvane");
    wcscpy(gSettings.fileName, L"Flickvane.ini");
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    // The profile functions may hold an older copy of the file.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    DeleteFileA(path.c_str());
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
}

// A settings folder of its own for each test, under the temporary folder.
class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        char name[MAX_PATH + 64];
        snprintf(name, sizeof(name), "%sfvset-%lu-%d", temp, GetCurrentProcessId(), ++counter);
        folder = name;
        CreateDirectoryA(folder.c_str(), nullptr);
        file = folder + "\\Flickvane.ini";
        userFolder = folder + "\\user\\Flickvane";
        userFile = userFolder + "\\Flickvane.ini";
        UseStandardNames();
        SetSettingsFolder(unit::W(folder).c_str());
        SetUserSettingsFolder(unit::W(userFolder).c_str());
        storeFolder = folder + "\\store";
        storeFile = storeFolder + "\\Flickvane.ini";
        SetVirtualStoreFolder(unit::W(storeFolder).c_str());
        gSettings.Size = 0;
        gSettings.Monitors = 0;
    }
    void TearDown() override {
        SetSettingsFolder(nullptr);
        SetUserSettingsFolder(nullptr);
        SetVirtualStoreFolder(nullptr);
        SetSettingsWriter(nullptr);
        for (const std::string& path : {file, userFile, storeFile}) {
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
            DeleteFileA(path.c_str());
        }
        RemoveDirectoryA(storeFolder.c_str());
        RemoveDirectoryA(userFolder.c_str());
        RemoveDirectoryA((folder + "\\user").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    void WriteIni(const std::string& body) { WriteBytes(file, "[Flickvane]\r\n" + body); }
    // The per-user file, its folders made first.
    void WriteUserIni(const std::string& body) {
        CreateDirectoryA((folder + "\\user").c_str(), nullptr);
        CreateDirectoryA(userFolder.c_str(), nullptr);
        WriteBytes(userFile, "[Flickvane]\r\n" + body);
    }

    std::string folder;
    std::string file;
    std::string userFolder;
    std::string userFile;
    std::string storeFolder;
    std::string storeFile;
};

// The configuration dialog's controls, in a plain window.
class DialogControls {
public:
    DialogControls() {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&init);
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        Child(WC_LISTVIEWA, LVS_REPORT, IDC_PLAYLIST);
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 300;
        SendDlgItemMessageA(window, IDC_PLAYLIST, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
        for (int id : {IDC_REPEAT, IDC_RANDOM, IDC_MUTE, IDC_KEYBOARD, IDC_ESCKEY, IDC_RESUME}) {
            Child("BUTTON", BS_AUTOCHECKBOX, id);
        }
        for (int id = IDC_SIZE_50; id <= IDC_SIZE_FULL; ++id) {
            Child("BUTTON", BS_AUTORADIOBUTTON | (id == IDC_SIZE_50 ? WS_GROUP : 0), id);
        }
        for (int id : {IDC_ASPECT_4_3, IDC_ASPECT_16_9, IDC_ASPECT_VIDEO, IDC_ASPECT_SCREEN}) {
            Child("BUTTON", BS_AUTORADIOBUTTON | (id == IDC_ASPECT_4_3 ? WS_GROUP : 0), id);
        }
        for (int id = IDC_MONITORS_PRIMARY; id <= IDC_MONITORS_SPAN; ++id) {
            Child("BUTTON", BS_AUTORADIOBUTTON | (id == IDC_MONITORS_PRIMARY ? WS_GROUP : 0), id);
        }
        Child(TRACKBAR_CLASSA, TBS_VERT, IDC_VOLUME);
        SendDlgItemMessageA(window, IDC_VOLUME, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10000));
    }
    ~DialogControls() { DestroyWindow(window); }

    bool Checked(int id) const { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    void Check(int id, bool on) { CheckDlgButton(window, id, on ? BST_CHECKED : BST_UNCHECKED); }

    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        int count = (int)SendDlgItemMessageA(window, IDC_PLAYLIST, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[kPathBufferSize + 8] = "";
            LVITEMA item = {};
            item.pszText = text;
            item.cchTextMax = (int)sizeof(text);
            SendDlgItemMessageA(window, IDC_PLAYLIST, LVM_GETITEMTEXTA, i, (LPARAM)&item);
            items.push_back(text);
        }
        return items;
    }
    void AddItem(const std::string& text) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)Items().size();
        item.pszText = const_cast<char*>(text.c_str());
        SendDlgItemMessageA(window, IDC_PLAYLIST, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    void AddWideItem(const std::wstring& text) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)Items().size();
        item.pszText = const_cast<wchar_t*>(text.c_str());
        SendDlgItemMessageW(window, IDC_PLAYLIST, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
    void SetVolumePosition(int position) {
        SendDlgItemMessageA(window, IDC_VOLUME, TBM_SETPOS, TRUE, position);
    }

    HWND window;

private:
    void Child(const char* className, DWORD style, int id) {
        HWND child = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 20,
                                     window, (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(child, nullptr) << className << " " << id;
    }
};

const int kSizeButtons[] = {IDC_SIZE_50, IDC_SIZE_75, IDC_SIZE_100,
                            IDC_SIZE_150, IDC_SIZE_200, IDC_SIZE_FULL};
const int kAspectButtons[] = {IDC_ASPECT_4_3, IDC_ASPECT_16_9, IDC_ASPECT_VIDEO,
                              IDC_ASPECT_SCREEN};

std::vector<int> CheckedOf(const DialogControls& dialog, const int* ids, size_t count) {
    std::vector<int> checked;
    for (size_t i = 0; i < count; ++i) {
        if (dialog.Checked(ids[i])) {
            checked.push_back(ids[i]);
        }
    }
    return checked;
}

std::vector<int> CheckedSizes(const DialogControls& dialog) {
    return CheckedOf(dialog, kSizeButtons, 6);
}
std::vector<int> CheckedAspects(const DialogControls& dialog) {
    return CheckedOf(dialog, kAspectButtons, 4);
}

} // namespace

TEST(SettingsDecisions, OnlyOneTurnsASwitchOn) {
    EXPECT_EQ(SwitchFromStored(1), 1);
    EXPECT_EQ(SwitchFromStored(0), 0);
    EXPECT_EQ(SwitchFromStored(2), 0);
    EXPECT_EQ(SwitchFromStored(-1), 0);
    EXPECT_EQ(SwitchFromStored(257), 0);
}

TEST(SettingsDecisions, SizeCodes) {
    int size = 42;
    EXPECT_TRUE(SizeFromStored(0, &size));
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(SizeFromStored(6, &size));
    EXPECT_EQ(size, 0);
    for (int code = 1; code <= 5; ++code) {
        EXPECT_TRUE(SizeFromStored(code, &size));
        EXPECT_EQ(size, code);
    }
    size = 3;
    EXPECT_FALSE(SizeFromStored(7, &size));
    EXPECT_FALSE(SizeFromStored(9, &size));
    EXPECT_FALSE(SizeFromStored(-1, &size));
    EXPECT_EQ(size, 3);
    EXPECT_EQ(StoredFromSize(0), 6);
    for (int code = 1; code <= 5; ++code) {
        EXPECT_EQ(StoredFromSize(code), code);
    }
}

TEST(SettingsDecisions, ButtonsOfTheCodes) {
    EXPECT_EQ(SizeButtonForSize(0), IDC_SIZE_FULL);
    EXPECT_EQ(SizeButtonForSize(1), IDC_SIZE_50);
    EXPECT_EQ(SizeButtonForSize(5), IDC_SIZE_200);
    EXPECT_EQ(SizeButtonForSize(6), 0);
    EXPECT_EQ(AspectButtonForRatio(0), IDC_ASPECT_VIDEO);
    EXPECT_EQ(AspectButtonForRatio(1), IDC_ASPECT_4_3);
    EXPECT_EQ(AspectButtonForRatio(2), IDC_ASPECT_16_9);
    EXPECT_EQ(AspectButtonForRatio(3), IDC_ASPECT_SCREEN);
    EXPECT_EQ(AspectButtonForRatio(7), 0);
    EXPECT_EQ(AspectButtonForRatio(-1), 0);
    for (int size = 0; size <= 5; ++size) {
        EXPECT_EQ(SizeForButton(SizeButtonForSize(size)), size);
    }
    for (int ratio = 0; ratio <= 3; ++ratio) {
        EXPECT_EQ(AspectRatioForButton(AspectButtonForRatio(ratio)), ratio);
    }
    EXPECT_EQ(SizeForButton(IDC_ASPECT_4_3), -1);
    EXPECT_EQ(AspectRatioForButton(IDC_SIZE_FULL), -1);
}

TEST_F(SettingsFile, MissingFileGivesDefaults) {
    gSettings.Repeat = gSettings.Random = gSettings.Mute = gSettings.Keyboard = 1;
    gSettings.ESCKey = 1;
    gSettings.AspectRatio = 3;
    gSettings.Volume = -7;
    gSettings.FilesNum = 9;
    LoadSettings(nullptr, 0);
    EXPECT_TRUE(PlaylistPaths().empty());
    EXPECT_EQ(gPlaylist.first, gPlaylist.current);
    EXPECT_EQ(gPlaylist.first, gPlaylist.last);
    EXPECT_EQ(gSettings.FilesNum, 0u);
    EXPECT_EQ(gSettings.Repeat, 0);
    EXPECT_EQ(gSettings.Random, 0);
    EXPECT_EQ(gSettings.Mute, 0);
    EXPECT_EQ(gSettings.Keyboard, 0);
    EXPECT_EQ(gSettings.ESCKey, 0);
    EXPECT_EQ(gSettings.Size, 0);
    EXPECT_EQ(gSettings.AspectRatio, 1);
    EXPECT_EQ(gSettings.Volume, 0);
    EXPECT_FALSE(FileExists(file));
}

TEST_F(SettingsFile, MissingFileInTheDialog) {
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    EXPECT_TRUE(dialog.Items().empty());
    for (int id : {IDC_REPEAT, IDC_RANDOM, IDC_MUTE, IDC_KEYBOARD, IDC_ESCKEY}) {
        EXPECT_FALSE(dialog.Checked(id)) << id;
    }
    EXPECT_EQ(CheckedSizes(dialog), std::vector<int>{IDC_SIZE_FULL});
    EXPECT_EQ(CheckedAspects(dialog), std::vector<int>{IDC_ASPECT_4_3});
    EXPECT_TRUE(PlaylistPaths().empty());
}

TEST_F(SettingsFile, EntriesEndAtTheFirstMissingKey) {
    WriteIni("FilesNum=3\r\nFile1=C:\\a.avi\r\nFile3=C:\\c.avi\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\a.avi"});
    EXPECT_EQ(gSettings.FilesNum, 3u);
}

TEST_F(SettingsFile, EntriesBeyondTheCountAreNotRead) {
    WriteIni("FilesNum=1\r\nFile1=C:\\a.avi\r\nFile2=C:\\b.avi\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\a.avi"});
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    EXPECT_EQ(dialog.Items(), std::vector<std::string>{"C:\\a.avi"});
}

TEST_F(SettingsFile, SaverModeFiltersAndExpands) {
    std::string media = folder + "\\media";
    CreateDirectoryA(media.c_str(), nullptr);
    HANDLE clip = CreateFileA((media + "\\x.mp3").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              0, nullptr);
    CloseHandle(clip);
    WriteIni("FilesNum=4\r\nFile1=C:\\notes.txt\r\nFile2=" + media +
             "\r\nFile3=http://example.com/a.wmv\r\nFile4=C:\\missing.avi\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths(), (std::vector<std::string>{media + "\\x.mp3", "http://example.com/a.wmv",
                                                         "C:\\missing.avi"}));
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    EXPECT_EQ(dialog.Items(), (std::vector<std::string>{"C:\\notes.txt", media, "http://example.com/a.wmv",
                                                       "C:\\missing.avi"}));
    EXPECT_TRUE(PlaylistPaths().empty());
    DeleteFileA((media + "\\x.mp3").c_str());
    RemoveDirectoryA(media.c_str());
}

TEST_F(SettingsFile, OverlongEntryIsLeftOutInTheSaver) {
    std::string tooLong = "C:\\" + std::string(kMaxPathChars - 6, 'b') + ".avi";
    WriteIni("FilesNum=2\r\nFile1=" + tooLong + "\r\nFile2=C:\\after.avi\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\after.avi"});
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    std::vector<std::string> items = dialog.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], tooLong.substr(0, kMaxPathChars));
}

TEST_F(SettingsFile, SwitchesNeedExactlyOne) {
    WriteIni("Repeat=2\r\nRandom=0\r\nMute=1\r\nKeyboard=-1\r\nESCKey=1\r\nResume=1\r\n");
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    EXPECT_EQ(gSettings.Resume, 1);
    EXPECT_TRUE(dialog.Checked(IDC_RESUME));
    EXPECT_EQ(gSettings.Repeat, 0);
    EXPECT_EQ(gSettings.Random, 0);
    EXPECT_EQ(gSettings.Mute, 1);
    EXPECT_EQ(gSettings.Keyboard, 0);
    EXPECT_EQ(gSettings.ESCKey, 1);
    EXPECT_FALSE(dialog.Checked(IDC_REPEAT));
    EXPECT_FALSE(dialog.Checked(IDC_RANDOM));
    EXPECT_TRUE(dialog.Checked(IDC_MUTE));
    EXPECT_FALSE(dialog.Checked(IDC_KEYBOARD));
    EXPECT_TRUE(dialog.Checked(IDC_ESCKEY));
}

TEST_F(SettingsFile, RandomShufflesTheBuiltList) {
    std::string body = "FilesNum=40\r\n";
    std::vector<std::string> stored;
    for (int i = 1; i <= 40; ++i) {
        char line[64];
        snprintf(line, sizeof(line), "C:\\clips\\%02d.avi", i);
        stored.push_back(line);
        body += "File" + std::to_string(i) + "=" + line + "\r\n";
    }
    WriteIni(body + "Random=1\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Random, 1);
    std::vector<std::string> paths = PlaylistPaths();
    EXPECT_NE(paths, stored);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, stored);
}

TEST_F(SettingsFile, SizeZeroIsFullScreen) {
    WriteIni("Size=0\r\n");
    gSettings.Size = 3;
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    EXPECT_EQ(gSettings.Size, 0);
    EXPECT_EQ(CheckedSizes(dialog), std::vector<int>{IDC_SIZE_FULL});
}

TEST_F(SettingsFile, SizeCodesCheckTheirButtons) {
    for (int code = 1; code <= 6; ++code) {
        WriteIni("Size=" + std::to_string(code) + "\r\n");
        DialogControls dialog;
        dialog.Check(IDC_SIZE_150, true);
        LoadSettings(dialog.window, 1);
        EXPECT_EQ(gSettings.Size, code == 6 ? 0 : code);
        EXPECT_EQ(CheckedSizes(dialog), std::vector<int>{SizeButtonForSize(code == 6 ? 0 : code)});
    }
}

TEST_F(SettingsFile, SizeOutOfRangeKeepsTheRecord) {
    WriteIni("Size=9\r\n");
    gSettings.Size = 0;
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Size, 0);
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    EXPECT_TRUE(CheckedSizes(dialog).empty());
    gSettings.Size = 4;
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Size, 4);
}

TEST_F(SettingsFile, AspectRatioAsRead) {
    WriteIni("AspectRatio=0\r\n");
    {
        DialogControls dialog;
        LoadSettings(dialog.window, 1);
        EXPECT_EQ(gSettings.AspectRatio, 0);
        EXPECT_EQ(CheckedAspects(dialog), std::vector<int>{IDC_ASPECT_VIDEO});
    }
    WriteIni("AspectRatio=7\r\n");
    {
        DialogControls dialog;
        LoadSettings(dialog.window, 1);
        EXPECT_EQ(gSettings.AspectRatio, 7);
        EXPECT_TRUE(CheckedAspects(dialog).empty());
    }
}

TEST_F(SettingsFile, VolumeIsSigned) {
    WriteIni("Volume=-500\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Volume, -500);
}

TEST_F(SettingsFile, SaveWritesEveryKeyInOrder) {
    WriteIni("Other=1\r\n[Elsewhere]\r\nKey=2\r\n");
    DialogControls dialog;
    dialog.AddItem("C:\\clips\\one.avi");
    dialog.AddItem("D:\\\x93\xae\x89\xe6");
    dialog.AddItem("http://example.com/a.wmv");
    dialog.Check(IDC_REPEAT, true);
    dialog.Check(IDC_MUTE, true);
    dialog.Check(IDC_ESCKEY, true);
    dialog.Check(IDC_RESUME, true);
    dialog.Check(IDC_SIZE_75, true);
    dialog.Check(IDC_ASPECT_SCREEN, true);
    dialog.SetVolumePosition(500);
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_EQ(gSettings.FilesNum, 3u);
    EXPECT_EQ(unit::CrLfLines(ReadBytes(file)),
              (std::vector<std::string>{"[Flickvane]", "FilesNum=3", "File1=C:\\clips\\one.avi",
                                        "File2=D:\\\x93\xae\x89\xe6", "File3=http://example.com/a.wmv",
                                        "Repeat=1", "Random=0", "Mute=1", "Keyboard=0", "ESCKey=1",
                                        "Size=2", "AspectRatio=3", "Volume=-500", "Monitors=0", "Resume=1"}));
}

TEST_F(SettingsFile, LoadThenSaveDropsStaleKeys) {
    WriteIni("FilesNum=1\r\nFile1=C:\\a.avi\r\nFile2=C:\\b.avi\r\nSize=0\r\nVolume=-500\r\n"
             "AspectRatio=0\r\n");
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    dialog.SetVolumePosition(-gSettings.Volume);
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_EQ(unit::CrLfLines(ReadBytes(file)),
              (std::vector<std::string>{"[Flickvane]", "FilesNum=1", "File1=C:\\a.avi", "Repeat=0",
                                        "Random=0", "Mute=0", "Keyboard=0", "ESCKey=0", "Size=6",
                                        "AspectRatio=0", "Volume=-500", "Monitors=0", "Resume=0"}));
}

TEST_F(SettingsFile, MissingKeyStopsAndSaveShortensTheCount) {
    WriteIni("FilesNum=3\r\nFile1=C:\\a.avi\r\nFile3=C:\\c.avi\r\n");
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    ASSERT_TRUE(SaveSettings(dialog.window));
    std::vector<std::string> lines = unit::CrLfLines(ReadBytes(file));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[1], "FilesNum=1");
    EXPECT_EQ(lines[2], "File1=C:\\a.avi");
    EXPECT_EQ(lines[3], "Repeat=0");
}

TEST_F(SettingsFile, UnknownCodesWithoutButtons) {
    WriteIni("Size=9\r\nAspectRatio=7\r\nMonitors=9\r\n");
    DialogControls dialog;
    LoadSettings(dialog.window, 1);
    for (int id = IDC_MONITORS_PRIMARY; id <= IDC_MONITORS_SPAN; ++id) {
        EXPECT_FALSE(dialog.Checked(id)) << id;
    }
    ASSERT_TRUE(SaveSettings(dialog.window));
    char value[16];
    GetPrivateProfileStringA("Flickvane", "Size", "", value, sizeof(value), file.c_str());
    EXPECT_STREQ(value, "6");
    GetPrivateProfileStringA("Flickvane", "AspectRatio", "", value, sizeof(value), file.c_str());
    EXPECT_STREQ(value, "7");
    GetPrivateProfileStringA("Flickvane", "Monitors", "", value, sizeof(value), file.c_str());
    EXPECT_STREQ(value, "9");
    // A known mode checks its button and is written from it.
    WriteIni("Monitors=2\r\n");
    DialogControls known;
    LoadSettings(known.window, 1);
    EXPECT_TRUE(known.Checked(IDC_MONITORS_EACH));
    known.Check(IDC_MONITORS_EACH, false);
    known.Check(IDC_MONITORS_SPAN, true);
    ASSERT_TRUE(SaveSettings(known.window));
    GetPrivateProfileStringA("Flickvane", "Monitors", "", value, sizeof(value), file.c_str());
    EXPECT_STREQ(value, "3");
}

TEST_F(SettingsFile, EmptyItemsAreNotWritten) {
    DialogControls dialog;
    dialog.AddItem("C:\\a.avi");
    dialog.AddItem("");
    dialog.AddItem("  \t ");
    dialog.AddItem("C:\\c.avi");
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_EQ(gSettings.FilesNum, 2u);
    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths(), (std::vector<std::string>{"C:\\a.avi", "C:\\c.avi"}));
}

TEST_F(SettingsFile, SavedFileReadsBack) {
    DialogControls dialog;
    std::string longest = "C:\\" + std::string(kMaxPathChars - 7, 'z') + ".avi";
    dialog.AddItem(longest);
    dialog.Check(IDC_RANDOM, true);
    dialog.Check(IDC_KEYBOARD, true);
    dialog.Check(IDC_SIZE_FULL, true);
    dialog.Check(IDC_ASPECT_16_9, true);
    dialog.SetVolumePosition(10000);
    ASSERT_TRUE(SaveSettings(dialog.window));
    DialogControls again;
    LoadSettings(again.window, 1);
    EXPECT_EQ(again.Items(), std::vector<std::string>{longest});
    EXPECT_TRUE(again.Checked(IDC_RANDOM));
    EXPECT_TRUE(again.Checked(IDC_KEYBOARD));
    EXPECT_FALSE(again.Checked(IDC_REPEAT));
    EXPECT_EQ(CheckedSizes(again), std::vector<int>{IDC_SIZE_FULL});
    EXPECT_EQ(CheckedAspects(again), std::vector<int>{IDC_ASPECT_16_9});
    EXPECT_EQ(gSettings.Volume, -10000);
}

TEST(SettingsWindowsFolder, FileLivesInTheWindowsFolder) {
    UseStandardNames();
    SetSettingsFolder(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetUserSettingsFolder(unit::W((std::string(temp) + "fvset-no-user-file")).c_str());
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string expected = std::string(windows) + "\\Flickvane.ini";
    wchar_t path[kPathBufferSize];
    ASSERT_TRUE(GetSettingsFilePath(path));
    EXPECT_EQ(unit::U8(path), expected);

    // A file written by the profile functions under the bare name is the one that is read.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "Flickvane.ini");
    DeleteFileA(expected.c_str());
    ASSERT_TRUE(WritePrivateProfileStringA("Flickvane", "Keyboard", "1", "Flickvane.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("Flickvane", "Volume", "-1200", "Flickvane.ini"));
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Keyboard, 1);
    EXPECT_EQ(gSettings.Volume, -1200);

    DialogControls dialog;
    dialog.AddItem("C:\\w.avi");
    ASSERT_TRUE(SaveSettings(dialog.window));
    char value[64];
    GetPrivateProfileStringA("Flickvane", "File1", "", value, sizeof(value), "Flickvane.ini");
    EXPECT_STREQ(value, "C:\\w.avi");
    EXPECT_EQ(GetPrivateProfileIntA("Flickvane", "Keyboard", 5, "Flickvane.ini"), 0u);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "Flickvane.ini");
    DeleteFileA(expected.c_str());
    SetUserSettingsFolder(nullptr);
}

namespace {

// Fails every write from the given call on, counting from 1.
int gWriteCalls = 0;
int gFailFromCall = 0;
int gFailUntilCall = 0; // 0: no end

bool FailingWrite(HANDLE file, const char* data, DWORD size) {
    ++gWriteCalls;
    if (gWriteCalls >= gFailFromCall && (gFailUntilCall == 0 || gWriteCalls <= gFailUntilCall)) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

void FailWrites(int from, int until) {
    gWriteCalls = 0;
    gFailFromCall = from;
    gFailUntilCall = until;
    SetSettingsWriter(FailingWrite);
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0) {
            names.push_back(data.cFileName);
        }
    } while (FindNextFileA(search, &data));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

const char kOldText[] = "[Flickvane]\r\nFilesNum=1\r\nFile1=C:\\old.avi\r\nRepeat=1\r\n";

void FillDialog(DialogControls& dialog) {
    dialog.AddItem("C:\\new one.avi");
    dialog.AddItem("D:\\\x93\xae\x89\xe6\\\x83\x72\x83\x66\x83\x49.wmv");
    dialog.Check(IDC_KEYBOARD, true);
    dialog.Check(IDC_SIZE_100, true);
    dialog.Check(IDC_ASPECT_16_9, true);
    dialog.SetVolumePosition(2500);
}

} // namespace

TEST_F(SettingsFile, SavedBytesMatchTheProfileFunctions) {
    DialogControls dialog;
    FillDialog(dialog);
    dialog.AddItem("   C:\\leading blanks.avi");
    dialog.AddItem("C:\\trailing blank.avi ");
    ASSERT_TRUE(SaveSettings(dialog.window));
    std::string saved = ReadBytes(file);

    std::string reference = folder + "\\reference.ini";
    const char* keys[][2] = {{"FilesNum", "4"},
                             {"File1", "C:\\new one.avi"},
                             {"File2", "D:\\\x93\xae\x89\xe6\\\x83\x72\x83\x66\x83\x49.wmv"},
                             {"File3", "   C:\\leading blanks.avi"},
                             {"File4", "C:\\trailing blank.avi "},
                             {"Repeat", "0"},
                             {"Random", "0"},
                             {"Mute", "0"},
                             {"Keyboard", "1"},
                             {"ESCKey", "0"},
                             {"Size", "3"},
                             {"AspectRatio", "2"},
                             {"Volume", "-2500"},
                             {"Monitors", "0"},
                             {"Resume", "0"}};
    for (const auto& key : keys) {
        ASSERT_TRUE(WritePrivateProfileStringA("Flickvane", key[0], key[1], reference.c_str()));
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, reference.c_str());
    EXPECT_EQ(saved, ReadBytes(reference));
    DeleteFileA(reference.c_str());

    // And it reads back through the profile functions as before.
    DialogControls again;
    LoadSettings(again.window, 1);
    EXPECT_EQ(again.Items(),
              (std::vector<std::string>{"C:\\new one.avi",
                                        "D:\\\x93\xae\x89\xe6\\\x83\x72\x83\x66\x83\x49.wmv",
                                        "C:\\leading blanks.avi", "C:\\trailing blank.avi"}));
    EXPECT_EQ(gSettings.Volume, -2500);
    EXPECT_EQ(gSettings.Keyboard, 1);
}

TEST_F(SettingsFile, AnEntryTheCodePageCannotHoldMakesTheFileUnicode) {
    DialogControls dialog;
    FillDialog(dialog);
    const std::wstring emoji = L"C:\\clips\\2 \U0001F600 caf\u00e9.mp4";
    dialog.AddWideItem(emoji);
    ASSERT_TRUE(SaveSettings(dialog.window));
    std::string saved = ReadBytes(file);
    ASSERT_GE(saved.size(), 2u);
    ASSERT_EQ(saved.substr(0, 2), "\xff\xfe");
    std::wstring text((const wchar_t*)(saved.data() + 2), (saved.size() - 2) / 2);
    // The same keys in the same order as in the code page, only in UTF-16.
    std::vector<std::string> lines = unit::CrLfLines(unit::U8(text));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], "[Flickvane]");
    EXPECT_EQ(lines[1], "FilesNum=3");
    EXPECT_EQ(lines[2], "File1=C:\\new one.avi");
    EXPECT_EQ(lines[4], "File3=" + unit::U8(emoji));
    EXPECT_EQ(lines[14], "Resume=0");

    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths().back(), unit::U8(emoji));
    EXPECT_EQ(gSettings.Volume, -2500);
    // Without that entry the file is in the code page again.
    DialogControls plain;
    FillDialog(plain);
    ASSERT_TRUE(SaveSettings(plain.window));
    EXPECT_EQ(ReadBytes(file).substr(0, 12), "[Flickvane]\r");
}

TEST_F(SettingsFile, ValueCannotAddLines) {
    DialogControls dialog;
    dialog.AddItem("http://example.com/a.wmv\r\nRepeat=1");
    ASSERT_TRUE(SaveSettings(dialog.window));
    std::vector<std::string> lines = unit::CrLfLines(ReadBytes(file));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[2], "File1=http://example.com/a.wmv");
    EXPECT_EQ(lines[3], "Repeat=0");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Repeat=1"), 0);
}

TEST_F(SettingsFile, NoTemporaryFileIsLeft) {
    WriteBytes(file, kOldText);
    DialogControls dialog;
    FillDialog(dialog);
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_EQ(FolderNames(folder), std::vector<std::string>{"Flickvane.ini"});
    EXPECT_FALSE(FileExists(userFile));
}

TEST_F(SettingsFile, FailedWriteKeepsTheOldFiles) {
    WriteBytes(file, kOldText);
    CreateDirectoryA((folder + "\\user").c_str(), nullptr);
    CreateDirectoryA(userFolder.c_str(), nullptr);
    WriteBytes(userFile, kOldText);
    DialogControls dialog;
    FillDialog(dialog);
    FailWrites(3, 0);
    EXPECT_FALSE(SaveSettings(dialog.window));
    EXPECT_GT(gWriteCalls, 3);
    EXPECT_EQ(ReadBytes(file), kOldText);
    EXPECT_EQ(ReadBytes(userFile), kOldText);
    EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"Flickvane.ini", "user"}));
    EXPECT_EQ(FolderNames(userFolder), std::vector<std::string>{"Flickvane.ini"});
    SetSettingsWriter(nullptr);
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Repeat, 1);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\old.avi"});
}

TEST_F(SettingsFile, WindowsFolderFailureFallsBackToTheUserFile) {
    WriteBytes(file, kOldText);
    DialogControls dialog;
    FillDialog(dialog);
    FailWrites(3, 3); // only the first attempt breaks off
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_EQ(ReadBytes(file), kOldText);
    ASSERT_TRUE(FileExists(userFile));
    EXPECT_EQ(unit::CrLfLines(ReadBytes(userFile))[1], "FilesNum=2");
    EXPECT_EQ(FolderNames(folder), (std::vector<std::string>{"Flickvane.ini", "user"}));
    wchar_t path[kPathBufferSize];
    ASSERT_TRUE(GetSettingsReadPath(path));
    EXPECT_EQ(unit::U8(path), userFile);
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Keyboard, 1);
    EXPECT_EQ(gSettings.Repeat, 0);
    EXPECT_EQ(gSettings.Volume, -2500);
}

TEST_F(SettingsFile, MissingWindowsFolderUsesTheUserFile) {
    SetSettingsFolder(unit::W((folder + "\\no such folder")).c_str());
    DialogControls dialog;
    FillDialog(dialog);
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_TRUE(FileExists(userFile));
    DialogControls again;
    LoadSettings(again.window, 1);
    EXPECT_EQ(again.Items().size(), 2u);
    EXPECT_TRUE(again.Checked(IDC_KEYBOARD));
    EXPECT_EQ(CheckedSizes(again), std::vector<int>{IDC_SIZE_100});
}

TEST_F(SettingsFile, NeitherPlaceWritable) {
    WriteBytes(file, kOldText);
    SetSettingsFolder(unit::W((folder + "\\no such folder")).c_str());
    // A folder below a file cannot be made.
    SetUserSettingsFolder(unit::W((file + "\\Flickvane")).c_str());
    DialogControls dialog;
    FillDialog(dialog);
    EXPECT_FALSE(SaveSettings(dialog.window));
    EXPECT_EQ(ReadBytes(file), kOldText);
}

TEST_F(SettingsFile, UserFileIsReadFirst) {
    WriteBytes(file, "[Flickvane]\r\nMute=1\r\n");
    EXPECT_FALSE(FileExists(userFile));
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Mute, 1);
    WriteUserIni("ESCKey=1\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Mute, 0);
    EXPECT_EQ(gSettings.ESCKey, 1);
}

TEST_F(SettingsFile, WindowsFolderSaveRemovesTheUserCopy) {
    CreateDirectoryA((folder + "\\user").c_str(), nullptr);
    CreateDirectoryA(userFolder.c_str(), nullptr);
    WriteBytes(userFile, kOldText);
    DialogControls dialog;
    FillDialog(dialog);
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_FALSE(FileExists(userFile));
    EXPECT_EQ(unit::CrLfLines(ReadBytes(file))[1], "FilesNum=2");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Repeat, 0);
    EXPECT_EQ(gSettings.Keyboard, 1);
}

TEST_F(SettingsFile, VirtualStoreCopyIsReadOnlyWhenItIsTheOnlyFile) {
    CreateDirectoryA(storeFolder.c_str(), nullptr);
    WriteBytes(storeFile, "[Flickvane]\r\nFilesNum=1\r\nFile1=C:\\old.avi\r\nMute=1\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Mute, 1);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\old.avi"});

    // The Windows folder's own file comes first, and so does the per-user one.
    WriteBytes(file, "[Flickvane]\r\nESCKey=1\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Mute, 0);
    EXPECT_EQ(gSettings.ESCKey, 1);
    DeleteFileA(file.c_str());
    WriteUserIni("Repeat=1\r\n");
    LoadSettings(nullptr, 0);
    EXPECT_EQ(gSettings.Mute, 0);
    EXPECT_EQ(gSettings.Repeat, 1);
}

TEST_F(SettingsFile, SaveAfterReadingTheVirtualStoreCopyGoesToTheWindowsFolder) {
    CreateDirectoryA(storeFolder.c_str(), nullptr);
    WriteBytes(storeFile, kOldText);
    DialogControls dialog;
    FillDialog(dialog);
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_EQ(unit::CrLfLines(ReadBytes(file))[1], "FilesNum=2");
    EXPECT_FALSE(FileExists(userFile));
    // The stored copy is left as it was; it is no longer read.
    EXPECT_EQ(ReadBytes(storeFile), kOldText);
    wchar_t path[kPathBufferSize];
    ASSERT_TRUE(GetSettingsReadPath(path));
    EXPECT_EQ(unit::U8(path), file);
}

TEST(SettingsVirtualStore, FolderIsTheWindowsFolderWithoutItsDrive) {
    wchar_t folder[kPathBufferSize];
    ASSERT_TRUE(VirtualStoreFolderFor(L"C:\\Users\\aki\\AppData\\Local", L"C:\\Windows", folder));
    EXPECT_EQ(unit::U8(folder), "C:\\Users\\aki\\AppData\\Local\\VirtualStore\\Windows");
    ASSERT_TRUE(VirtualStoreFolderFor(L"E:\\Profiles\\aki\\Local", L"D:\\WINNT", folder));
    EXPECT_EQ(unit::U8(folder), "E:\\Profiles\\aki\\Local\\VirtualStore\\WINNT");
    EXPECT_FALSE(VirtualStoreFolderFor(L"C:\\Local", L"\\\\server\\share", folder));
    EXPECT_FALSE(VirtualStoreFolderFor(L"C:\\Local", L"", folder));
    EXPECT_FALSE(VirtualStoreFolderFor(std::wstring(kPathBufferSize, L'x').c_str(), L"C:\\Windows", folder));
}

TEST(SettingsVirtualStore, RealFolderIsUnderLocalApplicationData) {
    UseStandardNames();
    SetVirtualStoreFolder(nullptr);
    SetSettingsFolder(nullptr);
    char local[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    wchar_t path[kPathBufferSize];
    ASSERT_TRUE(GetVirtualStoreFilePath(path));
    EXPECT_EQ(unit::U8(path), std::string(local) + "\\VirtualStore" + (windows + 2) + "\\Flickvane.ini");
}

TEST(SettingsUserFolder, ApplicationDataFolder) {
    UseStandardNames();
    SetUserSettingsFolder(nullptr);
    char appData[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    std::string expected = std::string(appData) + "\\Flickvane\\Flickvane.ini";
    wchar_t path[kPathBufferSize];
    ASSERT_TRUE(GetUserSettingsFilePath(path));
    EXPECT_EQ(unit::U8(path), expected);

    // With the Windows folder out of reach the file goes there, folder made as needed.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    SetSettingsFolder(unit::W((std::string(temp) + "fvset-no-such-folder")).c_str());
    DeleteFileA(expected.c_str());
    RemoveDirectoryA((std::string(appData) + "\\Flickvane").c_str());
    DialogControls dialog;
    dialog.AddItem("C:\\user.avi");
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_TRUE(FileExists(expected));
    LoadSettings(nullptr, 0);
    EXPECT_EQ(PlaylistPaths(), std::vector<std::string>{"C:\\user.avi"});

    // Once the Windows folder can be written again, saving there removes the user's copy.
    SetSettingsFolder(nullptr);
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string windowsFile = std::string(windows) + "\\Flickvane.ini";
    ASSERT_TRUE(SaveSettings(dialog.window));
    EXPECT_FALSE(FileExists(expected));
    EXPECT_TRUE(FileExists(windowsFile));
    DeleteFileA(windowsFile.c_str());
    RemoveDirectoryA((std::string(appData) + "\\Flickvane").c_str());
}

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

TEST_F(SettingsFile, ConfigurationDialogTemplateRoundTrip) {
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&init);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIG),
                                     nullptr, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    if (GetDlgItem(dialog, IDC_PLAYLIST) == nullptr || GetDlgItem(dialog, IDC_VOLUME) == nullptr) {
        DestroyWindow(dialog);
        GTEST_SKIP() << "the dialog template has no playlist or volume control";
    }
    WriteIni("FilesNum=2\r\nFile1=C:\\notes.txt\r\nFile2=E:\\clips\r\nRandom=1\r\nESCKey=1\r\n"
             "Size=2\r\nAspectRatio=3\r\nVolume=-500\r\n");
    LoadSettings(dialog, 1);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PLAYLIST, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_RANDOM), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ESCKEY), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_REPEAT), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SIZE_75), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SIZE_FULL), (UINT)BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ASPECT_SCREEN), (UINT)BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ASPECT_4_3), (UINT)BST_UNCHECKED);
    // The dialog itself sets the trackbar from the volume after loading.
    SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10000));
    SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_SETPOS, TRUE, -gSettings.Volume);
    ASSERT_TRUE(SaveSettings(dialog));
    EXPECT_EQ(unit::CrLfLines(ReadBytes(file)),
              (std::vector<std::string>{"[Flickvane]", "FilesNum=2", "File1=C:\\notes.txt",
                                        "File2=E:\\clips", "Repeat=0", "Random=1", "Mute=0",
                                        "Keyboard=0", "ESCKey=1", "Size=2", "AspectRatio=3",
                                        "Volume=-500", "Monitors=0", "Resume=0"}));
    DestroyWindow(dialog);
}
