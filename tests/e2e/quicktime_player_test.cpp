// QuickTime items in the real Flickvane.scr, played through the test runtime built beside the
// tests (qt_standin), which the saver finds through the "QTSysDir" registry value.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "e2e_support.h"

using namespace e2e;

namespace {

const char kQuickTimeKey[] = "Software\\Apple Computer, Inc.\\QuickTime";
const COLORREF kCyan = RGB(0, 255, 255);
const COLORREF kOrange = RGB(255, 128, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

void SetQtSysDir(const std::string& folder) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kQuickTimeKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "QTSysDir", 0, REG_SZ, (const BYTE*)folder.c_str(),
                       (DWORD)folder.size() + 1);
        RegCloseKey(key);
    }
}

void ClearQuickTimeKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kQuickTimeKey); }

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            break; // a line still being written
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool ContainsNoCase(std::string text, std::string part) {
    CharLowerA(&text[0]);
    CharLowerA(&part[0]);
    return text.find(part) != std::string::npos;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Numbers after a prefix, e.g. "SetMovieBox 1 " gives the four edges.
std::vector<long> NumbersAfter(const std::string& line, const std::string& prefix) {
    std::vector<long> numbers;
    const char* p = line.c_str() + prefix.size();
    char* end = nullptr;
    for (;;) {
        long value = strtol(p, &end, 10);
        if (end == p) {
            break;
        }
        numbers.push_back(value);
        p = end;
        while (*p == ' ' || *p == '>' || *p == '-') {
            if (*p == '-' && p[1] >= '0' && p[1] <= '9') {
                break;
            }
            ++p;
        }
    }
    return numbers;
}

class QuickTimeE2e : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveSettings();
        ClearQuickTimeKey();
        dir = TempDir();
        logPath = dir + "\\runtime.log";
        // The folder's name can repeat between test processes, so an old log may be there.
        DeleteFileA(logPath.c_str());
        SetEnvironmentVariableA("QTSTANDIN_LOG", logPath.c_str());
        SetEnvironmentVariableA("QTSTANDIN_INIT_RESULT", nullptr);
    }
    void TearDown() override {
        if (HasFailure()) {
            SaveCapture(CaptureScreen(), dir + "\\failure.bmp");
            printf("runtime log and screenshot in %s\n", dir.c_str());
        }
        saver.Kill();
        saver.WaitForExit(5000);
        if (host) {
            DestroyWindow(host);
        }
        ClearQuickTimeKey();
        RemoveSettings();
    }

    void InstallRuntime() { SetQtSysDir(BuildDir() + "\\qt_standin\\v7020\\"); }

    // A movie file of the test runtime.
    std::string Movie(const std::string& name, const std::string& description) {
        std::string path = dir + "\\" + name;
        WriteFileBytes(path, description);
        return path;
    }

    void WritePlaylist(const std::vector<std::string>& items, std::vector<std::string> options) {
        options.push_back("FilesNum=" + std::to_string(items.size()));
        for (size_t i = 0; i < items.size(); ++i) {
            options.push_back("File" + std::to_string(i + 1) + "=" + items[i]);
        }
        WriteSettings(options);
    }

    std::vector<std::string> Log() { return SplitLines(ReadFileBytes(logPath)); }

    // The first log line starting with the prefix, waiting for it.
    std::string WaitForLine(const std::string& prefix, DWORD timeoutMs = 10000, size_t from = 0) {
        std::string found;
        WaitUntil(
            [&] {
                std::vector<std::string> lines = Log();
                for (size_t i = from; i < lines.size(); ++i) {
                    if (StartsWith(lines[i], prefix)) {
                        found = lines[i];
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }

    int CountLines(const std::string& prefix) {
        int count = 0;
        for (const std::string& line : Log()) {
            count += StartsWith(line, prefix) ? 1 : 0;
        }
        return count;
    }

    size_t LogSize() { return Log().size(); }

    // Movie ids in the order the runtime opened them, with their file names.
    std::vector<std::string> OpenedMovies() {
        std::vector<std::string> names;
        for (const std::string& line : Log()) {
            if (StartsWith(line, "NewMovieFromFile ") && line.find(" -> 0") != std::string::npos) {
                names.push_back(line);
            }
        }
        return names;
    }

    bool ColourShown(COLORREF colour, int minimumPixels = 2000) {
        return CountColour(CaptureScreen(), colour) >= minimumPixels;
    }

    std::string dir;
    std::string logPath;
    SaverProcess saver;
    HWND host = nullptr;
};

class QuickTimePlaylistOrder : public QuickTimeE2e {};
class QuickTimeMoviePlacement : public QuickTimeE2e {};
class QuickTimeKeys : public QuickTimeE2e {};
class QuickTimeSeeking : public QuickTimeE2e {};
class QuickTimeVolume : public QuickTimeE2e {};
class QuickTimeExit : public QuickTimeE2e {};
class QuickTimeNesting : public QuickTimeE2e {};
class QuickTimeUnplayable : public QuickTimeE2e {};
class QuickTimeWithoutRuntime : public QuickTimeE2e {};

} // namespace

TEST_F(QuickTimePlaylistOrder, MovieBetweenTwoClipsPlaysInOrderAndItsEndStartsTheNext) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=1200 color=00ffff");
    WritePlaylist({MediaDir() + "\\red.avi", movie, MediaDir() + "\\blue.avi"},
                  {"Size=3", "AspectRatio=0"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);

    // Which picture shows, sampled until the last clip appears.
    std::vector<int> seen; // 0 red, 1 cyan, 2 blue
    ASSERT_TRUE(WaitUntil(
        [&] {
            Capture shot = CaptureScreen();
            int which = -1;
            if (CountColour(shot, kRed) > 5000) which = 0;
            if (CountColour(shot, kCyan) > 5000) which = 1;
            if (CountColour(shot, kBlue) > 5000) which = 2;
            if (which >= 0 && (seen.empty() || seen.back() != which)) {
                seen.push_back(which);
            }
            return which == 2;
        },
        20000, 100));
    std::vector<int> expected = {0, 1, 2};
    EXPECT_EQ(seen, expected);

    // The movie ran to its end: disposed of once, after the runtime reported it done.
    std::vector<std::string> log = Log();
    int done = -1;
    int disposed = -1;
    for (size_t i = 0; i < log.size(); ++i) {
        if (StartsWith(log[i], "IsMovieDone 1 -> 1") && done < 0) done = (int)i;
        if (StartsWith(log[i], "DisposeMovie 1")) disposed = (int)i;
    }
    EXPECT_GE(done, 0);
    EXPECT_GT(disposed, done);
    EXPECT_EQ(CountLines("DisposeMovie"), 1);
    EXPECT_EQ(OpenedMovies().size(), 1u);
}

TEST_F(QuickTimePlaylistOrder, CallsFollowTheOpeningOrder) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=600 color=00ffff");
    WritePlaylist({movie}, {"Volume=0"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("DisposeMovie 1"), "");
    std::vector<std::string> names;
    for (const std::string& line : Log()) {
        std::string name = line.substr(0, line.find(' '));
        if (name == "GetMovieTime" || name == "_CallComponent") {
            continue;
        }
        if (names.empty() || names.back() != name) {
            names.push_back(name);
        }
    }
    std::vector<std::string> expected = {
        "InitializeQTML", "EnterMovies",    "CreatePortAssociation", "c2pstr",
        "FSMakeFSSpec",   "GetNativeWindowPort", "SetGWorld",         "OpenMovieFile",
        "NewMovieFromFile", "CloseMovieFile", "p2cstr",              "GetMovieBox",
        "SetMovieBox",    "SetMovieVolume", "StartMovie",            "MoviesTask",
        "IsMovieDone",    "DisposeMovie"};
    EXPECT_EQ(names, expected);
    // The runtime is handed the short form of the path, read-only.
    std::string made = WaitForLine("FSMakeFSSpec 0 0 ");
    std::string name = made.substr(strlen("FSMakeFSSpec 0 0 "));
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(movie.c_str(), shortPath, sizeof(shortPath));
    EXPECT_EQ(name, shortPath);
    EXPECT_EQ(WaitForLine("OpenMovieFile "), "OpenMovieFile " + name + " 1 -> 0");
    EXPECT_NE(WaitForLine("NewMovieFromFile 1 ").find("flags=1 -> 0"), std::string::npos);
}

TEST_F(QuickTimeMoviePlacement, HundredPercentBoxIsCentred) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=30000 color=00ffff");
    WritePlaylist({movie}, {"Size=3", "AspectRatio=0"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    std::string line = WaitForLine("SetMovieBox 1 ");
    ASSERT_NE(line, "");
    std::vector<long> edges = NumbersAfter(line, "SetMovieBox 1 ");
    std::vector<long> expected = {264, 352, 504, 672}; // top, left, bottom, right
    EXPECT_EQ(edges, expected);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(kCyan, 70000); }, 5000));
    Capture shot = CaptureScreen();
    RECT box = FindColourBox(shot, kCyan);
    EXPECT_EQ(box.left, 352);
    EXPECT_EQ(box.top, 264);
    EXPECT_EQ(box.right, 672);
    EXPECT_EQ(box.bottom, 504);
    // Black around it.
    EXPECT_TRUE(ColourNear(shot.At(100, 100), RGB(0, 0, 0), 8));
    EXPECT_TRUE(ColourNear(shot.At(900, 700), RGB(0, 0, 0), 8));
}

