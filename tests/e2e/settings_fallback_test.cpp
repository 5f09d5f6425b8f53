// Where the real Flickvane.scr keeps its settings when the Windows folder file cannot be
// written: the per-user file, the box when neither place can be written, and installations
// that have only the Windows folder file.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config_support.h"
#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const COLORREF kGreen = RGB(0, 255, 0);
const int kOk = 128;
const int kCancel = 1000;

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProbeIn(const std::string& folder) { return folder + "\\writable.probe"; }

// A file can be opened for writing; a new file can be made in a folder. The flag can take
// effect between making the probe and deleting it: a probe left so is deleted on the next call,
// which succeeds only once the folder can be written again.
bool Writable(const std::string& path) {
    if (IsFolder(path)) {
        std::string probe = ProbeIn(path);
        DeleteFileA(probe.c_str());
        HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return false;
        }
        CloseHandle(file);
        DeleteFileA(probe.c_str());
        return true;
    }
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// Sets or clears the immutable flag, which even root cannot write past. Wine starts the Unix
// chattr without a process handle, so this waits for the flag's effect instead.
bool SetImmutable(const std::string& path, bool immutable) {
    std::string unixName = UnixName(path);
    if (unixName.empty()) {
        return false;
    }
    std::string commandLine =
        std::string("Z:\\usr\\bin\\chattr ") + (immutable ? "+i" : "-i") + " \"" + unixName + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
        return false;
    }
    if (info.hProcess != nullptr) {
        WaitForSingleObject(info.hProcess, 5000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    return WaitUntil([&] { return Writable(path) != immutable; }, 5000);
}

// The names in a folder that start with "Flickvane": a half-written settings file would be one.
std::vector<std::string> SettingsFilesIn(const std::string& folder) {
    return FolderListing(folder + "\\Flickvane*");
}

std::string WindowsFolder() {
    std::string path = SettingsPath();
    return path.substr(0, path.rfind('\\'));
}

class SettingsFallback : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveSettings();
        RemoveDirectoryA(UserSettingsFolder().c_str());
        MoveCursorTo(1000, 700);
        SleepPumping(50);
    }
    void TearDown() override {
        saver.Kill();
        for (const std::string& path : immutable) {
            SetImmutable(path, false);
            DeleteFileA(ProbeIn(path).c_str());
        }
        RemoveSettings();
        RemoveDirectoryA(UserSettingsFolder().c_str());
    }

    // Makes the path immutable for the rest of the test, or skips the test where that cannot
    // be done (outside Wine, or without the right to set the flag).
    bool LockDown(const std::string& path) {
        immutable.push_back(path);
        return SetImmutable(path, true);
    }

    void Open() { ASSERT_TRUE(OpenConfigDialog(saver, "", &config)); }

    // The saver plays the green clip of the settings, and the dialog then opened lists it.
    void ExpectSaverPlaysGreenAndDialogShows(const std::string& clip) {
        ASSERT_NE(saver.StartFullScreen(), nullptr);
        EXPECT_TRUE(WaitForColour(kGreen, 10000));
        saver.Kill();
        SleepPumping(300);
        Open();
        EXPECT_EQ(config.Items(), std::vector<std::string>{clip});
    }

    bool ClickAndWaitForExit(int id) { return e2e::ClickAndWaitForExit(saver, config, id); }

    SaverProcess saver;
    ConfigDialog config;
    std::vector<std::string> immutable;
};

} // namespace

TEST_F(SettingsFallback, OkWritesThePerUserFileAndTheSaverAndDialogUseIt) {
    const std::string windowsText = SettingsText({"FilesNum=0", "Size=3"});
    WriteFileBytes(SettingsPath(), windowsText);
    if (!LockDown(SettingsPath())) {
        GTEST_SKIP() << "cannot make the Windows folder file unwritable here";
    }
    Open();
    EXPECT_EQ(config.ItemCount(), 0);
    const std::string clip = MediaClip("green.avi");
    ASSERT_TRUE(config.DropPaths({clip}));
    ASSERT_TRUE(WaitUntil([&] { return config.ItemCount() == 1; }, 3000));
    ASSERT_TRUE(ClickAndWaitForExit(kOk));

    EXPECT_EQ(ReadFileBytes(SettingsPath()), windowsText);
    EXPECT_EQ(SettingsLines(UserSettingsPath()),
              (std::vector<std::string>{"FilesNum=1", "File1=" + clip, "Repeat=0", "Random=0",
                                        "Mute=0", "Keyboard=0", "ESCKey=0", "Size=3",
                                        "AspectRatio=1", "Volume=0", "Monitors=0", "Resume=0"}));
    // No half-written file is left beside either destination.
    EXPECT_EQ(SettingsFilesIn(WindowsFolder()), std::vector<std::string>{"Flickvane.ini"});
    EXPECT_EQ(SettingsFilesIn(UserSettingsFolder()), std::vector<std::string>{"Flickvane.ini"});

    // The saver plays the new playlist, not the empty one of the Windows folder file, and the
    // dialog shows it.
    ExpectSaverPlaysGreenAndDialogShows(clip);
    ASSERT_TRUE(ClickAndWaitForExit(kCancel));
}

