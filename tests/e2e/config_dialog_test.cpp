// The configuration dialog of the real Flickvane.scr: opening, initial state, OK and Cancel.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include "config_support.h"
#include "e2e_support.h"

using namespace e2e;

namespace {

class ConfigDialogSettings : public ::testing::Test {
protected:
    void SetUp() override { RemoveSettings(); }
    void TearDown() override {
        saver.Kill();
        if (host) {
            DestroyWindow(host);
        }
    }
    void Open(const std::string& arguments = "") {
        ASSERT_TRUE(OpenConfigDialog(saver, arguments, &config));
    }
    // Presses a button with a real click and waits for the process to end.
    bool ClickAndWaitForExit(int id) { return e2e::ClickAndWaitForExit(saver, config, id); }

    SaverProcess saver;
    ConfigDialog config;
    HWND host = nullptr;
};

const int kSizeButtons[] = {1018, 1019, 1020, 1021, 1022, 1023};
const int kAspectButtons[] = {1029, 1030, 1031, 1032};
const int kSwitches[] = {1009, 1015, 1014, 1010, 1011};

} // namespace

TEST(ConfigDialogOpening, WithoutOwnerFromAnEmptyCommandLine) {
    RemoveSettings();
    SaverProcess saver;
    ConfigDialog config;
    ASSERT_TRUE(OpenConfigDialog(saver, "", &config));
    EXPECT_EQ(WideWindowText(config.dialog), L"ビデオファイル設定");
    EXPECT_EQ(GetWindow(config.dialog, GW_OWNER), nullptr);
    // The focus starts on the first tab stop, the playlist.
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(config.dialog, nullptr), &info);
    EXPECT_EQ(info.hwndFocus, config.list);
}

TEST(ConfigDialogOpening, OwnedByTheWindowOfTheConfigureSwitch) {
    RemoveSettings();
    HWND host = CreateHostWindow(600, 400, 300, 200, true);
    ASSERT_NE(host, nullptr);
    char arguments[64];
    snprintf(arguments, sizeof(arguments), "/c:%ld", (long)(LONG_PTR)host);
    SaverProcess saver;
    ConfigDialog config;
    ASSERT_TRUE(OpenConfigDialog(saver, arguments, &config));
    EXPECT_EQ(WideWindowText(config.dialog), L"ビデオファイル設定");
    EXPECT_EQ(GetWindow(config.dialog, GW_OWNER), host);
    saver.Kill();
    DestroyWindow(host);
}

TEST_F(ConfigDialogSettings, WithoutFileEverythingStartsAtTheDefaults) {
    Open();
    EXPECT_EQ(config.ItemCount(), 0);
    for (int id : kSwitches) {
        EXPECT_FALSE(config.Checked(id)) << id;
    }
    for (int id : kSizeButtons) {
        EXPECT_EQ(config.Checked(id), id == 1023) << id;
    }
    for (int id : kAspectButtons) {
        EXPECT_EQ(config.Checked(id), id == 1029) << id;
    }
    EXPECT_EQ(config.TrackbarPosition(), 0);
}

TEST_F(ConfigDialogSettings, StoredValuesSetTheControls) {
    WriteSettings({"FilesNum=3", "File1=C:\\clips\\one.avi", "File3=C:\\clips\\three.avi",
                   "Repeat=1", "Random=2", "Mute=1", "Size=9", "AspectRatio=0", "Volume=-500",
                   "Monitors=2"});
    Open();
    // The missing File2 ends the list.
    EXPECT_EQ(config.Items(), std::vector<std::string>{"C:\\clips\\one.avi"});
    EXPECT_TRUE(config.Checked(1009));
    EXPECT_FALSE(config.Checked(1015));
    EXPECT_TRUE(config.Checked(1014));
    for (int id : kSizeButtons) {
        EXPECT_FALSE(config.Checked(id)) << id;
    }
    for (int id : kAspectButtons) {
        EXPECT_EQ(config.Checked(id), id == 1031) << id;
    }
    EXPECT_EQ(config.TrackbarPosition(), 500);
    for (int id = 1040; id <= 1043; ++id) {
        EXPECT_EQ(config.Checked(id), id == 1042) << id;
    }
}

TEST_F(ConfigDialogSettings, SilenceIsTheTrackbarBottom) {
    WriteSettings({"Volume=-10000"});
    Open();
    EXPECT_EQ(config.TrackbarPosition(), 10000);
}

