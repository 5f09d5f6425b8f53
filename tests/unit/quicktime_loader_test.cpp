#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "movie_runtime/mf_library.h"
#include "playback/playback_controller.h"
#include "quicktime/qt_calls.h"
#include "quicktime/qt_loader.h"
#include "quicktime/qt_runtime.h"
#include "unit_support.h"

namespace {

using unit::ExeFolder;

// The test runtime of one variant: its folder, with a trailing backslash.
std::string StandinFolder(const char* variant) {
    return ExeFolder() + "qt_standin\\" + variant + "\\";
}

std::string SystemFolder() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, sizeof(path));
    return std::string(path) + "\\";
}

std::string TempFolder(const char* name) {
    char path[MAX_PATH] = {};
    GetTempPathA(sizeof(path), path);
    std::string folder = std::string(path) + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void ClearQuickTimeKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, QtRegistryKey); }

void SetFolderValue(const char* name, const std::string& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, QtRegistryKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(key);
}

// Stored without a terminator, as the registry allows.
void SetRawFolderValue(const char* name, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, QtRegistryKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_BINARY, (const BYTE*)bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
}

std::string LogPath() {
    char path[MAX_PATH] = {};
    GetTempPathA(sizeof(path), path);
    return std::string(path) + "qt_standin_unit.log";
}

std::vector<std::string> ReadLog() { return unit::CrLfLines(unit::ReadBytes(LogPath())); }

int CountStartingWith(const std::vector<std::string>& lines, const char* prefix) {
    int count = 0;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            ++count;
        }
    }
    return count;
}

std::string Search(int capacity = QtFolderCapacity) {
    std::vector<char> folder(capacity + 16, 'x');
    bool found = FindQuickTimeSystemFolder(folder.data(), capacity);
    EXPECT_EQ(found, folder[0] != '\0');
    return folder.data();
}

std::string SearchExtensions(int capacity = QtFolderCapacity) {
    std::vector<char> folder(capacity + 16, 'x');
    int length = FindQuickTimeExtensionsFolder(folder.data(), capacity);
    EXPECT_EQ(length, (int)strlen(folder.data()));
    return folder.data();
}

// Every test starts from the loader's initial state, an empty QuickTime key and an empty log.
class QuickTimeLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtResetLoaderState();
        ClearQuickTimeKey();
        SetEnvironmentVariableA("QTSTANDIN_LOG", LogPath().c_str());
        SetEnvironmentVariableA("QTSTANDIN_INIT_RESULT", nullptr);
        SetEnvironmentVariableA("QTSTANDIN_RELEASE_ANSWER", nullptr);
        DeleteFileA(LogPath().c_str());
        QuickTimeAvailable = 0;
    }
    void TearDown() override {
        QtResetLoaderState();
        ClearQuickTimeKey();
        QuickTimeAvailable = 0;
        EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr) << "a test left the runtime loaded";
    }
};

class QuickTimeFolderSearch : public QuickTimeLoaderTest {};
class QuickTimeRuntimeCounting : public QuickTimeLoaderTest {};
class QuickTimeUnavailableRuntime : public QuickTimeLoaderTest {};
class QuickTimeLoadOnDemand : public QuickTimeLoaderTest {};
class QuickTimeVersionTest : public QuickTimeLoaderTest {};
class MovieEngineChoice : public QuickTimeLoaderTest {};

} // namespace

// Search for the folder

TEST_F(QuickTimeFolderSearch, WithoutRegistryValuesTheSystemDirectoryIsTheFolder) {
    EXPECT_EQ(Search(), SystemFolder());
}

TEST_F(QuickTimeFolderSearch, WithoutARuntimeAnywhereNothingLoads) {
    EXPECT_EQ(LoadQuickTimeLibrary(QtLibraryName), nullptr);
    EXPECT_EQ(QtRuntimeInitialize(0), QtErrLibraryNotFound);
}

TEST_F(QuickTimeFolderSearch, SystemFolderValueIsTakenWhenTheFolderExists) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    SetFolderValue("QuickTime.qts folder", TempFolder("qt_other"));
    EXPECT_EQ(Search(), StandinFolder("v7020"));
}