TEST_F(SettingsFallback, WithNeitherPlaceWritableTheDialogSaysSoAndStaysOpen) {
    const std::string windowsText = SettingsText({"FilesNum=1", "File1=C:\\clips\\old.avi"});
    const std::string userText = SettingsText({"FilesNum=1", "File1=C:\\clips\\mine.avi"});
    WriteFileBytes(SettingsPath(), windowsText);
    CreateDirectoryA(UserSettingsFolder().c_str(), nullptr);
    WriteFileBytes(UserSettingsPath(), userText);
    if (!LockDown(SettingsPath()) || !LockDown(UserSettingsFolder()) ||
        !LockDown(UserSettingsPath())) {
        GTEST_SKIP() << "cannot make the settings files unwritable here";
    }
    Open();
    // The per-user file is the one read.
    EXPECT_EQ(config.Items(), std::vector<std::string>{"C:\\clips\\mine.avi"});
    config.Click(1009); // 連続再生
    config.Click(kOk);
    HWND box = config.WaitForOtherWindow("#32770", 8000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), "Flickvane");
    EXPECT_EQ(MessageBoxText(box), L"設定を保存できませんでした。"
                                   L"Windowsフォルダとユーザーフォルダのどちらにも書き込めません。");
    EXPECT_EQ(GetWindow(box, GW_OWNER), config.dialog);

    // Closing the box goes back to the dialog with the edits still in it.
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(saver.StaysRunning());
    EXPECT_TRUE(IsWindowVisible(config.dialog));
    EXPECT_TRUE(config.Checked(1009));
    EXPECT_EQ(ReadFileBytes(SettingsPath()), windowsText);
    EXPECT_EQ(ReadFileBytes(UserSettingsPath()), userText);

    // Cancel still closes it.
    ASSERT_TRUE(ClickAndWaitForExit(kCancel));
    EXPECT_EQ(SettingsFilesIn(WindowsFolder()), std::vector<std::string>{"Flickvane.ini"});
    EXPECT_EQ(SettingsFilesIn(UserSettingsFolder()), std::vector<std::string>{"Flickvane.ini"});
}

TEST_F(SettingsFallback, WithOnlyTheWindowsFolderFileNothingIsWrittenForTheUser) {
    WriteSettings({"FilesNum=1", "File1=C:\\clips\\one.avi", "Size=2"});
    Open();
    EXPECT_EQ(config.Items(), std::vector<std::string>{"C:\\clips\\one.avi"});
    config.Click(1014); // ミュート
    ASSERT_TRUE(ClickAndWaitForExit(kOk));
    EXPECT_EQ(SettingsLines(),
              (std::vector<std::string>{"FilesNum=1", "File1=C:\\clips\\one.avi", "Repeat=0",
                                        "Random=0", "Mute=1", "Keyboard=0", "ESCKey=0", "Size=2",
                                        "AspectRatio=1", "Volume=0", "Monitors=0", "Resume=0"}));
    EXPECT_FALSE(Exists(UserSettingsFolder()));
    EXPECT_EQ(SettingsFilesIn(WindowsFolder()), std::vector<std::string>{"Flickvane.ini"});
}

TEST_F(SettingsFallback, ASaveToTheWritableWindowsFolderRemovesThePerUserCopy) {
    WriteSettings({"FilesNum=1", "File1=C:\\clips\\old.avi"});
    CreateDirectoryA(UserSettingsFolder().c_str(), nullptr);
    WriteFileBytes(UserSettingsPath(), SettingsText({"FilesNum=1", "File1=C:\\clips\\mine.avi"}));
    Open();
    EXPECT_EQ(config.Items(), std::vector<std::string>{"C:\\clips\\mine.avi"});
    ASSERT_TRUE(ClickAndWaitForExit(kOk));
    std::vector<std::string> lines = SettingsLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "File1=C:\\clips\\mine.avi");
    EXPECT_FALSE(Exists(UserSettingsPath()));
}

TEST_F(SettingsFallback, TheVirtualisedCopyOfAnEarlierVersionIsReadWhenItIsTheOnlyOne) {
    // Where Windows put the Windows folder writes of earlier 32-bit versions.
    const std::string stored = VirtualStoreSettingsPath();
    std::string folder = stored.substr(0, stored.rfind('\\'));
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    ASSERT_TRUE(IsFolder(folder));
    const std::string clip = MediaClip("green.avi");
    WriteFileBytes(stored, SettingsText({"FilesNum=1", "File1=" + clip, "Size=3"}));

    ExpectSaverPlaysGreenAndDialogShows(clip);
    // OK saves where saves go: the Windows folder.
    EXPECT_TRUE(config.Checked(1020)); // 100%
    ASSERT_TRUE(ClickAndWaitForExit(kOk));
    std::vector<std::string> lines = SettingsLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "File1=" + clip);
    EXPECT_FALSE(Exists(UserSettingsPath()));
    RemoveDirectoryA(folder.c_str());
}
