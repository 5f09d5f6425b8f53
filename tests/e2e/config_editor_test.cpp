// The playlist editor of the real Flickvane.scr, driven with real clicks and keys where Wine
// delivers them.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <stdio.h>

#include "config_support.h"
#include "e2e_support.h"

using namespace e2e;

namespace {

const wchar_t kPlaceholder[] = L"http://＜この部分をクリックしてURLを入力して下さい＞";

class ConfigEditor : public ::testing::Test {
protected:
    void SetUp() override { RemoveSettings(); }
    void TearDown() override { saver.Kill(); }
    void Open() { ASSERT_TRUE(OpenConfigDialog(saver, "", &config)); }
    void OpenWith(const std::vector<std::string>& entries) {
        std::vector<std::string> lines;
        lines.push_back("FilesNum=" + std::to_string(entries.size()));
        for (size_t i = 0; i < entries.size(); i++) {
            lines.push_back("File" + std::to_string(i + 1) + "=" + entries[i]);
        }
        WriteSettings(lines);
        Open();
    }
    std::string MakeFile(const std::string& folder, const std::string& name) {
        std::string path = folder + "\\" + name;
        WriteFileBytes(path, "not a clip");
        return path;
    }
    // The message box of "全削除", answered with a real click.
    void AnswerDeleteAll(int button) {
        config.Click(1005);
        HWND box = config.WaitForOtherWindow("#32770", 5000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowText(box), "Flickvane");
        EXPECT_NE(MessageBoxText(box).find(L"再生リストから全ての登録を削除しますか？"),
                  std::wstring::npos);
        ASSERT_TRUE(AnswerMessageBox(box, button));
        SleepPumping(150);
    }
    bool ItemVisible(int index) {
        RECT item = config.ItemRect(index);
        RECT client = {};
        GetClientRect(config.list, &client);
        MapWindowPoints(config.list, nullptr, (POINT*)&client, 2);
        return item.top >= client.top && item.bottom <= client.bottom;
    }
    HWND WaitForMenu() {
        HWND menu = nullptr;
        WaitUntil([&] { return (menu = FindProcessWindow(saver.Id(), "#32768")) != nullptr; },
                  5000);
        return menu;
    }

    SaverProcess saver;
    ConfigDialog config;
};

std::vector<std::string> Numbered(int count) {
    std::vector<std::string> entries;
    for (int i = 1; i <= count; i++) {
        entries.push_back("C:\\clips\\" + std::to_string(i) + ".avi");
    }
    return entries;
}

} // namespace

TEST_F(ConfigEditor, ThreeFilesChosenAtOnceAreAddedInOrder) {
    std::string folder = TempDir();
    MakeFile(folder, "a.avi");
    MakeFile(folder, "b.avi");
    MakeFile(folder, "c.avi");
    std::vector<std::string> entries = Numbered(12);
    OpenWith(entries);
    config.Click(1002); // ファイル登録
    HWND chooser = config.WaitForOtherWindow("#32770", 8000);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(WideWindowText(chooser), L"ファイルを選択");
    SleepPumping(500);
    // The movie filter lists the transport streams of tuners and camcorders.
    HWND types = GetDlgItem(chooser, 0x470); // the file type box
    bool transportStreams = false;
    for (LRESULT i = 0; i < SendMessageW(types, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[512] = {};
        if (SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 500) {
            SendMessageW(types, CB_GETLBTEXT, i, (LPARAM)text);
        }
        transportStreams = transportStreams || wcsstr(text, L"*.mts; *.m2ts; *.ts; *.m2t)");
    }
    EXPECT_TRUE(transportStreams);
    // The file name field has the focus: go to the folder, then name the three files.
    TypeText(std::wstring(folder.begin(), folder.end()));
    PressKey(VK_RETURN);
    SleepPumping(500);
    TypeText(L"\"a.avi\" \"b.avi\" \"c.avi\"");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }, 5000));
    SleepPumping(200);
    std::vector<std::string> items = config.Items();
    ASSERT_EQ(items.size(), 15u);
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(items[i], entries[i]);
    }
    EXPECT_STRCASEEQ(items[12].c_str(), (folder + "\\a.avi").c_str());
    EXPECT_STRCASEEQ(items[13].c_str(), (folder + "\\b.avi").c_str());
    EXPECT_STRCASEEQ(items[14].c_str(), (folder + "\\c.avi").c_str());
    EXPECT_EQ(config.Selected(), std::vector<int>{14});
    EXPECT_EQ(config.SelectionMark(), 14);
    EXPECT_TRUE(ItemVisible(14));
}