TEST_F(QuickTimeFolderSearch, MissingSystemFolderValueFallsToTheLibraryFolderValue) {
    SetFolderValue("QTSysDir", "C:\\no such folder\\");
    SetFolderValue("QuickTime.qts folder", TempFolder("qt_other"));
    EXPECT_EQ(Search(), TempFolder("qt_other"));
}

TEST_F(QuickTimeFolderSearch, MissingRegistryFoldersFallToTheSystemDirectory) {
    SetFolderValue("QTSysDir", "C:\\no such folder\\");
    SetFolderValue("QuickTime.qts folder", "C:\\no such folder either");
    EXPECT_EQ(Search(), SystemFolder());
}

TEST_F(QuickTimeFolderSearch, EmptyValueIsPassedOver) {
    SetFolderValue("QTSysDir", "");
    SetFolderValue("QuickTime.qts folder", TempFolder("qt_other"));
    EXPECT_EQ(Search(), TempFolder("qt_other"));
}

TEST_F(QuickTimeFolderSearch, FolderWithoutSeparatorGetsABackslash) {
    std::string folder = TempFolder("qt_other");
    SetFolderValue("QTSysDir", folder.substr(0, folder.size() - 1));
    EXPECT_EQ(Search(), folder);
}

TEST_F(QuickTimeFolderSearch, FolderEndingInForwardSlashGetsNothingAppended) {
    std::string folder = TempFolder("qt_other");
    std::string slashed = folder.substr(0, folder.size() - 1) + "/";
    SetFolderValue("QTSysDir", slashed);
    EXPECT_EQ(Search(), slashed);
}

TEST_F(QuickTimeFolderSearch, ValueLongerThanTheCapacityCountsAsAbsent) {
    std::string folder = TempFolder("qt_other");
    // Long, but an existing folder through "\..\" steps, so only its length can reject it.
    std::string longName = folder;
    while (longName.size() < 300) {
        longName += ".\\";
    }
    SetFolderValue("QTSysDir", longName);
    EXPECT_EQ(Search(), SystemFolder());

    char buffer[64];
    memset(buffer, 'x', sizeof(buffer));
    ReadQuickTimeFolderValue("QTSysDir", buffer, 32);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[32], 'x') << "written past the capacity";
}

TEST_F(QuickTimeFolderSearch, ValueFillingTheCapacityWithoutRoomForTheBackslashCountsAsAbsent) {
    char buffer[40];
    memset(buffer, 'x', sizeof(buffer));
    SetFolderValue("QTExtDir", std::string(31, 'a')); // 31 characters and the terminator: 32
    ReadQuickTimeFolderValue("QTExtDir", buffer, 32);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[32], 'x');

    SetFolderValue("QTExtDir", std::string(30, 'a'));
    ReadQuickTimeFolderValue("QTExtDir", buffer, 32);
    EXPECT_EQ(std::string(buffer), std::string(30, 'a') + "\\");
}

TEST_F(QuickTimeFolderSearch, UnterminatedValueIsReadWithinItsBytes) {
    char buffer[40];
    memset(buffer, 'x', sizeof(buffer));
    SetRawFolderValue("QTExtDir", "C:\\ext");
    ReadQuickTimeFolderValue("QTExtDir", buffer, 32);
    EXPECT_STREQ(buffer, "C:\\ext\\");

    // Exactly the capacity and no terminator: it cannot be held with one.
    memset(buffer, 'x', sizeof(buffer));
    SetRawFolderValue("QTExtDir", std::string(32, 'b'));
    ReadQuickTimeFolderValue("QTExtDir", buffer, 32);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer[32], 'x');
}

TEST_F(QuickTimeFolderSearch, SystemDirectoryThatDoesNotFitIsNotTaken) {
    int tooSmall = (int)SystemFolder().size() - 1; // the directory fits, its backslash not
    EXPECT_EQ(Search(tooSmall), "");
}

TEST_F(QuickTimeFolderSearch, AlreadyLoadedRuntimeNamesItsOwnFolderFirst) {
    SetFolderValue("QTSysDir", TempFolder("qt_other"));
    HMODULE loaded = LoadLibraryA((StandinFolder("v7019") + QtLibraryName).c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Search(), StandinFolder("v7019"));
    FreeLibrary(loaded);
    EXPECT_EQ(Search(), TempFolder("qt_other"));
}