TEST_F(QuickTimeMoviePlacement, FullScreenSixteenToNine) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=30000 color=00ffff");
    WritePlaylist({movie}, {"Size=6", "AspectRatio=2"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    std::string line = WaitForLine("SetMovieBox 1 ");
    std::vector<long> expected = {96, 0, 672, 1024};
    EXPECT_EQ(NumbersAfter(line, "SetMovieBox 1 "), expected);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(kCyan, 500000); }, 5000));
    RECT box = FindColourBox(CaptureScreen(), kCyan);
    EXPECT_EQ(box.top, 96);
    EXPECT_EQ(box.bottom, 672);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 1024);
}

TEST_F(QuickTimeMoviePlacement, TitleIsTheShortFileName) {
    InstallRuntime();
    std::string movie = Movie("a rather long movie name.mov",
                              "box=320x240 scale=600 duration=30000 color=00ffff");
    char shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(movie.c_str(), shortPath, sizeof(shortPath)), 0u);
    std::string shortName = shortPath;
    shortName = shortName.substr(shortName.find_last_of('\\') + 1);
    ASSERT_NE(shortName, "a rather long movie name.mov");
    WritePlaylist({movie}, {});
    HWND window = saver.StartFullScreen();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(WaitForLine("StartMovie 1"), "");
    EXPECT_EQ(WindowText(window), shortName);
}

