// The configuration dialog, its menus and its texts in the user's UI language, which Wine takes
// from the locale: Japanese under ja_JP, English under en_US and under a language the saver
// has no texts for (de_DE). Every caption fits its control in the control's own font.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "config_support.h"
#include "e2e_support.h"
#include "resources/resource.h"

using namespace e2e;

namespace {

struct Texts {
    const wchar_t* caption;
    const wchar_t* menu;       // IDM_CONTEXT_SELECTED's items, separated by '|'
    const wchar_t* strings[8]; // IDS_URL_PROMPT to IDS_SAVE_FAILED; Japanese: as in the code
};

const Texts kJapanese = {
    L"ビデオファイル設定",
    L"ファイル登録(&F)|ディレクト登録(&D)|URL登録(&H)||上へ移動(&U)|下へ移動(&D)||"
    L"削除(&L)|全削除(&A)",
    {}};
const Texts kEnglish = {
    L"Flickvane Settings",
    L"Add &files...|Add f&older...|Add U&RL...||Move &up|Move &down||De&lete|Delete &all",
    {L"http://<click here and type the URL>", L"Remove every entry from the playlist?",
     L"Choose files", L"Choose a folder", L"All files", L"DirectShow is not installed.",
     L"File name",
     L"The settings could not be saved: neither the Windows folder nor your user folder can be "
     L"written to."}};

// The UI language of another process: GetUserDefaultUILanguage run on a thread of its own.
LANGID UiLanguageOf(HANDLE process) {
    FARPROC call = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetUserDefaultUILanguage");
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, (LPTHREAD_START_ROUTINE)(void*)call,
                                       nullptr, 0, nullptr);
    DWORD language = 0;
    if (thread && WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0) {
        GetExitCodeThread(thread, &language);
    }
    CloseHandle(thread);
    return (LANGID)language;
}

// What of the control's caption is cut off, in pixels, in the control's font; 0 when it fits.
int ClippedPixels(HWND control) {
    std::wstring text = WideWindowText(control);
    LONG style = GetWindowLongW(control, GWL_STYLE);
    LONG type = style & BS_TYPEMASK;
    bool button = WindowClass(control) == "Button";
    if (text.empty() || (!button && WindowClass(control) != "Static")) {
        return 0;
    }
    // The saver gives its controls a stock font, whose handle holds in every process; any
    // other font is the dialog's own, made from its template.
    HFONT font = (HFONT)SendMessageW(control, WM_GETFONT, 0, 0);
    HFONT own = nullptr;
    if (font != GetStockObject(DEFAULT_GUI_FONT) && font != GetStockObject(SYSTEM_FONT)) {
        own = font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                 L"MS Shell Dlg 2");
    }
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT box = {};
    GetClientRect(control, &box);
    bool multiLine = !button && text.find(L'\n') != std::wstring::npos;
    RECT need = {0, 0, multiLine ? box.right : 0, 0};
    DrawTextW(dc, text.c_str(), -1, &need,
              DT_CALCRECT | (multiLine ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    DeleteObject(own); // null when the control's own font was measured
    ReleaseDC(nullptr, dc);
    // Room for a check box's or radio button's glyph and its gap, a push button's edges, or
    // the indent of a group box's caption.
    bool glyph = button && type >= BS_CHECKBOX && type <= BS_AUTORADIOBUTTON && type != BS_GROUPBOX;
    int edges = !button               ? 0
                : glyph               ? GetSystemMetrics(SM_CXMENUCHECK) + 4
                : type == BS_GROUPBOX ? 16
                                      : 8;
    int height = button && !glyph && type != BS_GROUPBOX ? 4 : 0;
    return (int)std::max({need.right + edges - box.right, need.bottom + height - box.bottom, 0L});
}

void CheckDialog(const wchar_t* locale, WORD uiLanguage, const Texts& texts) {
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != uiLanguage) {
        // Once more, in a process of its own under the locale.
        ASSERT_EQ(GetEnvironmentVariableA("FLICKVANE_LOCALE_RUN", nullptr, 0), 0u)
            << "the locale does not reach Wine; scripts/setup generates it";
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        char program[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        std::string filter = std::string(test->test_suite_name()) + "." + test->name();
        std::string output;
        EXPECT_EQ(
            RunUnderLocale(Ansi(locale), program, "--gtest_filter=" + filter, 120000, &output), 0u)
            << "under " << Ansi(locale) << ":\n"
            << output;
        return;
    }
    RemoveSettings();
    SaverProcess saver;
    ConfigDialog config;
    ASSERT_TRUE(OpenConfigDialog(saver, "", &config));
    EXPECT_EQ(PRIMARYLANGID(UiLanguageOf(config.process)), uiLanguage);
    EXPECT_EQ(WideWindowText(config.dialog), texts.caption);
    for (HWND child = GetWindow(config.dialog, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring text = WideWindowText(child);
        bool ascii = std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 128; });
        EXPECT_TRUE(ascii || &texts != &kEnglish) << Ansi(text.c_str());
        EXPECT_EQ(ClippedPixels(child), 0) << "clipped: " << Ansi(text.c_str());
    }
    saver.Kill();

    // Menus and texts as this process, in the same locale, finds them in the saver.
    HMODULE module = LoadLibraryExA(SaverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(IDM_CONTEXT_SELECTED));
    std::wstring items;
    for (int index = 0; index < GetMenuItemCount(GetSubMenu(menu, 0)); index++) {
        wchar_t item[128] = {};
        GetMenuStringW(GetSubMenu(menu, 0), index, item, 128, MF_BYPOSITION);
        items += (index ? L"|" : L"") + std::wstring(item);
    }
    EXPECT_EQ(items, texts.menu);
    for (int id = IDS_URL_PROMPT; texts.strings[0] && id <= IDS_SAVE_FAILED; id++) {
        wchar_t text[256] = {};
        LoadStringW(module, id, text, 256);
        EXPECT_EQ(std::wstring(text), texts.strings[id - IDS_URL_PROMPT]) << id;
    }
    DestroyMenu(menu);
    FreeLibrary(module);
}

} // namespace

TEST(ConfigLanguage, JapaneseWindowsShowsEverythingInJapanese) {
    CheckDialog(L"ja_JP.UTF-8", LANG_JAPANESE, kJapanese);
}

TEST(ConfigLanguage, EnglishWindowsShowsEverythingInEnglish) {
    CheckDialog(L"en_US.UTF-8", LANG_ENGLISH, kEnglish);
}

TEST(ConfigLanguage, WindowsInAnotherLanguageFallsBackToEnglish) {
    CheckDialog(L"de_DE.UTF-8", LANG_GERMAN, kEnglish);
}