TEST_F(QuickTimeFolderSearch, ExtensionsValueIsUsedWithoutExistenceTest) {
    SetFolderValue("QTExtDir", "D:\\nowhere");
    EXPECT_EQ(SearchExtensions(), "D:\\nowhere\\");
}

TEST_F(QuickTimeFolderSearch, ExtensionsFolderBelowTheSystemDirectory) {
    EXPECT_EQ(SearchExtensions(), SystemFolder() + "QuickTime\\");
}

TEST_F(QuickTimeFolderSearch, ExtensionsFolderRepeatsAnotherSystemFolder) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(SearchExtensions(), StandinFolder("v7020"));
}

TEST_F(QuickTimeFolderSearch, SystemDirectoryInOtherLetterCaseGetsNoSubfolder) {
    std::string lower = SystemFolder();
    CharLowerA(&lower[0]);
    ASSERT_NE(lower, SystemFolder());
    SetFolderValue("QTSysDir", lower);
    EXPECT_EQ(SearchExtensions(), lower);
}

TEST_F(QuickTimeFolderSearch, ExtensionsFolderLoadsWhenTheSystemFolderHasNoRuntime) {
    SetFolderValue("QTSysDir", TempFolder("qt_other"));
    SetFolderValue("QTExtDir", StandinFolder("v7020"));
    HMODULE library = LoadQuickTimeLibrary(QtLibraryName);
    ASSERT_NE(library, nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(library, path, sizeof(path));
    EXPECT_EQ(std::string(path), StandinFolder("v7020") + QtLibraryName);
    FreeLibrary(library);
}

TEST_F(QuickTimeFolderSearch, RuntimeInTheSystemDirectorysQuickTimeSubfolderLoads) {
    std::string subfolder = SystemFolder() + "QuickTime\\";
    std::string target = subfolder + QtLibraryName;
    bool made = CreateDirectoryA(subfolder.c_str(), nullptr) != 0;
    ASSERT_TRUE(CopyFileA((StandinFolder("v7020") + QtLibraryName).c_str(), target.c_str(), FALSE));
    HMODULE library = LoadQuickTimeLibrary(QtLibraryName);
    EXPECT_NE(library, nullptr);
    if (library != nullptr) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(library, path, sizeof(path));
        EXPECT_EQ(_stricmp(path, target.c_str()), 0) << path;
        FreeLibrary(library);
    }
    DeleteFileA(target.c_str());
    if (made) {
        RemoveDirectoryA(subfolder.c_str());
    }
}

// Start, end and counting

TEST_F(QuickTimeRuntimeCounting, InitialisationBindsTheRuntimeAndCountsOne) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    EXPECT_EQ(QtInitCount, 1);
    ASSERT_NE(QtLibraryHandle, nullptr);
    EXPECT_EQ(QtPreCallHook, nullptr);
    EXPECT_EQ((FARPROC)(void*)QtDispatcher, GetProcAddress(QtLibraryHandle, "theQuickTimeDispatcher"));
    EXPECT_EQ((FARPROC)(void*)QtCallComponentEntry, GetProcAddress(QtLibraryHandle, "_CallComponent"));
    EXPECT_EQ((FARPROC)(void*)QtCallComponentWithStorageEntry,
              GetProcAddress(QtLibraryHandle, "_CallComponentFunctionWithStorage"));
    std::vector<std::string> log = ReadLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "InitializeQTML 0 -> 0");
    QtRuntimeTerminate();
}

TEST_F(QuickTimeRuntimeCounting, FlagsReachTheRuntimeUnchanged) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtRuntimeInitialize(0x12345), 0);
    EXPECT_EQ(ReadLog().at(0), "InitializeQTML 74565 -> 0");
    QtRuntimeTerminate();
}

