// Which window the real Flickvane.scr shows for each command line.
#include <gtest/gtest.h>

#include <stdio.h>

#include "e2e_support.h"

using namespace e2e;

namespace {

const wchar_t kDialogCaption[] = L"ビデオファイル設定";

std::wstring WideText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::string Number(HWND window) {
    char text[32];
    snprintf(text, sizeof(text), "%ld", (long)(LONG_PTR)window);
    return text;
}

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveSettings(); }
    void TearDown() override {
        saver.Kill();
        if (host) {
            DestroyWindow(host);
        }
    }

    void ExpectFullScreenSaver(const std::string& arguments) {
        SCOPED_TRACE("command line \"" + arguments + "\"");
        ASSERT_TRUE(saver.Start(arguments));
        HWND window = WaitForProcessWindow(saver.Id(), "Flickvane", 10000);
        ASSERT_NE(window, nullptr);
        LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
        EXPECT_EQ(exStyle & 0x88, 0x88);
        EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & (WS_POPUP | WS_CHILD), (LONG_PTR)WS_POPUP);
        RECT rc;
        GetWindowRect(window, &rc);
        EXPECT_EQ(rc.left, 0);
        EXPECT_EQ(rc.top, 0);
        EXPECT_EQ(rc.right, 1024);
        EXPECT_EQ(rc.bottom, 768);
        // Nothing to play: the whole screen stays black, and the mouse-move message that comes
        // with the window's appearance does not end it.
        EXPECT_TRUE(saver.StaysRunning());
        Capture shot = CaptureScreen();
        EXPECT_EQ(CountColour(shot, RGB(0, 0, 0), 8), 1024 * 768);
        saver.Kill();
    }

    SaverProcess saver;
    HWND host = nullptr;
};

} // namespace

TEST_F(EntryTest, EmptyCommandLineOpensTheDialogWithoutOwner) {
    ASSERT_TRUE(saver.Start(""));
    HWND dialog = WaitForProcessWindow(saver.Id(), "#32770", 10000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WideText(dialog), kDialogCaption);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    // No saver window in configuration mode.
    EXPECT_EQ(FindProcessWindow(saver.Id(), "Flickvane"), nullptr);
}

TEST_F(EntryTest, ConfigureSwitchOpensTheDialogOwnedByTheNamedWindow) {
    host = CreateHostWindow(50, 50, 300, 200, true);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(saver.Start("/c:" + Number(host)));
    HWND dialog = WaitForProcessWindow(saver.Id(), "#32770", 10000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WideText(dialog), kDialogCaption);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), host);
}

TEST_F(EntryTest, SaverSwitchStartsFullScreenTopmostBlackWindow) {
    ExpectFullScreenSaver("/s");
    ExpectFullScreenSaver("/S");
}

TEST_F(EntryTest, UnknownOrIncompleteSwitchesStartFullScreen) {
    for (const char* line : {"/S ", "/C", "/C:0", "/P", "/P 0", "/P:656"}) {
        ExpectFullScreenSaver(line);
    }
}

TEST_F(EntryTest, PreviewSwitchMakesAChildOfTheNamedWindow) {
    host = CreateHostWindow(300, 200, 152, 112);
    ASSERT_NE(host, nullptr);
    for (std::string prefix : {"/p ", "/P"}) {
        SCOPED_TRACE(prefix);
        ASSERT_TRUE(saver.Start(prefix + Number(host)));
        HWND child = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (child = FindChildWindow(host, "Flickvane")) != nullptr; },
                              10000));
        EXPECT_EQ(GetParent(child), host);
        EXPECT_EQ(GetWindowLongPtrA(child, GWL_EXSTYLE) & 0x88, 0);
        EXPECT_NE(GetWindowLongPtrA(child, GWL_STYLE) & WS_CHILD, 0);
        RECT rc;
        GetWindowRect(child, &rc);
        // As wide and high as the parent's right and bottom screen edges, from its origin.
        EXPECT_EQ(rc.left, 300);
        EXPECT_EQ(rc.top, 200);
        EXPECT_EQ(rc.right - rc.left, 300 + 152);
        EXPECT_EQ(rc.bottom - rc.top, 200 + 112);
        saver.Kill();
        WaitUntil([&] { return FindChildWindow(host, "Flickvane") == nullptr; }, 5000);
    }
}

TEST_F(EntryTest, PreviewOfAWindowThatDoesNotExistEndsWithExitCodeZero) {
    ASSERT_TRUE(saver.Start("/p 656"));
    DWORD code = 99;
    ASSERT_TRUE(saver.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
}
