#include "config/playlist_editor.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <limits.h>

#include <string>
#include <vector>

#include "config/config_dialog.h"
#include "settings/path_text.h"
#include "resources/resource.h"
#include "resources/resource_text.h"
#include "settings/settings.h"
#include "unit_support.h"

namespace {

// A chooser result: the strings joined by zeros, ended by an empty one.
std::string ChooserResult(const std::vector<std::string>& parts) {
    std::string result;
    for (const std::string& part : parts) {
        result += part;
        result += '\0';
    }
    result += '\0';
    return result;
}

std::vector<std::string> Paths(const std::string& result, bool firstIsFile) {
    std::wstring wide = unit::W(result);
    std::vector<std::string> paths;
    for (const std::wstring& path : PathsFromChooserResult(wide.data(), wide.size(), firstIsFile)) {
        paths.push_back(unit::U8(path));
    }
    return paths;
}

void Add(HWND dialog, const std::vector<std::string>& texts) {
    std::vector<std::wstring> wide;
    for (const std::string& text : texts) {
        wide.push_back(unit::W(text));
    }
    AddItemsAtEnd(dialog, wide);
}

} // namespace

TEST(PlaylistChooserResult, OneChosenFileIsOnePath) {
    std::string result = ChooserResult({"C:\\clips\\a.avi"});
    EXPECT_EQ(Paths(result, true), std::vector<std::string>{"C:\\clips\\a.avi"});
}

TEST(PlaylistChooserResult, MultipleSelectionJoinsNamesToFolderInOrder) {
    std::string result = ChooserResult({"C:\\clips", "c.avi", "a.avi", "b.avi"});
    EXPECT_EQ(Paths(result, false),
              (std::vector<std::string>{"C:\\clips\\c.avi", "C:\\clips\\a.avi", "C:\\clips\\b.avi"}));
}

TEST(PlaylistChooserResult, RootFolderGetsNoSecondSeparator) {
    std::string result = ChooserResult({"C:\\", "a.avi", "b.avi"});
    EXPECT_EQ(Paths(result, false), (std::vector<std::string>{"C:\\a.avi", "C:\\b.avi"}));
}

TEST(PlaylistChooserResult, JoinedPathLongerThanAnEntryIsLeftOut) {
    std::string folder = "C:\\" + std::string(2070, 'f');
    std::string fits(2083 - folder.size() - 1, 'n');
    std::string tooLong(fits.size() + 1, 'x');
    std::string result = ChooserResult({folder, tooLong, fits});
    std::vector<std::string> paths = Paths(result, false);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], folder + "\\" + fits);
    EXPECT_EQ(paths[0].size(), 2083u);
}

TEST(PlaylistChooserResult, FolderWithoutNamesAddsNothing) {
    EXPECT_TRUE(Paths(ChooserResult({"C:\\clips"}), false).empty());
}

TEST(PlaylistChooserResult, UnterminatedResultIsReadOnlyWithinItsSize) {
    std::string result = "C:\\clips";
    result += '\0';
    result += "a.avi";
    result += '\0';
    result += "b.av"; // cut off: no terminator inside the buffer
    EXPECT_EQ(Paths(result, false), std::vector<std::string>{"C:\\clips\\a.avi"});
    std::string noEnd = "C:\\clips";
    EXPECT_TRUE(Paths(noEnd, true).empty());
    EXPECT_EQ(FirstChooserString(unit::W(noEnd).data(), noEnd.size()), L"");
}

TEST(PlaylistChooserResult, QueryPathCarriesTheLongPathPrefix) {
    // The chooser's first string is tested through the same query text as every stored path.
    wchar_t query[kQueryPathSize];
    ASSERT_TRUE(FormQueryPath(L"C:\\clips\\a.avi", query, kQueryPathSize));
    EXPECT_EQ(std::wstring(query), L"\\\\?\\C:\\clips\\a.avi");
    ASSERT_TRUE(FormQueryPath(L"\\\\server\\share\\a.avi", query, kQueryPathSize));
    EXPECT_EQ(std::wstring(query), L"\\\\?\\UNC\\server\\share\\a.avi");
}