TEST_F(QuickTimeRuntimeCounting, TwoStartsAndTwoEndsLoadOnceAndUnloadAtTheSecondEnd) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    HMODULE first = QtLibraryHandle;
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    EXPECT_EQ(QtInitCount, 2);
    EXPECT_EQ(QtLibraryHandle, first);

    QtRuntimeTerminate();
    EXPECT_EQ(QtInitCount, 1);
    EXPECT_NE(GetModuleHandleA(QtLibraryName), nullptr);
    EXPECT_EQ(CountStartingWith(ReadLog(), "TerminateQTML"), 0);

    QtRuntimeTerminate();
    EXPECT_EQ(QtInitCount, 0);
    EXPECT_EQ(QtLibraryHandle, nullptr);
    EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr);
    EXPECT_EQ(QtPreCallHook, QtRebindBeforeCall);
    EXPECT_EQ(QtDispatcher, QtUnavailableDispatcher);
    EXPECT_EQ(QtCallComponentEntry, QtUnavailableDispatcher);
    EXPECT_EQ(QtCallComponentWithStorageEntry, QtUnavailableDispatcher);
    std::vector<std::string> log = ReadLog();
    EXPECT_EQ(CountStartingWith(log, "InitializeQTML"), 1);
    EXPECT_EQ(CountStartingWith(log, "TerminateQTML"), 1);
}

TEST_F(QuickTimeRuntimeCounting, EndWithoutStartCallsNothingAndStaysAtZero) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    QtRuntimeTerminate();
    EXPECT_EQ(QtInitCount, 0);
    QtInitCount = -3;
    QtRuntimeTerminate();
    EXPECT_EQ(QtInitCount, 0);
    EXPECT_TRUE(ReadLog().empty());
    EXPECT_EQ(QtPreCallHook, QtRuntimeLoadOnDemand);
}

TEST_F(QuickTimeRuntimeCounting, RuntimeInitialisationFailureIsGivenBackAndUnloads) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    SetEnvironmentVariableA("QTSTANDIN_INIT_RESULT", "-108");
    EXPECT_EQ(QtRuntimeInitialize(0), -108);
    EXPECT_EQ(QtInitCount, 0);
    EXPECT_EQ(QtLibraryHandle, nullptr);
    EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr);
    EXPECT_EQ(QtPreCallHook, QtRebindBeforeCall);
    EXPECT_EQ(QtDispatcher, QtUnavailableDispatcher);
}

TEST_F(QuickTimeRuntimeCounting, InitialisationCodeIsReadByItsLow16Bits) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    SetEnvironmentVariableA("QTSTANDIN_INIT_RESULT", "0x10000");
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    EXPECT_EQ(QtInitCount, 1);
    QtRuntimeTerminate();
}

TEST_F(QuickTimeRuntimeCounting, MissingEntryPointGivesItsCodeAndUnloads) {
    SetFolderValue("QTSysDir", StandinFolder("noentry"));
    EXPECT_EQ(QtRuntimeInitialize(0), QtErrEntryPointMissing);
    EXPECT_EQ(QtLibraryHandle, nullptr);
    EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr);
    EXPECT_EQ(QtDispatcher, QtUnavailableDispatcher);
    EXPECT_TRUE(ReadLog().empty());
}

TEST_F(QuickTimeRuntimeCounting, StartAfterAFailedStartSucceeds) {
    EXPECT_EQ(QtRuntimeInitialize(0), QtErrLibraryNotFound);
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    EXPECT_EQ(QtPreCallHook, nullptr);
    QtRuntimeTerminate();
}

TEST_F(QuickTimeRuntimeCounting, CallAfterTheEndGetsTheFallbackAnswer) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    ASSERT_EQ(QtRuntimeInitialize(0), 0);
    QtRuntimeTerminate();
    DeleteFileA(LogPath().c_str());
    EXPECT_EQ(EnterMovies(), QtErrRuntimeUnavailable);
    EXPECT_EQ(QtLibraryHandle, nullptr);
    EXPECT_EQ(QtPreCallHook, QtRebindBeforeCall);
    EXPECT_TRUE(ReadLog().empty());
}

TEST_F(QuickTimeRuntimeCounting, StartWaitsForTheProcessMutex) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    char name[256];
    QtFormatMutexName(GetCurrentProcessId(), name);
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Holder {
        const char* name;
        HANDLE held;
        HANDLE go;
        volatile LONG released;
    } holder = {name, held, go, 0};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Holder* h = (Holder*)p;
            HANDLE mutex = CreateMutexA(nullptr, TRUE, h->name);
            SetEvent(h->held);
            WaitForSingleObject(h->go, 5000);
            Sleep(200);
            InterlockedExchange(&h->released, 1);
            ReleaseMutex(mutex);
            CloseHandle(mutex);
            return 0;
        },
        &holder, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(held, 5000), WAIT_OBJECT_0);
    SetEvent(go);
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    EXPECT_EQ(holder.released, 1) << "started while another holder had the mutex";
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(held);
    CloseHandle(go);
    QtRuntimeTerminate();
}