TEST_F(QuickTimeKeys, DownAndUpSwitchItemsWithKeyboardControl) {
    InstallRuntime();
    std::string first = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    std::string second = Movie("orange.mov", "box=320x240 scale=600 duration=60000 color=ff8000");
    WritePlaylist({first, second}, {"Keyboard=1", "ESCKey=1", "Size=3"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(kCyan); }, 10000));

    PressKey(VK_DOWN);
    ASSERT_NE(WaitForLine("NewMovieFromFile 2 "), "");
    EXPECT_TRUE(ContainsNoCase(WaitForLine("NewMovieFromFile 2 "), "orange.mov"));
    EXPECT_TRUE(WaitUntil([&] { return ColourShown(kOrange); }, 5000));
    EXPECT_NE(WaitForLine("DisposeMovie 1"), "");

    PressKey(VK_UP);
    ASSERT_NE(WaitForLine("NewMovieFromFile 3 "), "");
    EXPECT_TRUE(ContainsNoCase(WaitForLine("NewMovieFromFile 3 "), "cyan.mov"));
    EXPECT_NE(WaitForLine("DisposeMovie 2"), "");
    EXPECT_TRUE(WaitUntil([&] { return ColourShown(kCyan); }, 5000));

    // Disposed of before the following item is opened.
    std::vector<std::string> log = Log();
    size_t disposeFirst = 0, openSecond = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (StartsWith(log[i], "DisposeMovie 1")) disposeFirst = i;
        if (StartsWith(log[i], "NewMovieFromFile 2 ")) openSecond = i;
    }
    EXPECT_LT(disposeFirst, openSecond);
    EXPECT_TRUE(saver.StaysRunning());
}

