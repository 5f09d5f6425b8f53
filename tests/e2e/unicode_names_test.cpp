// File names that no ANSI code page holds: found in a folder, stored in the settings file and
// added in the dialog, each one plays under its own name.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "config_support.h"
#include "e2e_support.h"
#include "saver_playlist.h"

using namespace e2e;

namespace {

const wchar_t kCafe[] = L"1 caf\u00e9.avi";
const wchar_t kParty[] = L"2 \U0001F600 party.mp4";
const wchar_t kPlain[] = L"3 plain.avi";

std::wstring Wide(const std::string& text) {
    wchar_t wide[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH * 2);
    return wide;
}

class UnicodeNames : public MovieSaverTest {
protected:
    // A folder with the three clips under their new names.
    std::wstring MakeFolder() {
        std::wstring folder = Wide(TempDir());
        EXPECT_TRUE(CopyFileW(Wide(MediaClip("red.avi")).c_str(), (folder + L"\\" + kCafe).c_str(),
                              FALSE));
        EXPECT_TRUE(CopyFileW(Wide(MediaClip("red.mp4")).c_str(),
                              (folder + L"\\" + kParty).c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(Wide(MediaClip("green.avi")).c_str(),
                              (folder + L"\\" + kPlain).c_str(), FALSE));
        return folder;
    }

    // The titles the saver window shows within the time; every one of them names an item that
    // opened and started.
    std::set<std::wstring> TitlesShown(HWND window, size_t wanted, DWORD timeoutMs) {
        std::set<std::wstring> titles;
        WaitUntil(
            [&] {
                std::wstring title = WideWindowText(window);
                if (title != L"Flickvane") {
                    titles.insert(title);
                }
                return titles.size() >= wanted;
            },
            timeoutMs, 100);
        return titles;
    }

    const std::set<std::wstring> all = {kCafe, kParty, kPlain};
};

// UTF-16 with its byte-order mark, as the saver writes a file that the code page cannot hold.
std::string UnicodeSettings(const std::vector<std::wstring>& lines) {
    std::wstring text = L"[Flickvane]\r\n";
    for (const std::wstring& line : lines) {
        text += line + L"\r\n";
    }
    return std::string("\xff\xfe") +
           std::string((const char*)text.data(), text.size() * sizeof(wchar_t));
}

} // namespace

TEST_F(UnicodeNames, AFolderPlaysEveryFileWhateverItsName) {
    std::wstring folder = MakeFolder();
    WriteFileBytes(SettingsPath(),
                   UnicodeSettings({L"FilesNum=1", L"File1=" + folder, L"Repeat=1"}));
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TitlesShown(window, 3, 40000), all);
}

TEST_F(UnicodeNames, StoredNamesPlayAndTheDialogKeepsThem) {
    std::wstring folder = MakeFolder();
    // The dialog: the names dropped in and saved, then the saver plays what it wrote.
    ConfigDialog config;
    ASSERT_TRUE(OpenConfigDialog(saver, "", &config));
    ASSERT_TRUE(config.DropPaths(std::vector<std::wstring>{folder + L"\\" + kCafe,
                                                           folder + L"\\" + kParty,
                                                           folder + L"\\" + kPlain}));
    ASSERT_TRUE(WaitUntil([&] { return config.ItemCount() == 3; }, 3000));
    ASSERT_TRUE(ClickAndWaitForExit(saver, config, 128));
    std::string saved = ReadFileBytes(SettingsPath());
    ASSERT_EQ(saved.substr(0, 2), "\xff\xfe") << "UTF-16 with its mark";
    std::wstring text((const wchar_t*)(saved.data() + 2), (saved.size() - 2) / 2);
    EXPECT_NE(text.find(std::wstring(L"File2=") + folder + L"\\" + kParty + L"\r\n"),
              std::wstring::npos);

    WritePrivateProfileStringW(L"Flickvane", L"Repeat", L"1", Wide(SettingsPath()).c_str());
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TitlesShown(window, 3, 40000), all);
}