TEST_F(QuickTimeRuntimeCounting, MutexNameCarriesTheProcessIdInLowerCaseHex) {
    char name[256];
    QtFormatMutexName(0x1A2B, name);
    EXPECT_STREQ(name, "QTMLInitTermMutex1a2b");
    QtFormatMutexName(0xFFFFFFFF, name);
    EXPECT_STREQ(name, "QTMLInitTermMutexffffffff");
    QtFormatMutexName(4, name);
    EXPECT_STREQ(name, "QTMLInitTermMutex4");
}

TEST_F(QuickTimeRuntimeCounting, StartupEntersMoviesAndShutdownExitsAndEnds) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    QtStartup();
    EXPECT_EQ(QuickTimeAvailable, 1);
    QtShutdown();
    EXPECT_EQ(QuickTimeAvailable, 1);
    EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr);
    std::vector<std::string> log = ReadLog();
    std::vector<std::string> expected = {"InitializeQTML 0 -> 0", "EnterMovies", "ExitMovies",
                                         "TerminateQTML"};
    EXPECT_EQ(log, expected);
}

TEST_F(QuickTimeRuntimeCounting, StartupWithoutRuntimeLeavesQuickTimeUnavailable) {
    QuickTimeAvailable = 1;
    QtStartup();
    EXPECT_EQ(QuickTimeAvailable, 0);
    QtShutdown();
    EXPECT_EQ(QtInitCount, 0);
}

TEST_F(QuickTimeRuntimeCounting, StartupWhoseRuntimeFailsLeavesQuickTimeUnavailable) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    SetEnvironmentVariableA("QTSTANDIN_INIT_RESULT", "-50");
    QtStartup();
    EXPECT_EQ(QuickTimeAvailable, 0);
    EXPECT_EQ(CountStartingWith(ReadLog(), "EnterMovies"), 0);
}

// Calls without a runtime

TEST_F(QuickTimeUnavailableRuntime, EveryRoutineAnswersTheUnavailableCode) {
    EXPECT_EQ(EnterMovies(), QtErrRuntimeUnavailable);
    EXPECT_EQ(InitializeQTML(0), QtErrRuntimeUnavailable);
    EXPECT_EQ(CloseMovieFile(1), QtErrRuntimeUnavailable);
    EXPECT_EQ(GetMovieVolume(nullptr), QtErrRuntimeUnavailable);
    Movie movie = nullptr;
    EXPECT_EQ(NewMovieFromFile(&movie, 1, nullptr, nullptr, 1, nullptr), QtErrRuntimeUnavailable);
    EXPECT_EQ(movie, nullptr);
    FSSpec fileSpec = {};
    short reference = 0;
    EXPECT_EQ(OpenMovieFile(&fileSpec, &reference, 1), QtErrRuntimeUnavailable);
    EXPECT_EQ(reference, 0);
    EXPECT_EQ((unsigned short)QtUnavailableDispatcher(0x12345678) & 0xFFFF, 0xF7D1);
}

TEST_F(QuickTimeUnavailableRuntime, BooleansReadTrue) {
    EXPECT_NE(IsMovieDone(nullptr), 0);
    EXPECT_EQ(IsMovieDone(nullptr), 0xD1);
    EXPECT_NE(QtOnDemandReleaseQuery(), 0);
}

TEST_F(QuickTimeUnavailableRuntime, CallsLeaveTheCallersRecordsAlone) {
    Rect box = {1, 2, 3, 4};
    GetMovieBox(nullptr, &box);
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.right, 4);
    char text[] = "abc";
    c2pstr(text);
    EXPECT_STREQ(text, "abc");
}

// Loading on demand