TEST_F(ConfigEditor, ChosenFolderBecomesOneItem) {
    std::string folder = "C:\\flickvane-folder-" + std::to_string(GetTickCount());
    CreateDirectoryA(folder.c_str(), nullptr);
    OpenWith(Numbered(2));
    config.Click(1008); // ディレクトリ登録
    HWND browser = config.WaitForOtherWindow("#32770", 8000);
    ASSERT_NE(browser, nullptr);
    SleepPumping(500);
    // Picking the folder in the tree: the browser's own selection message.
    RemoteMemory text(config.process, folder.size() + 1);
    text.Write(folder.c_str(), folder.size() + 1);
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)text.Address());
    SleepPumping(300);
    HWND ok = GetDlgItem(browser, IDOK);
    ASSERT_NE(ok, nullptr);
    RECT rect = {};
    GetWindowRect(ok, &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }, 5000));
    SleepPumping(200);
    std::vector<std::string> items = config.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_STRCASEEQ(items[2].c_str(), folder.c_str());
    EXPECT_EQ(config.Selected(), std::vector<int>{2});
}

TEST_F(ConfigEditor, UrlIsTypedInPlace) {
    const std::string placeholder = Ansi(kPlaceholder);
    OpenWith(Numbered(1));
    config.Click(1003); // URL登録
    ASSERT_EQ(config.Items(), (std::vector<std::string>{"C:\\clips\\1.avi", placeholder}));
    EXPECT_EQ(config.Selected(), std::vector<int>{1});
    // A click on the selected item opens its editor.
    config.ClickItem(1);
    HWND editor = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (editor = FindChildWindow(config.list, "Edit")) != nullptr; },
                          5000));
    SleepPumping(200);
    PressKey(VK_END);
    PressKeyWith(VK_SHIFT, VK_HOME);
    TypeText(L"http://example.com/a.avi");
    // Copied while typing, before the edit ends.
    EXPECT_EQ(config.Items()[1], "http://example.com/a.avi");
    PressKeyWith(VK_SHIFT, VK_HOME);
    PressKey(VK_DELETE);
    SleepPumping(150);
    EXPECT_EQ(config.Items()[1], placeholder);
    TypeText(L"http://example.com/b.mpg");
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return FindChildWindow(config.list, "Edit") == nullptr ||
                                       !IsWindowVisible(editor); },
                          5000));
    EXPECT_EQ(config.Items()[1], "http://example.com/b.mpg");
    config.Click(128);
    ASSERT_TRUE(saver.WaitForExit(8000));
    std::vector<std::string> lines = SettingsLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "FilesNum=2");
    EXPECT_EQ(lines[2], "File2=http://example.com/b.mpg");
}

TEST_F(ConfigEditor, UneditedPlaceholderIsSavedAsItIs) {
    Open();
    config.Click(1003);
    config.Click(128);
    ASSERT_TRUE(saver.WaitForExit(8000));
    std::vector<std::string> lines = SettingsLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "File1=" + Ansi(kPlaceholder));
}

TEST_F(ConfigEditor, DroppedFolderBecomesOneItem) {
    std::string folder = TempDir();
    std::string file = MakeFile(folder, "clip.mgv");
    OpenWith(Numbered(1));
    ASSERT_TRUE(config.DropPaths({folder}));
    ASSERT_TRUE(WaitUntil([&] { return config.ItemCount() == 2; }, 3000));
    EXPECT_EQ(config.Items()[1], folder);
    EXPECT_EQ(config.Selected(), std::vector<int>{1});
    ASSERT_TRUE(config.DropPaths({file, folder}));
    ASSERT_TRUE(WaitUntil([&] { return config.ItemCount() == 4; }, 3000));
    EXPECT_EQ(config.Items(),
              (std::vector<std::string>{"C:\\clips\\1.avi", folder, file, folder}));
    EXPECT_EQ(config.Selected(), std::vector<int>{3});
    // The list view accepts files too: a drop onto it lands in the same list.
    ASSERT_TRUE(config.DropPaths({file}, true));
    ASSERT_TRUE(WaitUntil([&] { return config.ItemCount() == 5; }, 3000));
    EXPECT_EQ(config.Items()[4], file);
    EXPECT_EQ(config.Selected(), std::vector<int>{4});
    EXPECT_TRUE(saver.Running());
}