TEST(PlaylistBatchSelection, OnlyTheLastAddedItemStaysSelected) {
    EXPECT_EQ(IndicesToDeselect({0, 3, 4, 5}, 5), (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(IndicesToDeselect({5}, 5).empty());
}

TEST(PlaylistMoveRules, MovesApplyOnlyToOneSelectedItemInsideTheList) {
    EXPECT_EQ(MoveTarget(5, 1, 2, -1), 1);
    EXPECT_EQ(MoveTarget(5, 1, 2, 1), 3);
    EXPECT_EQ(MoveTarget(5, 1, 0, -1), -1); // the first item up
    EXPECT_EQ(MoveTarget(5, 1, 4, 1), -1);  // the last item down
    EXPECT_EQ(MoveTarget(5, 2, 2, -1), -1); // two selected
    EXPECT_EQ(MoveTarget(5, 2, 2, 1), -1);
    EXPECT_EQ(MoveTarget(5, 0, 2, 1), -1);  // nothing selected
    EXPECT_EQ(MoveTarget(5, 1, -1, 1), -1); // no selection mark
    EXPECT_EQ(MoveTarget(3, 1, 7, -1), -1); // a stale mark
}

TEST(PlaylistContextMenu, MenuDependsOnSelection) {
    EXPECT_EQ(ContextMenuFor(0), IDM_CONTEXT_EMPTY);
    EXPECT_EQ(ContextMenuFor(1), IDM_CONTEXT_SELECTED);
    EXPECT_EQ(ContextMenuFor(4), IDM_CONTEXT_SELECTED);
}

TEST(PlaylistInPlaceEdit, EmptyEditorShowsThePlaceholder) {
    EXPECT_EQ(InPlaceItemText(L"http://host/a.avi", L"P"), L"http://host/a.avi");
    EXPECT_EQ(InPlaceItemText(L"", L"P"), L"P");
}

TEST(ConfigDialogDecisions, TrackbarPositionIsTheNegatedVolume) {
    EXPECT_EQ(TrackbarPositionForVolume(0), 0);
    EXPECT_EQ(TrackbarPositionForVolume(-500), 500);
    EXPECT_EQ(TrackbarPositionForVolume(-10000), 10000);
    EXPECT_EQ(TrackbarPositionForVolume(INT_MIN), 10000);
    EXPECT_EQ(TrackbarPositionForVolume(300), 0);
}

TEST(ConfigDialogDecisions, OnlyTheFiveGroupBoxesAreBlue) {
    for (int id : {IDC_GROUP_PLAYLIST, IDC_GROUP_SIZE, IDC_GROUP_ASPECT, IDC_GROUP_OPTIONS,
                   IDC_GROUP_VOLUME}) {
        EXPECT_TRUE(IsGroupCaption(id)) << id;
    }
    for (int id : {IDC_REPEAT, IDC_SIZE_FULL, IDC_ASPECT_4_3, IDC_OK, -1}) {
        EXPECT_FALSE(IsGroupCaption(id)) << id;
    }
}

namespace {

// The dialog opened modeless in this process, from this program's own resources.
class PlaylistEditorInDialog : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[MAX_PATH] = {};
        GetWindowsDirectoryA(dir, MAX_PATH);
        DeleteFileA((std::string(dir) + "\\Flickvane.ini").c_str());
        dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONFIG),
                                    nullptr, ScreenSaverConfigureDialog, 0);
        ASSERT_NE(dialog, nullptr);
        list = GetDlgItem(dialog, IDC_PLAYLIST);
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override {
        if (dialog) {
            DestroyWindow(dialog);
        }
    }
    int Count() { return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); }
    std::string Text(int index) {
        wchar_t text[2084] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 2084;
        SendMessageW(list, LVM_GETITEMTEXTW, index, (LPARAM)&item);
        return unit::U8(text);
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (int i = 0; i < Count(); i++) {
            texts.push_back(Text(i));
        }
        return texts;
    }
    std::vector<int> Selected() {
        std::vector<int> selected;
        for (int i = 0; i < Count(); i++) {
            if (SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) {
                selected.push_back(i);
            }
        }
        return selected;
    }
    void Select(const std::vector<int>& indices, int mark) {
        LVITEMA item = {};
        item.stateMask = kItemStateMask;
        item.state = 0;
        SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
        for (int index : indices) {
            item.state = kItemStateMask;
            SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)&item);
        }
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, mark);
    }
    void Command(int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    HWND dialog = nullptr;
    HWND list = nullptr;
};

} // namespace

