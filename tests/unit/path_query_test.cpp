// The query text formed for a stored path, and network shares that do not answer: the bound
// on waiting for them while the playlist is built, and the saver window's input meanwhile.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "fake_graph.h"
#include "host/host_state.h"
#include "host/program_entry.h"
#include "host/saver_window.h"
#include "settings/path_text.h"
#include "settings/playlist.h"
#include "settings/settings.h"
#include "settings/share_probe.h"
#include "unit_support.h"

namespace {

std::wstring Query(const char* path) {
    wchar_t query[kQueryPathSize];
    return FormQueryPath(unit::W(path).c_str(), query, kQueryPathSize) ? query : L"<failed>";
}

} // namespace

TEST(PathQueryText, FormsTheLongPathFormOfEachKindOfPath) {
    const struct {
        const char* stored;
        const wchar_t* query;
    } table[] = {
        {"C:\\clips\\a.avi", L"\\\\?\\C:\\clips\\a.avi"},
        {"\\\\nas\\videos", L"\\\\?\\UNC\\nas\\videos"},
        {"\\\\server\\share\\a.avi", L"\\\\?\\UNC\\server\\share\\a.avi"},
        // Forward slashes, as users type them.
        {"Z:/path/with/slashes", L"\\\\?\\Z:\\path\\with\\slashes"},
        {"//nas/videos/holiday/", L"\\\\?\\UNC\\nas\\videos\\holiday"},
        {"d:/", L"\\\\?\\d:\\"},
        // Already in the long form: kept as it is.
        {"\\\\?\\C:\\clips\\.\\a.avi", L"\\\\?\\C:\\clips\\.\\a.avi"},
        {"\\\\?\\UNC\\nas\\videos", L"\\\\?\\UNC\\nas\\videos"},
        // What the prefix would stop Windows from tidying.
        {"D:\\videos\\", L"\\\\?\\D:\\videos"},
        {"D:\\", L"\\\\?\\D:\\"},
        {"C:\\a\\\\b\\.\\c\\..\\d.avi", L"\\\\?\\C:\\a\\b\\d.avi"},
        {"C:\\..\\x.avi", L"\\\\?\\C:\\x.avi"},
        {"\\\\nas\\videos\\..\\..\\x.avi", L"\\\\?\\UNC\\nas\\videos\\x.avi"},
        // Not full paths: no prefix, which needs one.
        {"clips\\a.avi", L"clips\\a.avi"},
        {"C:clips/a.avi", L"C:clips\\a.avi"},
        {"http://example.com/a.wmv", L"http:\\\\example.com\\a.wmv"},
        {"\\\\.\\pipe\\x", L"\\\\.\\pipe\\x"},
        {"", L""},
    };
    for (const auto& row : table) {
        EXPECT_EQ(Query(row.stored), row.query) << row.stored;
    }
}

TEST(PathQueryText, LongestStoredPathsFitWithTheirSearchPattern) {
    std::string unc = "\\\\nas\\" + std::string(kMaxPathChars - 6, 'v');
    ASSERT_EQ(unc.size(), (size_t)kMaxPathChars);
    wchar_t query[kQueryPathSize];
    ASSERT_TRUE(FormQueryPath(unit::W(unc).c_str(), query, kQueryPathSize));
    EXPECT_TRUE(AppendSearchPattern(query, kQueryPathSize));
    EXPECT_EQ(wcslen(query), kQueryPathSize - 1);
    // Too small a buffer: nothing half-written.
    EXPECT_FALSE(FormQueryPath(L"C:\\clips\\a.avi", query, 10));
    EXPECT_EQ(query[0], L'\0');
    std::wstring root = L"\\\\?\\C:\\";
    lstrcpynW(query, root.c_str(), (int)kQueryPathSize);
    ASSERT_TRUE(AppendSearchPattern(query, kQueryPathSize));
    EXPECT_EQ(std::wstring(query), L"\\\\?\\C:\\*");
}

TEST(PathQueryText, NamesOutsideTheCodePageStayWhole) {
    // "表" once ended in a backslash's byte in the Japanese code page; emoji take two units.
    EXPECT_EQ(Query("C:\\表\\😀 a.avi"), L"\\\\?\\C:\\\u8868\\\U0001F600 a.avi");
}