TEST_F(QuickTimeLoadOnDemand, FirstCallBindsARecentRuntimeAndKeepsIt) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(EnterMovies(), 0);
    EXPECT_EQ(QtPreCallHook, nullptr);
    EXPECT_EQ(QtInitCount, 0);
    EXPECT_NE(QtLibraryHandle, nullptr);
    EXPECT_EQ(QtVersionOk, 1);
    std::vector<std::string> log = ReadLog();
    std::vector<std::string> expected = {"QtOnDemandReleaseQuery -> 1", "EnterMovies"};
    EXPECT_EQ(log, expected);
    // Still callable: the bound entries point into a library that is still loaded.
    ExitMovies();
    EXPECT_EQ(ReadLog().back(), "ExitMovies");
}

TEST_F(QuickTimeLoadOnDemand, ReleaseAnswerFalseKeepsTheLibraryToo) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    SetEnvironmentVariableA("QTSTANDIN_RELEASE_ANSWER", "0");
    EXPECT_EQ(EnterMovies(), 0);
    EXPECT_NE(QtLibraryHandle, nullptr);
    EXPECT_EQ(ReadLog().front(), "QtOnDemandReleaseQuery -> 0");
}

TEST_F(QuickTimeLoadOnDemand, OldRuntimeStaysBoundWithoutTheReleaseQuery) {
    SetFolderValue("QTSysDir", StandinFolder("v7019"));
    EXPECT_EQ(EnterMovies(), 0);
    EXPECT_EQ(QtPreCallHook, nullptr);
    EXPECT_NE(QtLibraryHandle, nullptr);
    EXPECT_EQ(QtVersionOk, 0);
    std::vector<std::string> expected = {"EnterMovies"};
    EXPECT_EQ(ReadLog(), expected);
}

TEST_F(QuickTimeLoadOnDemand, WithoutARuntimeTheCallGetsTheFallbackAndTheHookStays) {
    EXPECT_EQ(EnterMovies(), QtErrRuntimeUnavailable);
    EXPECT_EQ(QtPreCallHook, QtRuntimeLoadOnDemand);
    EXPECT_EQ(QtLibraryHandle, nullptr);
    // The runtime appears later: the next call binds it.
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(EnterMovies(), 0);
}

TEST_F(QuickTimeLoadOnDemand, InitialisationAfterwardsReusesTheHeldLibrary) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EnterMovies();
    HMODULE held = QtLibraryHandle;
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(QtRuntimeInitialize(0), 0);
    EXPECT_EQ(QtLibraryHandle, held);
    QtRuntimeTerminate();
    EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr) << "a reference was leaked";
}

TEST_F(QuickTimeLoadOnDemand, RuntimeWithAMissingEntryIsNotCalled) {
    SetFolderValue("QTSysDir", StandinFolder("noentry"));
    EXPECT_EQ(EnterMovies(), QtErrRuntimeUnavailable);
    EXPECT_TRUE(ReadLog().empty());
}

// Version test

TEST_F(QuickTimeVersionTest, PackingTakesTheLowByteOfEachPart) {
    EXPECT_EQ(QtPackVersion(0x00070000, 0x00020000), 0x07000200u);
    EXPECT_EQ(QtPackVersion(0x00070000, 0x00010063), 0x07000163u);
    EXPECT_EQ(QtPackVersion(0x00070000, 0x01020000), 0x07000200u); // build 258 counts as 2
    EXPECT_EQ(QtPackVersion(0x01070102, 0x03040506), 0x07020406u);
    EXPECT_LT(QtPackVersion(0x00070000, 0x000100FF), QtMinimumVersion);
    EXPECT_GE(QtPackVersion(0x00080000, 0x00000000), QtMinimumVersion);
    EXPECT_LT(QtPackVersion(0x00060063, 0x00630063), QtMinimumVersion);
}

TEST_F(QuickTimeVersionTest, FileVersionIsReadFromTheResource) {
    DWORD high = 1;
    DWORD low = 1;
    ReadFileVersion((StandinFolder("v7019") + QtLibraryName).c_str(), &high, &low);
    EXPECT_EQ(high, 0x00070000u);
    EXPECT_EQ(low, 0x00010009u);
    ReadFileVersion((StandinFolder("noversion") + QtLibraryName).c_str(), &high, &low);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0u);
    high = low = 1;
    ReadFileVersion("C:\\no such file.qts", &high, &low);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(low, 0u);
}

TEST_F(QuickTimeVersionTest, Version7020IsAccepted) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 1);
    EXPECT_EQ(QtVersionChecked, 1);
    EXPECT_EQ(GetModuleHandleA(QtLibraryName), nullptr) << "the test's own load was not undone";
}