TEST_F(PlaylistEditorInDialog, TemplateHoldsTheControlsInTabOrder) {
    struct Expected {
        int id;
        const char* className;
    };
    const Expected expected[] = {
        {0xFFFF, "Static"}, {1024, "Button"}, {1013, "SysListView32"}, {1002, "Button"},
        {1008, "Button"}, {1003, "Button"}, {1005, "Button"}, {1004, "Button"}, {1006, "Button"},
        {1007, "Button"}, {1025, "Button"}, {1018, "Button"}, {1019, "Button"}, {1020, "Button"},
        {1021, "Button"}, {1022, "Button"}, {1023, "Button"}, {1026, "Button"}, {1029, "Button"},
        {1030, "Button"}, {1031, "Button"}, {1032, "Button"}, {1037, "Button"},
        {1033, "msctls_trackbar32"}, {1014, "Button"}, {1039, "Button"}, {1040, "Button"},
        {1041, "Button"}, {1042, "Button"}, {1043, "Button"}, {1027, "Button"}, {1009, "Button"},
        {1015, "Button"}, {1038, "Button"}, {1010, "Button"}, {1011, "Button"}, {128, "Button"},
        {1000, "Button"},
    };
    int index = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ASSERT_LT(index, 38);
        char name[64] = {};
        GetClassNameA(child, name, sizeof(name));
        EXPECT_EQ((GetDlgCtrlID(child) & 0xFFFF), expected[index].id) << "control " << index;
        EXPECT_STRCASEEQ(name, expected[index].className) << "control " << index;
        index++;
    }
    EXPECT_EQ(index, 38);
    LONG style = GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_EQ(style & (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP),
              DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP);
    LONG listStyle = GetWindowLongA(list, GWL_STYLE);
    EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(listStyle & LVS_EDITLABELS);
    EXPECT_FALSE(listStyle & (LVS_SINGLESEL | LVS_SHOWSELALWAYS));
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    HWND cancel = GetDlgItem(dialog, IDC_CANCEL_BUTTON);
    EXPECT_EQ(GetWindowLongA(cancel, GWL_STYLE) & (BS_TYPEMASK | WS_TABSTOP),
              BS_PUSHBUTTON | WS_TABSTOP);
    LONG trackStyle = GetWindowLongA(GetDlgItem(dialog, IDC_VOLUME), GWL_STYLE);
    EXPECT_EQ(trackStyle & (TBS_VERT | TBS_BOTH | TBS_AUTOTICKS | WS_TABSTOP),
              TBS_VERT | TBS_BOTH | TBS_AUTOTICKS | WS_TABSTOP);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_SIZE_50), GWL_STYLE) & WS_GROUP);
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(dialog, IDC_SIZE_75), GWL_STYLE) & WS_GROUP);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_ASPECT_4_3), GWL_STYLE) & WS_GROUP);
}

TEST_F(PlaylistEditorInDialog, InitialisationSetsColumnTrackbarAndFonts) {
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), listRect.right - listRect.left - 30);
    HWND trackbar = GetDlgItem(dialog, IDC_VOLUME);
    EXPECT_EQ(SendMessageA(trackbar, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageA(trackbar, TBM_GETRANGEMAX, 0, 0), 10000);
    EXPECT_EQ(SendMessageA(trackbar, TBM_GETPOS, 0, 0), 0);
    // Every control keeps the template's shell font.
    HFONT shell = (HFONT)SendMessageW(dialog, WM_GETFONT, 0, 0);
    EXPECT_NE(shell, nullptr);
    EXPECT_EQ((HFONT)SendMessageW(GetDlgItem(dialog, IDC_OK), WM_GETFONT, 0, 0), shell);
    EXPECT_EQ((HFONT)SendMessageW(list, WM_GETFONT, 0, 0), shell);
    EXPECT_EQ((HFONT)SendMessageW(GetDlgItem(dialog, IDC_GROUP_VOLUME), WM_GETFONT, 0, 0), shell);
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_SIZE_FULL), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_ASPECT_4_3), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Count(), 0);
}

TEST_F(PlaylistEditorInDialog, BatchLeavesOnlyTheLastAddedItemSelected) {
    Add(dialog, {"C:\\a.avi", "C:\\b.avi"});
    Select({0}, 0);
    Add(dialog, {"C:\\c.avi", "C:\\d.avi", "C:\\e.avi"});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"C:\\a.avi", "C:\\b.avi", "C:\\c.avi",
                                                 "C:\\d.avi", "C:\\e.avi"}));
    EXPECT_EQ(Selected(), std::vector<int>{4});
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0), 4);
    EXPECT_EQ(GetFocus(), list);
    Add(dialog, {});
    EXPECT_EQ(Selected(), std::vector<int>{4});
}

