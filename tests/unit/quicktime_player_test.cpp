// The player's single steps against the test runtime loaded in this process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "quicktime/qt_calls.h"
#include "quicktime/qt_loader.h"
#include "quicktime/qt_player.h"
#include "settings/settings.h"
#include "unit_support.h"

namespace {

using unit::ExeFolder;

std::string TempPath(const char* name) {
    char path[MAX_PATH] = {};
    GetTempPathA(sizeof(path), path);
    return std::string(path) + name;
}

void WriteText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
}

class QuickTimePlayerSteps : public ::testing::Test {
protected:
    void SetUp() override {
        QtResetLoaderState();
        logPath = TempPath("qt_standin_player.log");
        DeleteFileA(logPath.c_str());
        SetEnvironmentVariableA("QTSTANDIN_LOG", logPath.c_str());
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, QtRegistryKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr);
        std::string folder = ExeFolder() + "qt_standin\\v7020\\";
        RegSetValueExA(key, "QTSysDir", 0, REG_SZ, (const BYTE*)folder.c_str(),
                       (DWORD)folder.size() + 1);
        RegCloseKey(key);
        ASSERT_EQ(QtRuntimeInitialize(0), 0);
        window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        memset(&gQtMovieState, 0, sizeof(gQtMovieState));
        gQtMovieState.window = window;
        CreatePortAssociation(window, nullptr, 0);
        savedSettings = gSettings;
    }
    void TearDown() override {
        if (gQtMovieState.movie != nullptr) {
            DisposeMovie(gQtMovieState.movie);
            gQtMovieState.movie = nullptr;
        }
        gSettings = savedSettings;
        DestroyWindow(window);
        QtRuntimeTerminate();
        QtResetLoaderState();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, QtRegistryKey);
    }

    // Opens a movie file of the test runtime into the player's record.
    int Open(const std::string& description) {
        std::string path = TempPath("qt_player_unit.mov");
        WriteText(path, description);
        DWORD length = GetShortPathNameA(path.c_str(), gQtMovieState.path, 255);
        EXPECT_GT(length, 0u);
        return QtOpenMovie(window, &gQtMovieState);
    }

    std::string LastLine(const char* prefix) {
        std::string found;
        for (const std::string& line : unit::CrLfLines(unit::ReadBytes(logPath))) {
            if (line.rfind(prefix, 0) == 0) {
                found = line;
            }
        }
        return found;
    }

    std::string logPath;
    HWND window = nullptr;
    SaverSettings savedSettings;
};

} // namespace

TEST_F(QuickTimePlayerSteps, OpenGivesTheMovieAndTitlesTheWindowWithTheShortName) {
    ASSERT_EQ(Open("box=320x240 scale=600 duration=1800 color=00ffff"), 1);
    EXPECT_NE(gQtMovieState.movie, nullptr);
    char title[256] = {};
    GetWindowTextA(window, title, sizeof(title));
    std::string shortPath = gQtMovieState.path;
    EXPECT_EQ(std::string(title), shortPath.substr(shortPath.find_last_of('\\') + 1));
    // The record keeps its zero-terminated path.
    EXPECT_EQ(gQtMovieState.path[0], shortPath[0]);
}

TEST_F(QuickTimePlayerSteps, EmptyPathOpensNothingAndCallsNothing) {
    size_t before = unit::CrLfLines(unit::ReadBytes(logPath)).size();
    gQtMovieState.path[0] = '\0';
    EXPECT_EQ(QtOpenMovie(window, &gQtMovieState), 0);
    EXPECT_EQ(unit::CrLfLines(unit::ReadBytes(logPath)).size(), before);
}

TEST_F(QuickTimePlayerSteps, FileThatIsNoMovieLeavesNoMovie) {
    EXPECT_EQ(Open("not a movie"), 0);
    EXPECT_EQ(gQtMovieState.movie, nullptr);
    EXPECT_NE(LastLine("CloseMovieFile "), "") << "the file was left open";
}