TEST(PathQueryText, ShareRootOfANetworkQuery) {
    wchar_t root[kQueryPathSize];
    ASSERT_TRUE(ShareRootOfQuery(L"\\\\?\\UNC\\nas\\videos\\a\\b.avi", root, kQueryPathSize));
    EXPECT_EQ(std::wstring(root), L"\\\\?\\UNC\\nas\\videos");
    ASSERT_TRUE(ShareRootOfQuery(L"\\\\?\\unc\\nas\\videos", root, kQueryPathSize));
    EXPECT_EQ(std::wstring(root), L"\\\\?\\unc\\nas\\videos");
    EXPECT_FALSE(ShareRootOfQuery(L"\\\\?\\C:\\videos", root, kQueryPathSize));
    EXPECT_FALSE(ShareRootOfQuery(L"\\\\?\\UNC\\nas", root, kQueryPathSize));
    EXPECT_FALSE(ShareRootOfQuery(L"\\\\?\\UNC\\nas\\videos", root, 5));
}

namespace {

// A share named "asleep" answers only when the test lets it (or after half a minute); every
// other share answers at once.
HANDLE gWakeShare = nullptr;
LONG gAsleepQueries = 0;

void QueryAsleepShare(const wchar_t* root) {
    if (wcsstr(root, L"asleep") != nullptr) {
        InterlockedIncrement(&gAsleepQueries);
        WaitForSingleObject(gWakeShare, 30000);
    }
}

// Puts the sleeping share in place for one test; the workers left waiting on it end after.
struct AsleepShare {
    AsleepShare() {
        gWakeShare = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        gAsleepQueries = 0;
        SetShareQuery(QueryAsleepShare);
    }
    ~AsleepShare() {
        SetEvent(gWakeShare);
        SetShareQuery(nullptr);
        SetShareWait(nullptr);
        Sleep(50);
        CloseHandle(gWakeShare);
        gWakeShare = nullptr;
    }
};

class SlowShare : public ::testing::Test {
protected:
    AsleepShare share;
};

} // namespace

TEST_F(SlowShare, EntriesOnAShareThatDoesNotAnswerAreSkippedAfterOneWait) {
    ASSERT_TRUE(CreatePlaylist());
    DWORD start = GetTickCount();
    AddPlaylistPath(L"\\\\asleep\\videos\\holiday");
    AddPlaylistPath(L"C:\\clips\\missing.avi");
    AddPlaylistPath(L"\\\\ASLEEP\\Videos\\b.avi");
    AddPlaylistPath(L"\\\\nas\\videos\\c.avi");
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(unit::PlaylistPaths(),
              (std::vector<std::string>{"C:\\clips\\missing.avi", "\\\\nas\\videos\\c.avi"}));
    // One wait for the share; its later sibling is not asked again.
    EXPECT_EQ(gAsleepQueries, 1);
    EXPECT_GE(took, kShareAnswerMs - 100);
    EXPECT_LT(took, 2 * kShareAnswerMs);
    // A new playlist asks again.
    ASSERT_TRUE(CreatePlaylist());
    SetEvent(gWakeShare);
    AddPlaylistPath(L"\\\\asleep\\videos\\d.avi");
    EXPECT_EQ(unit::PlaylistPaths(), std::vector<std::string>{"\\\\asleep\\videos\\d.avi"});
}

