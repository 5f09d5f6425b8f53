// The DirectShow failure report: message text, caption, owner, cursor and exit code.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "fake_graph.h"

#include <errors.h>

#include "playback/error_message.h"
#include "resources/resource.h"
#include "resources/resource_text.h"
#include "unit_support.h"

namespace {

class ErrorMessages : public PlaybackTest {};

std::wstring DirectShowMissing() { return ResourceText(IDS_DIRECTSHOW_MISSING); }

std::string Compose(long result, const char* text, const wchar_t* firstLine) {
    wchar_t message[kErrorMessageSize];
    std::wmemset(message, L'X', kErrorMessageSize);
    std::wstring wideText = text ? unit::W(text) : L"";
    ComposeErrorMessage(result, text ? wideText.c_str() : nullptr, firstLine, message,
                        kErrorMessageSize);
    return unit::U8(message);
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
    std::string known = Compose((long)0x80040154, "Class not registered", DirectShowMissing().c_str());
    std::string unknown = Compose((long)0x80040154, "", DirectShowMissing().c_str());

    EXPECT_EQ(known, "DirectShowがインストールされていません。\n"
                     "DirectShow Error: 0x80040154 Class not registered");
    EXPECT_EQ(unknown, "DirectShowがインストールされていません。\nDirectShow Unknown Error: 0x80040154");
}

TEST_F(ErrorMessages, LongestCompositionFitsWhole) {
    std::string text(159, 'e');
    std::string message = Compose((long)0x80040154, text.c_str(), DirectShowMissing().c_str());

    EXPECT_EQ(message, unit::U8(DirectShowMissing().c_str()) +
                           "\nDirectShow Error: 0x80040154 " + text);
}

TEST_F(ErrorMessages, SmallBufferIsCutAndTerminated) {
    wchar_t message[12];
    std::wmemset(message, L'X', 12);
    ComposeErrorMessage((long)0x80004005, L"text", nullptr, message, 12);
    EXPECT_EQ(std::wstring(message), L"DirectShow ");
}

TEST_F(ErrorMessages, SuccessCodesReturnQuietly) {
    CheckResult(S_OK);
    CheckResult(S_FALSE);
    CheckResult((HRESULT)0x7fffffff);
    CheckResult(S_OK, DirectShowMissing().c_str());

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
    lstrcpynW(gSettings.sectionName, L"Other", kSectionNameSize);
    CheckResult(E_FAIL);
    ASSERT_EQ(FakeHooks().boxCaptions.size(), 1u);
    EXPECT_EQ(FakeHooks().boxCaptions[0], "Other");
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, CaptionComesFromTheStringTableBeforeTheSettingsAreRead) {
    gSettings.sectionName[0] = L'\0';
    CheckResult(E_FAIL);
    ASSERT_EQ(FakeHooks().boxCaptions.size(), 1u);
    EXPECT_EQ(FakeHooks().boxCaptions[0], "Flickvane");
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, FirstLineFormReachesTheBox) {
    CheckResult(REGDB_E_CLASSNOTREG, DirectShowMissing().c_str());

    ASSERT_EQ(FakeHooks().boxTexts.size(), 1u);
    std::wstring text = unit::W(FakeHooks().boxTexts[0]);
    std::wstring firstLine = L"DirectShowがインストールされていません。\nDirectShow ";
    EXPECT_EQ(text.substr(0, firstLine.size()), firstLine);
    EXPECT_NE(text.find(L"0x80040154"), std::wstring::npos);
    EXPECT_EQ(FakeHooks().exitCodes, std::vector<UINT>{1u});
    ShowCursor(FALSE);
}

TEST_F(ErrorMessages, PreviewEndsSilentlyWithCodeOne) {
    gHost.previewMode = true;
    gHost.previewParent = GetDesktopWindow();
    SetErrorReportOwner(window, true);
    int cursorBefore = CursorShowCount();

    CheckResult(E_FAIL);
    CheckResult(REGDB_E_CLASSNOTREG, DirectShowMissing().c_str());

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