TEST_F(ConfigEditor, DeleteRemovesTheTwoSelectedOfFive) {
    std::vector<std::string> entries = Numbered(5);
    OpenWith(entries);
    // A click, then Shift+Down extends the selection (a Ctrl+click loses its Ctrl under Wine
    // when the pointer is moved for the click).
    config.ClickItem(1);
    PressKeyWith(VK_SHIFT, VK_DOWN);
    ASSERT_EQ(config.Selected(), (std::vector<int>{1, 2}));
    config.Click(1004); // 削除
    EXPECT_EQ(config.Items(), (std::vector<std::string>{entries[0], entries[3], entries[4]}));
}

TEST_F(ConfigEditor, DeleteAllAsksFirst) {
    OpenWith(Numbered(3));
    AnswerDeleteAll(IDNO);
    EXPECT_EQ(config.ItemCount(), 3);
    AnswerDeleteAll(IDYES);
    EXPECT_EQ(config.ItemCount(), 0);
    // Asked even for an empty list.
    AnswerDeleteAll(IDNO);
    EXPECT_EQ(config.ItemCount(), 0);
}

TEST_F(ConfigEditor, MovesApplyOnlyWhereTheyCan) {
    std::vector<std::string> entries = Numbered(3);
    OpenWith(entries);
    config.ClickItem(0);
    config.Click(1006); // 上へ at the top
    EXPECT_EQ(config.Items(), entries);
    config.ClickItem(2);
    config.Click(1007); // 下へ at the bottom
    EXPECT_EQ(config.Items(), entries);
    config.ClickItem(0);
    PressKeyWith(VK_SHIFT, VK_DOWN);
    ASSERT_EQ(config.Selected(), (std::vector<int>{0, 1}));
    config.Click(1006);
    config.Click(1007);
    EXPECT_EQ(config.Items(), entries);
    // One selected item in the middle moves, and its selection with it.
    config.Select({1});
    config.Click(1006);
    EXPECT_EQ(config.Items(), (std::vector<std::string>{entries[1], entries[0], entries[2]}));
    EXPECT_EQ(config.Selected(), std::vector<int>{0});
    EXPECT_EQ(config.SelectionMark(), 0);
    config.Click(1007);
    config.Click(1007);
    EXPECT_EQ(config.Items(), (std::vector<std::string>{entries[0], entries[2], entries[1]}));
    EXPECT_EQ(config.Selected(), std::vector<int>{2});
}

TEST_F(ConfigEditor, RightClickMenuFollowsTheSelection) {
    std::vector<std::string> entries = Numbered(3);
    OpenWith(entries);
    // On an item: it becomes selected and the full menu opens.
    config.ClickItem(1, true);
    HWND full = WaitForMenu();
    ASSERT_NE(full, nullptr);
    RECT fullRect = {};
    GetWindowRect(full, &fullRect);
    // "削除(&L)" is only in the full menu.
    PressKey('L');
    ASSERT_TRUE(WaitUntil([&] { return config.ItemCount() == 2; }, 3000));
    EXPECT_EQ(config.Items(), (std::vector<std::string>{entries[0], entries[2]}));
    // On the empty area below the items: nothing is selected and the short menu opens.
    RECT list = {};
    GetWindowRect(config.list, &list);
    ClickAt((list.left + list.right) / 2, list.bottom - 12, true);
    HWND shortMenu = WaitForMenu();
    ASSERT_NE(shortMenu, nullptr);
    EXPECT_TRUE(config.Selected().empty());
    RECT shortRect = {};
    GetWindowRect(shortMenu, &shortRect);
    // Five rows (one a separator) against nine (two separators).
    EXPECT_LT(shortRect.bottom - shortRect.top, fullRect.bottom - fullRect.top);
    // "全削除(&A)" is in both; its question comes up.
    PressKey('A');
    HWND box = config.WaitForOtherWindow("#32770", 5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), "Flickvane");
    PressKey('N');
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
    EXPECT_EQ(config.ItemCount(), 2);
}