TEST_F(QuickTimeVersionTest, Version701IsTooOld) {
    SetFolderValue("QTSysDir", StandinFolder("v7019"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 0);
    EXPECT_EQ(QtVersionChecked, 1);
}

TEST_F(QuickTimeVersionTest, BuildNumber258CountsAs2) {
    SetFolderValue("QTSysDir", StandinFolder("v702580"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 1);
}

TEST_F(QuickTimeVersionTest, LibraryWithoutVersionResourceIsTooOld) {
    SetFolderValue("QTSysDir", StandinFolder("noversion"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 0);
}

TEST_F(QuickTimeVersionTest, ResultIsCached) {
    SetFolderValue("QTSysDir", StandinFolder("v7019"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 0);
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 0);
}

TEST_F(QuickTimeVersionTest, WithoutALibraryTheTestIsNotMarkedDone) {
    EXPECT_EQ(QtCheckRuntimeVersion(), 0);
    EXPECT_EQ(QtVersionChecked, 0);
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 1);
}

TEST_F(QuickTimeVersionTest, HeldLibraryIsTestedAndKept) {
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    ASSERT_EQ(QtRuntimeInitialize(0), 0);
    SetFolderValue("QTSysDir", StandinFolder("v7019"));
    EXPECT_EQ(QtCheckRuntimeVersion(), 1);
    EXPECT_NE(GetModuleHandleA(QtLibraryName), nullptr);
    QtRuntimeTerminate();
}

// Which engine plays the movie kinds

TEST_F(MovieEngineChoice, AStartedQuickTimeTakesWhatItCanBeGivenAndMediaFoundationTheRest) {
    ASSERT_TRUE(StartMovieRuntime());
    Screen screen;
    std::wstring movie = unit::W(unit::ExeFolder() + "media\\red.mp4");
    // Every failure of the real runtime leaves QuickTime unavailable: Media Foundation plays.
    for (const char* variant : {(const char*)nullptr, "noentry"}) {
        QtResetLoaderState();
        ClearQuickTimeKey();
        if (variant != nullptr) {
            SetFolderValue("QTSysDir", StandinFolder(variant));
        }
        QtStartup();
        EXPECT_EQ(QuickTimeAvailable, 0);
        EXPECT_EQ(ChooseEnginePlayer(screen, QuickTimeFile, movie.c_str()), &screen.movie);
        // A movie after a movie opens in the other player while the first holds its picture.
        screen.held = &screen.movie;
        EXPECT_EQ(ChooseEnginePlayer(screen, QuickTimeFile, movie.c_str()), &screen.movie2);
        screen.held = nullptr;
        QtShutdown();
    }
    QtResetLoaderState();
    SetFolderValue("QTSysDir", StandinFolder("v7020"));
    QtStartup();
    ASSERT_EQ(QuickTimeAvailable, 1);
    EXPECT_EQ(ChooseEnginePlayer(screen, QuickTimeFile, movie.c_str()), &screen.quickTime);
    // A URL, and a file without a short name, cannot be given to it.
    EXPECT_EQ(ChooseEnginePlayer(screen, QuickTimeFile, L"http://example.invalid/a.mov"),
              &screen.movie);
    EXPECT_EQ(ChooseEnginePlayer(screen, QuickTimeFile, L"C:\\nowhere\\a.mov"), &screen.movie);
    EXPECT_EQ(ChooseEnginePlayer(screen, DirectShowFile, movie.c_str()), &screen.directShow);
    QtShutdown();
    QuickTimeAvailable = 0;
}

TEST_F(MovieEngineChoice, MediaFoundationIsLoadedFromTheSystemFolderOnly) {
    // A library of that name beside the saver, as in a Downloads folder, is passed by.
    std::string planted = unit::ExeFolder() + "mfplat.dll";
    ASSERT_TRUE(CopyFileA((StandinFolder("v7020") + QtLibraryName).c_str(), planted.c_str(),
                          FALSE));
    bool started = StartMovieRuntime();
    DeleteFileA(planted.c_str());
    ASSERT_TRUE(started);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("mfplat.dll"), loaded, MAX_PATH);
    EXPECT_EQ(_strnicmp(loaded, system, strlen(system)), 0) << loaded;
}