TEST_F(PlaylistEditorInDialog, DeleteRemovesEverySelectedItem) {
    Add(dialog, {"1", "2", "3", "4", "5"});
    Select({1, 2}, 2);
    Command(IDC_DELETE);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "4", "5"}));
    Select({0, 1, 2}, 0);
    Command(IDM_DELETE);
    EXPECT_EQ(Count(), 0);
    Command(IDC_DELETE);
    EXPECT_EQ(Count(), 0);
}

TEST_F(PlaylistEditorInDialog, MovesSwapTextAndSelection) {
    Add(dialog, {"1", "2", "3"});
    Select({1}, 1);
    Command(IDC_MOVE_UP);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2", "1", "3"}));
    EXPECT_EQ(Selected(), std::vector<int>{0});
    EXPECT_EQ(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0), 0);
    Command(IDC_MOVE_UP); // already at the top
    EXPECT_EQ(Texts(), (std::vector<std::string>{"2", "1", "3"}));
    Command(IDM_MOVE_DOWN);
    Command(IDC_MOVE_DOWN);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "3", "2"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    Command(IDC_MOVE_DOWN); // already at the bottom
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "3", "2"}));
    Select({0, 1}, 1);
    Command(IDC_MOVE_UP);
    Command(IDC_MOVE_DOWN);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1", "3", "2"}));
}

TEST_F(PlaylistEditorInDialog, InPlaceEditorTextIsCopiedWhileTyping) {
    const std::string placeholder = unit::U8(ResourceText(IDS_URL_PROMPT));
    Command(IDC_ADD_URL);
    ASSERT_EQ(Texts(), std::vector<std::string>{placeholder});
    HWND editor = (HWND)SendMessageA(list, LVM_EDITLABELA, 0, 0);
    ASSERT_NE(editor, nullptr);
    SetWindowTextA(editor, "http://example.com/clip.avi");
    EXPECT_EQ(Text(0), "http://example.com/clip.avi");
    SetWindowTextA(editor, "");
    EXPECT_EQ(Text(0), placeholder);
    SetWindowTextA(editor, "http://example.com/b.mpg");
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Text(0), "http://example.com/b.mpg");
    EXPECT_EQ(Selected(), std::vector<int>{0});
}

namespace {

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return text;
}

std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), (void**)&value, &length) || !value) {
        return L"";
    }
    return value;
}

} // namespace

TEST(ProgramResources, StringsMenusIconAndVersion) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char text[128];
    for (int id : {1, 103, 109}) {
        ASSERT_GT(LoadStringA(instance, id, text, sizeof(text)), 0) << id;
        EXPECT_STREQ(text, "Flickvane") << id;
    }
    LoadStringA(instance, 104, text, sizeof(text));
    EXPECT_STREQ(text, "Flickvane.ini");

    HMENU full = LoadMenuA(instance, MAKEINTRESOURCEA(135));
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(GetMenuItemCount(full), 1);
    EXPECT_EQ(MenuText(full, 0), L"ルート");
    HMENU popup = GetSubMenu(full, 0);
    const int fullIds[] = {32788, 32789, 32790, 0, 32793, 32794, 0, 32791, 32792};
    const wchar_t* fullTexts[] = {L"ファイル登録(&F)", L"ディレクト登録(&D)", L"URL登録(&H)", L"",
                                  L"上へ移動(&U)",     L"下へ移動(&D)",       L"",
                                  L"削除(&L)",         L"全削除(&A)"};
    ASSERT_EQ(GetMenuItemCount(popup), 9);
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ((int)GetMenuItemID(popup, i), fullIds[i]) << i;
        EXPECT_EQ(MenuText(popup, i), fullTexts[i]) << i;
    }
    DestroyMenu(full);
    HMENU empty = LoadMenuA(instance, MAKEINTRESOURCEA(136));
    ASSERT_NE(empty, nullptr);
    popup = GetSubMenu(empty, 0);
    const int emptyIds[] = {32788, 32789, 32790, 0, 32792};
    ASSERT_EQ(GetMenuItemCount(popup), 5);
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ((int)GetMenuItemID(popup, i), emptyIds[i]) << i;
    }
    EXPECT_EQ(MenuText(popup, 4), L"全削除(&A)");
    DestroyMenu(empty);

    EXPECT_NE(FindResourceA(instance, "ID_APP", (LPCSTR)RT_GROUP_ICON), nullptr);
    EXPECT_NE(LoadIconA(instance, "ID_APP"), nullptr);

    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(instance, module, MAX_PATH);
    DWORD size = GetFileVersionInfoSizeW(module, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(module, 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", (void**)&fixed, &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    for (const wchar_t* name : {L"FileDescription", L"InternalName", L"ProductName"}) {
        EXPECT_EQ(VersionString(info, name), L"Flickvane") << name;
    }
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", (void**)&translation,
                               &length));
    EXPECT_EQ(translation[0], 0x411);
    EXPECT_EQ(translation[1], 1200);
}