TEST_F(QuickTimeKeys, DownFromTheMovieStartsTheFollowingClip) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie, MediaDir() + "\\blue.avi"}, {"Keyboard=1", "ESCKey=1", "Size=3"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(kCyan); }, 10000));
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ColourShown(kBlue, 5000); }, 10000));
    EXPECT_EQ(CountLines("DisposeMovie 1"), 1);
}

TEST_F(QuickTimeSeeking, RightAndLeftMoveByTheStepInMovieUnits) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=1000 duration=600000 color=00ffff");
    WritePlaylist({movie}, {"Keyboard=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("MoviesTask 1"), "");

    size_t mark = LogSize();
    KeyDown(VK_RIGHT);
    std::string set = WaitForLine("SetMovieTime 1 ", 5000, mark);
    ASSERT_NE(set, "");
    std::string got = WaitForLine("GetMovieTime 1 -> ", 5000, mark);
    long before = NumbersAfter(got, "GetMovieTime 1 -> ").at(0);
    long after = NumbersAfter(set, "SetMovieTime 1 ").at(0);
    EXPECT_EQ(after - before, 2000);
    EXPECT_NE(WaitForLine("StopMovie 1", 5000, mark), "");
    EXPECT_NE(WaitForLine("GetMovieDuration 1", 5000, mark), "");
    size_t released = LogSize();
    KeyUp(VK_RIGHT);
    EXPECT_NE(WaitForLine("StartMovie 1", 5000, released), "");

    SleepPumping(300);
    mark = LogSize();
    PressKey(VK_LEFT);
    set = WaitForLine("SetMovieTime 1 ", 5000, mark);
    got = WaitForLine("GetMovieTime 1 -> ", 5000, mark);
    ASSERT_NE(set, "");
    before = NumbersAfter(got, "GetMovieTime 1 -> ").at(0);
    after = NumbersAfter(set, "SetMovieTime 1 ").at(0);
    EXPECT_EQ(after, before - 2000 < 0 ? 0 : before - 2000);
}

TEST_F(QuickTimeSeeking, HeldKeyGrowsTheStepWhichStaysForTheNextItem) {
    InstallRuntime();
    std::string first = Movie("cyan.mov", "box=320x240 scale=1000 duration=600000 color=00ffff");
    std::string second = Movie("orange.mov", "box=320x240 scale=1000 duration=600000 color=ff8000");
    WritePlaylist({first, second}, {"Keyboard=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("MoviesTask 1"), "");

    // Twelve key-downs without a release, as the keyboard's auto-repeat sends them.
    for (int i = 0; i < 12; ++i) {
        size_t mark = LogSize();
        KeyDown(VK_RIGHT);
        ASSERT_NE(WaitForLine("SetMovieTime 1 ", 5000, mark), "") << "key-down " << i + 1;
    }
    KeyUp(VK_RIGHT);
    std::vector<long> times;
    for (const std::string& line : Log()) {
        if (StartsWith(line, "SetMovieTime 1 ")) {
            times.push_back(NumbersAfter(line, "SetMovieTime 1 ").at(0));
        }
    }
    ASSERT_EQ(times.size(), 12u);
    for (size_t i = 1; i < 11; ++i) {
        EXPECT_EQ(times[i] - times[i - 1], 2000) << "key-down " << i + 1;
    }
    EXPECT_EQ(times[11] - times[10], 4000);

    // The grown step carries over to the next item.
    PressKey(VK_DOWN);
    ASSERT_NE(WaitForLine("MoviesTask 2"), "");
    size_t mark = LogSize();
    PressKey(VK_RIGHT);
    std::string set = WaitForLine("SetMovieTime 2 ", 5000, mark);
    std::string got = WaitForLine("GetMovieTime 2 -> ", 5000, mark);
    ASSERT_NE(set, "");
    EXPECT_EQ(NumbersAfter(set, "SetMovieTime 2 ").at(0) -
                  NumbersAfter(got, "GetMovieTime 2 -> ").at(0),
              4000);
}

TEST_F(QuickTimeSeeking, ForwardPastTheEndStopsJustBeforeIt) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=100 duration=500 color=00ffff");
    std::string after = Movie("orange.mov", "box=320x240 scale=600 duration=60000 color=ff8000");
    WritePlaylist({movie, after}, {"Keyboard=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("MoviesTask 1"), "");
    KeyDown(VK_RIGHT);
    std::string set = WaitForLine("SetMovieTime 1 ", 5000);
    ASSERT_NE(set, "");
    EXPECT_EQ(NumbersAfter(set, "SetMovieTime 1 ").at(0), 499);
    KeyUp(VK_RIGHT);
    // Restarted one unit before its end, the movie ends and the next item follows.
    EXPECT_NE(WaitForLine("NewMovieFromFile 2 ", 5000), "");
}

TEST_F(QuickTimeVolume, PlusAndMinusMoveTheLevelOnTheQuantisedScale) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie}, {"Volume=-1000", "Keyboard=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    std::string first = WaitForLine("SetMovieVolume 1 ");
    EXPECT_EQ(first, "SetMovieVolume 1 230");

    for (WORD key : {(WORD)VK_ADD, (WORD)VK_OEM_PLUS, (WORD)VK_SUBTRACT, (WORD)VK_OEM_MINUS,
                     (WORD)VK_SUBTRACT}) {
        PressKey(key);
        SleepPumping(150);
    }
    ASSERT_TRUE(WaitUntil([&] { return CountLines("SetMovieVolume 1 ") == 6; }, 5000));
    std::vector<long> levels;
    for (const std::string& line : Log()) {
        if (StartsWith(line, "SetMovieVolume 1 ")) {
            levels.push_back(NumbersAfter(line, "SetMovieVolume 1 ").at(0));
        }
    }
    std::vector<long> expected = {230, 250, 256, 236, 216, 196};
    EXPECT_EQ(levels, expected);
}

TEST_F(QuickTimeVolume, MutedMovieStaysSilentUntilPlus) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie}, {"Mute=1", "Volume=0", "Keyboard=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    EXPECT_EQ(WaitForLine("SetMovieVolume 1 "), "SetMovieVolume 1 -256");
    PressKey(VK_SUBTRACT);
    ASSERT_TRUE(WaitUntil([&] { return CountLines("SetMovieVolume 1 ") == 2; }, 5000));
    PressKey(VK_ADD);
    ASSERT_TRUE(WaitUntil([&] { return CountLines("SetMovieVolume 1 ") == 3; }, 5000));
    PressKey(VK_ADD);
    ASSERT_TRUE(WaitUntil([&] { return CountLines("SetMovieVolume 1 ") == 4; }, 5000));
    std::vector<long> levels;
    for (const std::string& line : Log()) {
        if (StartsWith(line, "SetMovieVolume 1 ")) {
            levels.push_back(NumbersAfter(line, "SetMovieVolume 1 ").at(0));
        }
    }
    // Muted at its own level twice, then plus unmutes at Volume's level, then steps.
    std::vector<long> expected = {-256, -256, 256, 256};
    EXPECT_EQ(levels, expected);
}

TEST_F(QuickTimeExit, EscapeEndsTheFullScreenSaver) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie}, {});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("MoviesTask 1"), "");
    PressKey(VK_ESCAPE);
    DWORD code = 99;
    EXPECT_TRUE(saver.WaitForExit(8000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(QuickTimeExit, WithEscapeOnlyTheMouseAndOtherKeysLeaveTheMoviePlaying) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie}, {"ESCKey=1", "Keyboard=0"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("MoviesTask 1"), "");
    POINT start;
    GetCursorPos(&start);
    for (int i = 1; i <= 5; ++i) {
        MoveCursorTo(start.x + 40 * i, start.y + 30 * i);
        SleepPumping(100);
    }
    ClickAt(500, 400);
    PressKey('A');
    PressKey(VK_SPACE);
    PressKey(VK_RETURN);
    PressKey(VK_DOWN);
    EXPECT_TRUE(saver.StaysRunning());
    EXPECT_EQ(CountLines("DisposeMovie"), 0);
    EXPECT_TRUE(ColourShown(kCyan));
}

