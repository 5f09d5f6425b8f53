// The DirectShow failure report: message text, caption, owner, cursor and exit code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_graph.h"

#include <errors.h>

#include "playback/error_message.h"

namespace {

class ErrorMessages : public PlaybackTest {};

std::string Compose(long result, const char* text, const char* firstLine) {
    char message[kErrorMessageSize];
    std::memset(message, 'X', sizeof(message));
    ComposeErrorMessage(result, text, firstLine, message, sizeof(message));
    return message;
}

std::wstring FromCodePage932(const std::string& text) {
    wchar_t wide[512] = {};
    MultiByteToWideChar(932, 0, text.c_str(), -1, wide, 512);
    return wide;
}

// The platform's own text for a code, as the reporter asks for it.
std::string PlatformText(HRESULT result) {
    char text[160] = {};
    if (AMGetErrorTextA(result, text, 160) == 0) {
        return "";
    }
    return text;
}

TEST_F(ErrorMessages, KnownTextFollowsTheCode) {
    EXPECT_EQ(Compose((long)0x80040209, "Pin is not connected.", nullptr),
              "DirectShow Error: 0x80040209 Pin is not connected.");
}

TEST_F(ErrorMessages, MissingTextGivesTheUnknownForm) {
    EXPECT_EQ(Compose((long)0x80004005, "", nullptr), "DirectShow Unknown Error: 0x80004005");
    EXPECT_EQ(Compose((long)0x80004005, nullptr, nullptr),
              "DirectShow Unknown Error: 0x80004005");
}

TEST_F(ErrorMessages, CodeIsLowerCaseHexWithoutLeadingZeros) {
    EXPECT_EQ(Compose((long)0x8004027A, "", nullptr), "DirectShow Unknown Error: 0x8004027a");
    EXPECT_EQ(Compose(0xABC, "x", nullptr), "DirectShow Error: 0xabc x");
}

TEST_F(ErrorMessages, FirstLineStandsAboveTheMessage) {
    std::string known = Compose((long)0x80040154, "Class not registered", kDirectShowMissingLine);
    std::string unknown = Compose((long)0x80040154, "", kDirectShowMissingLine);

    EXPECT_EQ(FromCodePage932(known),
              L"DirectShowがインストールされていません。\n"
              L"DirectShow Error: 0x80040154 Class not registered");
    EXPECT_EQ(FromCodePage932(unknown),
              L"DirectShowがインストールされていません。\nDirectShow Unknown Error: 0x80040154");
}

TEST_F(ErrorMessages, LongestCompositionFitsWhole) {
    std::string text(159, 'e');
    std::string message = Compose((long)0x80040154, text.c_str(), kDirectShowMissingLine);

    EXPECT_EQ(message, std::string(kDirectShowMissingLine) +
                           "\nDirectShow Error: 0x80040154 " + text);
}

TEST_F(ErrorMessages, SmallBufferIsCutAndTerminated) {
    char message[12];
    std::memset(message, 'X', sizeof(message));
    ComposeErrorMessage((long)0x80004005, "text", nullptr, message, sizeof(message));
    EXPECT_EQ(std::string(message), "DirectShow ");
}

TEST_F(ErrorMessages, SuccessCodesReturnQuietly) {
    CheckResult(S_OK);
    CheckResult(S_FALSE);
    CheckResult((HRESULT)0x7fffffff);
    CheckResult(S_OK, kDirectShowMissingLine);

    EXPECT_TRUE(FakeLog().empty()) << LogText();
}

TEST_F(ErrorMessages, FailureShowsTheBoxThenEndsWithCodeOne) {
    int cursorBefore = CursorShowCount();
    HRESULT code = (HRESULT)0x80040209; // VFW_E_NOT_CONNECTED

    CheckResult(code);

    ASSERT_EQ(FakeHooks().boxTexts.size(), 1u) << LogText();
    std::string platform = PlatformText(code);
    std::string expected = platform.empty() ? "DirectShow Unknown Error: 0x80040209"
                                            : "DirectShow Error: 0x80040209 " + platform;
    EXPECT_EQ(FakeHooks().boxTexts[0], expected);
    EXPECT_EQ(FakeHooks().boxCaptions[0], "Flickvane");
    EXPECT_EQ(FakeHooks().boxOwners[0], window);
    ASSERT_EQ(FakeHooks().exitCodes.size(), 1u);
    EXPECT_EQ(FakeHooks().exitCodes[0], 1u);
    EXPECT_EQ(FakeLog().back(), "endProcess(1)");
    // The cursor, hidden while saving, is shown for the box.
    EXPECT_EQ(CursorShowCount(), cursorBefore + 1);
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, CaptionIsTheSectionName) {
    lstrcpynA(gSettings.sectionName, "Other", sizeof(gSettings.sectionName));
    CheckResult(E_FAIL);
    ASSERT_EQ(FakeHooks().boxCaptions.size(), 1u);
    EXPECT_EQ(FakeHooks().boxCaptions[0], "Other");
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, CaptionComesFromTheStringTableBeforeTheSettingsAreRead) {
    gSettings.sectionName[0] = '\0';
    CheckResult(E_FAIL);
    ASSERT_EQ(FakeHooks().boxCaptions.size(), 1u);
    EXPECT_EQ(FakeHooks().boxCaptions[0], "Flickvane");
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, FirstLineFormReachesTheBox) {
    CheckResult(REGDB_E_CLASSNOTREG, kDirectShowMissingLine);

    ASSERT_EQ(FakeHooks().boxTexts.size(), 1u);
    std::wstring text = FromCodePage932(FakeHooks().boxTexts[0]);
    std::wstring firstLine = L"DirectShowがインストールされていません。\nDirectShow ";
    EXPECT_EQ(text.substr(0, firstLine.size()), firstLine);
    EXPECT_NE(text.find(L"0x80040154"), std::wstring::npos);
    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u});
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, PreviewEndsSilentlyWithCodeOne) {
    gHost.previewMode = true;
    gHost.previewParent = GetDesktopWindow();
    int cursorBefore = CursorShowCount();

    CheckResult(E_FAIL);
    CheckResult(REGDB_E_CLASSNOTREG, kDirectShowMissingLine);

    EXPECT_TRUE(FakeHooks().boxTexts.empty()) << LogText();
    EXPECT_EQ(FakeHooks().exitCodes, (std::vector<UINT>{1u, 1u}));
    EXPECT_EQ(CursorShowCount(), cursorBefore);
}

TEST_F(ErrorMessages, NothingIsReleasedOrDestroyedOnTheWayOut) {
    fakes->InstallRunning(true);

    CheckResult(E_UNEXPECTED);

    EXPECT_EQ(FakeLog().size(), 2u) << LogText(); // the box and the end
    EXPECT_EQ(gGraph.graph, &fakes->graph);
    EXPECT_TRUE(IsWindow(window));
    ShowCursor(FALSE);
}

} // namespace