TEST_F(PlaylistEditorInDialog, TemplateTextsAreTheJapaneseCaptions) {
    auto textOf = [&](int id) {
        wchar_t text[512] = {};
        GetDlgItemTextW(dialog, id, text, 512);
        return std::wstring(text);
    };
    wchar_t caption[64] = {};
    GetWindowTextW(dialog, caption, 64);
    EXPECT_STREQ(caption, L"ビデオファイル設定");
    EXPECT_EQ(textOf(1024), L"再生リスト");
    EXPECT_EQ(textOf(1025), L"表示サイズ");
    EXPECT_EQ(textOf(1008), L"ディレクトリ登録");
    EXPECT_EQ(textOf(1010), L"キーボードで映像切り替え、音量を調節する");
    EXPECT_EQ(textOf(1031), L"映像ファイル比");
    wchar_t column[64] = {};
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT;
    info.pszText = column;
    info.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, 0, (LPARAM)&info);
    EXPECT_STREQ(column, L"ファイル名");
    HWND instruction = FindWindowExW(dialog, nullptr, L"Static", nullptr);
    wchar_t text[512] = {};
    GetWindowTextW(instruction, text, 512);
    EXPECT_EQ(std::wstring(text),
              L"再生リストへ映像ファイルを再生順に登録します。ディレクトリを指定した場合はサブ"
              L"ディレクトリ内の映像ファイルを全て再生します。\n\nURLを指定した場合はインターネット"
              L"で公開されている映像ファイルを再生します。ドラッグ・アンド・ドロップでも登録できます。");
}

namespace {

struct MessageBoxWatch {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    bool seen;
};

// Answers the first message box owned by the dialog, keeping its texts.
DWORD WINAPI AnswerMessageBox(void* param) {
    MessageBoxWatch* watch = (MessageBoxWatch*)param;
    for (int i = 0; i < 200 && !watch->seen; i++) {
        Sleep(25);
        HWND box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
            if (GetWindow(box, GW_OWNER) != watch->owner) {
                continue;
            }
            wchar_t text[512] = {};
            GetWindowTextW(box, text, 512);
            watch->caption = text;
            for (HWND child = GetWindow(box, GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t className[32] = {};
                GetClassNameW(child, className, 32);
                if (lstrcmpiW(className, L"Static") == 0) {
                    GetWindowTextW(child, text, 512);
                    watch->text += text;
                }
            }
            watch->seen = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            break;
        }
    }
    return 0;
}

} // namespace

TEST_F(PlaylistEditorInDialog, FailedSaveIsReportedAndTheDialogStaysOpen) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    // Below a file: no folder can be made there.
    std::string nowhere = std::string(exe) + "\\settings";
    SetSettingsFolder(unit::W(nowhere).c_str());
    SetUserSettingsFolder(unit::W(nowhere).c_str());
    ShowWindow(dialog, SW_SHOW);
    MessageBoxWatch watch = {dialog, L"", L"", false};
    HANDLE thread = CreateThread(nullptr, 0, AnswerMessageBox, &watch, 0, nullptr);
    Command(IDC_OK);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    SetSettingsFolder(nullptr);
    SetUserSettingsFolder(nullptr);
    ASSERT_TRUE(watch.seen);
    EXPECT_EQ(watch.caption, L"Flickvane");
    EXPECT_EQ(watch.text, L"設定を保存できませんでした。Windowsフォルダとユーザーフォルダのどちらにも書き込めません。");
    EXPECT_TRUE(IsWindowVisible(dialog));
    // With the folders back, OK saves and ends the dialog.
    Command(IDC_OK);
    EXPECT_FALSE(IsWindowVisible(dialog));
}