TEST_F(ConfigDialogSettings, OkWritesEveryKeyInOrder) {
    WriteSettings({"FilesNum=2", "File1=C:\\clips\\one.avi", "File2=http://example.com/two.mpg",
                   "Size=0", "Volume=-500"});
    Open();
    config.Click(1009); // 連続再生
    config.Click(1011); // ESCキーで終了する
    config.Click(1019); // 75%
    config.Click(1032); // 画面比
    // The trackbar: focus it with a click on its thumb, then End moves it to the bottom.
    HWND trackbar = config.Control(1033);
    RECT thumb = {};
    RemoteMemory memory(config.process, sizeof(RECT));
    SendMessageA(trackbar, TBM_GETTHUMBRECT, 0, (LPARAM)memory.Address());
    memory.Read(&thumb, sizeof(thumb));
    MapWindowPoints(trackbar, nullptr, (POINT*)&thumb, 2);
    ClickAt((thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    SleepPumping(150);
    PressKey(VK_END);
    SleepPumping(150);
    EXPECT_EQ(config.TrackbarPosition(), 10000);
    ASSERT_TRUE(ClickAndWaitForExit(128));
    EXPECT_EQ(SettingsLines(),
              (std::vector<std::string>{"FilesNum=2", "File1=C:\\clips\\one.avi",
                                        "File2=http://example.com/two.mpg", "Repeat=1",
                                        "Random=0", "Mute=0", "Keyboard=0", "ESCKey=1", "Size=2",
                                        "AspectRatio=3", "Volume=-10000", "Monitors=0", "Resume=0"}));
}

TEST_F(ConfigDialogSettings, OkKeepsFullScreenAndTheVolumeAsStored) {
    WriteSettings({"FilesNum=3", "File1=C:\\clips\\one.avi", "Size=0", "Volume=-500"});
    Open();
    ASSERT_TRUE(ClickAndWaitForExit(128));
    EXPECT_EQ(SettingsLines(),
              (std::vector<std::string>{"FilesNum=1", "File1=C:\\clips\\one.avi", "Repeat=0",
                                        "Random=0", "Mute=0", "Keyboard=0", "ESCKey=0", "Size=6",
                                        "AspectRatio=1", "Volume=-500", "Monitors=0", "Resume=0"}));
}

TEST_F(ConfigDialogSettings, OkWithAnEmptyListWritesNoEntries) {
    Open();
    ASSERT_TRUE(ClickAndWaitForExit(128));
    std::vector<std::string> lines = SettingsLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "FilesNum=0");
    EXPECT_EQ(lines[1], "Repeat=0");
}

TEST_F(ConfigDialogSettings, CancelAfterEditsLeavesTheFileByteForByte) {
    const std::string before = "[Flickvane]\r\nFilesNum=1\r\nFile1=C:\\clips\\one.avi\r\n"
                               "; a comment the dialog never sees\r\nSize=3\r\n";
    WriteFileBytes(SettingsPath(), before);
    Open();
    config.Click(1009);
    config.Click(1022);
    config.Click(1003); // URL登録
    EXPECT_EQ(config.ItemCount(), 2);
    ASSERT_TRUE(ClickAndWaitForExit(1000));
    EXPECT_EQ(ReadFileBytes(SettingsPath()), before);
}

TEST_F(ConfigDialogSettings, EscapeEnterAndTheCloseBoxLeaveTheDialogOpen) {
    UseWineDrawnCaptions();
    Open();
    PressKey(VK_ESCAPE);
    SleepPumping(500);
    EXPECT_TRUE(saver.Running());
    EXPECT_TRUE(IsWindowVisible(config.dialog));
    // Enter with the focus on a check box (no push button has it).
    config.Click(1010);
    PressKey(VK_RETURN);
    SleepPumping(500);
    EXPECT_TRUE(saver.Running());
    // The close box, drawn by Wine at the right end of the caption.
    RECT window = {};
    GetWindowRect(config.dialog, &window);
    int frame = GetSystemMetrics(SM_CXDLGFRAME);
    int caption = GetSystemMetrics(SM_CYCAPTION);
    POINT box = {window.right - frame - caption / 2 - 1, window.top + frame + caption / 2};
    EXPECT_EQ(SendMessageA(config.dialog, WM_NCHITTEST, 0, MAKELPARAM(box.x, box.y)), HTCLOSE);
    ClickAt(box.x, box.y);
    SleepPumping(500);
    EXPECT_TRUE(saver.Running());
    // The same as window messages, in case the click missed the box.
    PostMessageA(config.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(config.dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(config.dialog, WM_COMMAND, IDOK, 0);
    // Long enough for an end caused by any of the input above to show.
    EXPECT_TRUE(saver.StaysRunning());
    EXPECT_TRUE(IsWindowVisible(config.dialog));
    // No file was written by any of it.
    EXPECT_EQ(GetFileAttributesA(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
}