TEST_F(QuickTimeExit, AMouseMoveOrAKeyEndsTheSaverAsForAnyItem) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    for (WORD key : {(WORD)0, (WORD)'A', (WORD)VK_RIGHT}) {
        SCOPED_TRACE("key " + std::to_string(key));
        DeleteFileA(logPath.c_str());
        WritePlaylist({movie}, {"ESCKey=0", "Keyboard=0"});
        ASSERT_NE(saver.StartFullScreen(), nullptr);
        ASSERT_NE(WaitForLine("MoviesTask 1"), "");
        if (key == 0) {
            POINT start;
            GetCursorPos(&start);
            MoveCursorTo(start.x + 1, start.y);
        } else {
            PressKey(key);
        }
        DWORD code = 99;
        EXPECT_TRUE(saver.WaitForExit(8000, &code));
        EXPECT_EQ(code, 0u);
        // The movie was disposed of on the way out.
        EXPECT_EQ(CountLines("DisposeMovie 1"), 1);
    }
}

TEST_F(QuickTimeExit, EscapeInPreviewChangesNothing) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie}, {});
    host = CreateHostWindow(300, 200, 152, 112);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(saver.Start("/p " + std::to_string((long)(LONG_PTR)host)));
    ASSERT_NE(WaitForLine("MoviesTask 1"), "");
    HWND child = FindChildWindow(host, "Flickvane");
    ASSERT_NE(child, nullptr);
    // The key goes to the saver's thread through the focus its window has.
    SetForegroundWindow(host);
    PostMessageA(child, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(child, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    EXPECT_TRUE(saver.StaysRunning());
    EXPECT_EQ(CountLines("DisposeMovie"), 0);
}

TEST_F(QuickTimeExit, PlayingMovieKeepsRunningWithoutInputAndWithoutBusyWaiting) {
    InstallRuntime();
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({movie}, {"Keyboard=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(kCyan); }, 10000));
    // No input at all for a while: the movie still gets its time slices, at a measured pace.
    ULONGLONG started = GetTickCount64();
    SleepPumping(3000);
    EXPECT_TRUE(ColourShown(kCyan));
    EXPECT_EQ(CountLines("DisposeMovie"), 0);
    PressKey(VK_DOWN);
    std::string disposed = WaitForLine("DisposeMovie 1 ");
    ULONGLONG elapsedMs = GetTickCount64() - started;
    ASSERT_NE(disposed, "");
    long tasks = atol(disposed.c_str() + disposed.find("tasks=") + 6);
    // Every 10 to 20 ms while idle; a loop that never waits would run thousands of times.
    EXPECT_GT(tasks, (long)(elapsedMs / 100)) << disposed;
    EXPECT_LT(tasks, (long)(elapsedMs / 4)) << disposed;
}

TEST_F(QuickTimeNesting, LongRunOfShortMoviesWithRepeatKeepsTheStackFlat) {
    InstallRuntime();
    std::string folder = dir + "\\movies";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < 200; ++i) {
        char name[32];
        snprintf(name, sizeof(name), "m%03d.mov", i);
        WriteFileBytes(folder + "\\" + name, "box=64x48 scale=600 duration=60 color=00ffff");
    }
    WritePlaylist({folder}, {"Repeat=1", "Size=3"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    // All 200, then around again.
    ASSERT_NE(WaitForLine("NewMovieFromFile 220 ", 120000), "") << OpenedMovies().size();
    // The first item starts from the window's timer, all later ones from the same place in
    // the controller: one depth for all of those, however many items went before.
    std::vector<std::string> opened = OpenedMovies();
    std::set<std::string> stacks;
    for (size_t i = 1; i < opened.size(); ++i) {
        stacks.insert(opened[i].substr(opened[i].find("stack=")));
    }
    EXPECT_EQ(stacks.size(), 1u) << "items were opened at " << stacks.size() << " stack depths";
    EXPECT_TRUE(saver.Running());
}

TEST_F(QuickTimeUnplayable, MovieThatDoesNotOpenIsPassedOver) {
    InstallRuntime();
    std::string bad = Movie("bad.mov", "this is not a movie");
    std::string good = Movie("cyan.mov", "box=320x240 scale=600 duration=60000 color=00ffff");
    WritePlaylist({bad, good}, {"ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ColourShown(kCyan); }, 10000));
    std::vector<std::string> log = Log();
    ASSERT_FALSE(log.empty());
    int refused = 0;
    for (const std::string& line : log) {
        refused += (StartsWith(line, "NewMovieFromFile ") && ContainsNoCase(line, "bad.mov -> -2048")) ? 1 : 0;
    }
    EXPECT_EQ(refused, 1);
    EXPECT_EQ(CountLines("StartMovie"), 1);
    EXPECT_EQ(CountLines("NewMovieFromFile 1 "), 1);
}

TEST_F(QuickTimeUnplayable, RepeatingListOfUnplayableMoviesEndsBlack) {
    InstallRuntime();
    std::string bad = Movie("bad.mov", "this is not a movie");
    std::string missing = dir + "\\missing.mov";
    WritePlaylist({bad, bad, missing}, {"Repeat=1", "ESCKey=1"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    ASSERT_NE(WaitForLine("NewMovieFromFile "), "");
    SleepPumping(2000);
    int attempts = CountLines("NewMovieFromFile ");
    SleepPumping(1000);
    EXPECT_EQ(CountLines("NewMovieFromFile "), attempts) << "still trying after a full pass";
    // Checked this late, an end of the saver during the pass would have shown.
    EXPECT_TRUE(saver.Running());
    EXPECT_LE(attempts, 4);
    Capture shot = CaptureScreen();
    EXPECT_EQ(CountColour(shot, RGB(0, 0, 0), 8), shot.width * shot.height);
}

TEST_F(QuickTimeWithoutRuntime, MoviesArePassedOverAndClipsStillPlay) {
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=600 color=00ffff");
    WritePlaylist({MediaDir() + "\\red.avi", movie, MediaDir() + "\\blue.avi"}, {"Size=3"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    std::vector<int> seen;
    bool cyan = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            Capture shot = CaptureScreen();
            cyan = cyan || CountColour(shot, kCyan) > 1000;
            int which = -1;
            if (CountColour(shot, kRed) > 5000) which = 0;
            if (CountColour(shot, kBlue) > 5000) which = 2;
            if (which >= 0 && (seen.empty() || seen.back() != which)) {
                seen.push_back(which);
            }
            return which == 2;
        },
        20000, 100));
    std::vector<int> expected = {0, 2};
    EXPECT_EQ(seen, expected);
    EXPECT_FALSE(cyan);
    EXPECT_EQ(ReadFileBytes(logPath), "") << "the runtime was reached";
}

TEST_F(QuickTimeWithoutRuntime, RuntimeFailingToStartCountsAsAbsent) {
    InstallRuntime();
    SetEnvironmentVariableA("QTSTANDIN_INIT_RESULT", "-50");
    std::string movie = Movie("cyan.mov", "box=320x240 scale=600 duration=600 color=00ffff");
    WritePlaylist({movie, MediaDir() + "\\blue.avi"}, {"Size=3"});
    ASSERT_NE(saver.StartFullScreen(), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return ColourShown(kBlue, 5000); }, 15000));
    std::vector<std::string> log = Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "InitializeQTML 0 -> -50");
    EXPECT_EQ(CountLines("EnterMovies"), 0);
    EXPECT_EQ(CountLines("OpenMovieFile"), 0);
}