namespace {

// Real input once the saver window shows while its creation waits for the share; notes when
// the window went away (Wine takes a while more before the window procedure hears of it).
struct InputPlan {
    bool moveMouse;
    WORD key; // 0: none
    DWORD shownAt;
    DWORD goneAt;
};

DWORD WINAPI SendInputWhenShown(void* parameter) {
    InputPlan* plan = static_cast<InputPlan*>(parameter);
    HWND window = nullptr;
    for (int i = 0; i < 400 && window == nullptr; ++i) {
        window = FindWindowA("FlickvaneShareTest", nullptr);
        if (window == nullptr || !IsWindowVisible(window)) {
            window = nullptr;
            Sleep(10);
        }
    }
    if (window == nullptr) {
        return 1;
    }
    plan->shownAt = GetTickCount();
    Sleep(200);
    if (plan->moveMouse) {
        SetCursorPos(520, 420);
        Sleep(300);
    }
    if (plan->key != 0) {
        INPUT inputs[2] = {};
        inputs[0].type = INPUT_KEYBOARD;
        inputs[0].ki.wVk = plan->key;
        inputs[1] = inputs[0];
        inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
    }
    for (int i = 0; i < 800 && IsWindow(window) && IsWindowVisible(window); ++i) {
        Sleep(5);
    }
    plan->goneAt = GetTickCount();
    return 0;
}

// The real saver window started full screen over a settings file whose first entry lies on a
// share that does not answer.
class SaverOnSlowShare : public PlaybackTest {
protected:
    void SetUp() override {
        PlaybackTest::SetUp();
        // The saver window makes its own screen; the test window's would be hidden at the exit
        // too, and Wine takes a while to take a shown window off a screen without a manager.
        CloseScreens();
        screen = nullptr;
        share = new AsleepShare();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        char name[MAX_PATH + 64];
        snprintf(name, sizeof(name), "%sfvshare-%lu", temp, GetCurrentProcessId());
        folder = name;
        CreateDirectoryA(folder.c_str(), nullptr);
        SetSettingsFolder(unit::W(folder).c_str());
        SetUserSettingsFolder(unit::W(folder + "\\user").c_str());
        lstrcpynW(gHost.className, L"FlickvaneShareTest", 100);
        RegisterSaverClass(gHost.instance);
        SetCursorPos(500, 400);
        GetCursorPos(&gHost.startCursor);
    }
    void TearDown() override {
        DestroyPlainWindow(gHost.saverWindow);
        delete share;
        SetSettingsFolder(nullptr);
        SetUserSettingsFolder(nullptr);
        DeleteFileA((folder + "\\Flickvane.ini").c_str());
        RemoveDirectoryA(folder.c_str());
        UnregisterClassW(gHost.className, gHost.instance);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        PlaybackTest::TearDown();
    }

    void WriteEntries(const std::string& options) {
        std::string text = "[Flickvane]\r\nFilesNum=2\r\nFile1=\\\\asleep\\videos\r\n"
                           "File2=C:\\clips\\a.avi\r\n" + options;
        HANDLE file = CreateFileA((folder + "\\Flickvane.ini").c_str(), GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
        CloseHandle(file);
    }

    // Creates the window as program entry does while a thread gives it the planned input;
    // gives the start time.
    DWORD StartWithInput(InputPlan* plan) {
        HANDLE thread = CreateThread(nullptr, 0, SendInputWhenShown, plan, 0, nullptr);
        EXPECT_NE(thread, nullptr);
        DWORD start = GetTickCount();
        CreateSaverWindow(gHost.instance, SW_SHOW);
        if (thread != nullptr) {
            WaitForSingleObject(thread, 10000);
            CloseHandle(thread);
        }
        return start;
    }

    bool Ended() {
        for (UINT code : FakeHooks().exitCodes) {
            if (code == 0) {
                return true;
            }
        }
        return false;
    }

    AsleepShare* share = nullptr;
    std::string folder;
};

} // namespace

TEST_F(SaverOnSlowShare, MouseMovementEndsTheSaverWhileTheShareIsAwaited) {
    WriteEntries("");
    InputPlan plan = {true, 0, 0, 0};
    DWORD start = StartWithInput(&plan);
    // Shown black at once, and taken down by the mouse before the share's bound was up.
    ASSERT_NE(plan.shownAt, 0u);
    EXPECT_LT(plan.shownAt - start, 1000u);
    EXPECT_LT(plan.goneAt - start, kShareAnswerMs);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(windowDestroyed);
}

TEST_F(SaverOnSlowShare, EscapeOnlyHoldsWhileTheShareIsAwaited) {
    // The stored exit rule applies already: the mouse does not end the saver, Escape does.
    WriteEntries("ESCKey=1\r\n");
    InputPlan plan = {true, VK_ESCAPE, 0, 0};
    DWORD start = StartWithInput(&plan);
    ASSERT_NE(plan.shownAt, 0u);
    EXPECT_GE(plan.goneAt - plan.shownAt, 500u); // not at the mouse, only at the key after it
    EXPECT_LT(plan.goneAt - start, kShareAnswerMs);
    EXPECT_TRUE(Ended());
}