TEST_F(QuickTimePlayerSteps, MissingFileIsNotOpened) {
    strcpy(gQtMovieState.path, "C:\\NOWHERE\\NONE.MOV");
    EXPECT_EQ(QtOpenMovie(window, &gQtMovieState), 0);
    EXPECT_EQ(gQtMovieState.movie, nullptr);
    EXPECT_EQ(LastLine("NewMovieFromFile"), "");
}

TEST_F(QuickTimePlayerSteps, MovieSizeIsTheBoxAndItsOwnRatio) {
    ASSERT_EQ(Open("box=352x288 scale=600 duration=1800"), 1);
    int w = 0, h = 0, rw = 0, rh = 0;
    QtGetMovieSize(&w, &h, &rw, &rh);
    EXPECT_EQ(w, 352);
    EXPECT_EQ(h, 288);
    EXPECT_EQ(rw, 352);
    EXPECT_EQ(rh, 288);
}

TEST_F(QuickTimePlayerSteps, BoundsAreHandedOverTopLeftBottomRightInSixteenBits) {
    ASSERT_EQ(Open("box=320x240 scale=600 duration=1800"), 1);
    QtSetMovieBounds(nullptr, 352, 264, 672, 504);
    EXPECT_EQ(LastLine("SetMovieBox "), "SetMovieBox 1 264 352 504 672");
    QtSetMovieBounds(window, -5, 65536 + 7, 70000, 40000);
    EXPECT_EQ(LastLine("SetMovieBox "), "SetMovieBox 1 7 -5 -25536 4464");
    int w = 0, h = 0, rw = 0, rh = 0;
    QtSetMovieBounds(window, 10, 20, 110, 70);
    QtGetMovieSize(&w, &h, &rw, &rh);
    EXPECT_EQ(w, 100);
    EXPECT_EQ(h, 50);
}

TEST_F(QuickTimePlayerSteps, TheBoxKeepsToThePartThatShows) {
    ASSERT_EQ(Open("box=1280x720 scale=600 duration=1800"), 1);
    QuickTimePlayer player;
    player.Place({-128, 24, 1152, 744}, {0, 0, 1024, 768});
    EXPECT_EQ(LastLine("SetMovieBox "), "SetMovieBox 1 24 0 744 1024");
}

TEST_F(QuickTimePlayerSteps, VolumeIsQuantisedAndWrittenBack) {
    ASSERT_EQ(Open("box=320x240 scale=600 duration=1800"), 1);
    gSettings.Mute = 0;
    gSettings.Volume = -1000;
    QtApplyVolume(0);
    EXPECT_EQ(LastLine("SetMovieVolume "), "SetMovieVolume 1 230");
    EXPECT_EQ(gSettings.Volume, -1015);
    gSettings.Volume = -781;
    QtApplyVolume(0);
    EXPECT_EQ(gSettings.Volume, -781);
    EXPECT_EQ(LastLine("SetMovieVolume "), "SetMovieVolume 1 236");
    gSettings.Volume = -10000;
    QtApplyVolume(-20);
    EXPECT_EQ(LastLine("SetMovieVolume "), "SetMovieVolume 1 -20");
    EXPECT_EQ(gSettings.Volume, -10000);
}

TEST_F(QuickTimePlayerSteps, MuteKeepsTheMovieSilentAtItsOwnLevel) {
    ASSERT_EQ(Open("box=320x240 scale=600 duration=1800 volume=200"), 1);
    gSettings.Mute = 1;
    gSettings.Volume = -500;
    QtApplyVolume(20);
    EXPECT_EQ(LastLine("SetMovieVolume "), "SetMovieVolume 1 -200");
    QtApplyVolume(-20);
    EXPECT_EQ(LastLine("SetMovieVolume "), "SetMovieVolume 1 -200");
    EXPECT_EQ(gSettings.Volume, -500);
    // A Mute value other than 1 is off.
    gSettings.Mute = 2;
    gSettings.Volume = 0;
    QtApplyVolume(0);
    EXPECT_EQ(LastLine("SetMovieVolume "), "SetMovieVolume 1 256");
}
