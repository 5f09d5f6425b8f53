// The release installer (built by scripts/package) run silently in the test prefix, as an
// administrator deploys it: what it installs and registers, an upgrade over itself, and what
// its silent uninstaller removes and keeps.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "e2e_support.h"

using namespace e2e;

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Flickvane";
const char kDesktopKey[] = "Control Panel\\Desktop";
const wchar_t kDialogCaption[] = L"ビデオファイル設定";
// No exit code, or no value.
const DWORD kNone = 0xFFFFFFFF;

std::string SystemFolder() {
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return dir;
}

std::string InstalledSaverPath() { return SystemFolder() + "\\Flickvane.scr"; }

std::wstring StartMenuEntryPath(const wchar_t* name = L"Flickvane 設定") {
    wchar_t dir[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, dir);
    return std::wstring(dir) + L"\\" + name + L".lnk";
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The product version of the build's version block, written as the packages are named.
std::string BuildVersion() {
    std::string path = SaverPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, &block[0]) ||
        !VerQueryValueA(&block[0], "\\", (void**)&info, &length) || length < sizeof(*info)) {
        return "?";
    }
    return std::to_string(HIWORD(info->dwProductVersionMS)) + "." +
           std::to_string(LOWORD(info->dwProductVersionMS)) + "." +
           std::to_string(HIWORD(info->dwProductVersionLS)) + "." +
           std::to_string(LOWORD(info->dwProductVersionLS));
}

std::string InstallerPath() {
    return BuildDir() + "\\..\\dist\\Flickvane-" + BuildVersion() + "-setup.exe";
}

bool KeyExists(HKEY root, const char* key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

bool ValueExists(HKEY root, const char* key, const char* name) {
    return RegGetValueA(root, key, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string ReadString(HKEY root, const char* key, const char* name) {
    char text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
        return "(missing)";
    }
    return text;
}

DWORD ReadDword(HKEY root, const char* key, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return kNone;
    }
    return value;
}

void WriteString(HKEY root, const char* key, const char* name, const std::string& value) {
    RegSetKeyValueA(root, key, name, REG_SZ, value.c_str(), (DWORD)value.size() + 1);
}

// Runs a program to its end; its exit code, or kNone.
DWORD RunToEnd(const std::string& program, const std::string& arguments, DWORD timeoutMs) {
    SaverProcess process;
    DWORD exitCode = kNone;
    if (!process.StartProgram(program, arguments) || !process.WaitForExit(timeoutMs, &exitCode)) {
        return kNone;
    }
    return exitCode;
}

// The folder of the registered uninstaller, which also holds the Start menu entry's program.
std::string UninstallerFolder() {
    std::string command = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    size_t slash = command.rfind('\\');
    return slash == std::string::npos ? command : command.substr(1, slash - 1);
}

std::string ProcessImage(DWORD processId) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process) {
        QueryFullProcessImageNameA(process, 0, path, &size);
        CloseHandle(process);
    }
    return path;
}

HWND FindDialog() { return FindWindowW(L"#32770", kDialogCaption); }

void EndWindowProcess(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (process) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

std::string ShortcutTarget(const std::wstring& shortcut) {
    std::string target;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void**)&link))) {
        return target;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
        }
        file->Release();
    }
    link->Release();
    return target;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        RemoveSettings();
        installer = InstallerPath();
        ASSERT_TRUE(FileExists(installer)) << installer << " is missing: scripts/package builds it";
    }

    void TearDown() override {
        if (HWND dialog = FindDialog()) {
            EndWindowProcess(dialog);
        }
        if (HWND saver = FindWindowA("Flickvane", nullptr)) {
            EndWindowProcess(saver);
        }
        if (KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) {
            Uninstall();
        }
        RemoveSettings();
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE");
        CoUninitialize();
    }

    // Under the stack's locale, or under another one (e.g. "en_US.UTF-8").
    void Install(const std::string& locale = "") {
        DWORD code = locale.empty() ? RunToEnd(installer, "/S", 120000)
                                    : RunUnderLocale(locale, installer, "/S", 120000);
        ASSERT_EQ(code, 0u) << installer;
        ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    }

    // Runs the registered quiet uninstall command. The uninstaller goes on in a copy of itself
    // after the started process ends, so the removal of its entry tells when it is done.
    void Uninstall() {
        std::string command = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
        ASSERT_EQ(command.front(), '"') << command;
        size_t close = command.find('"', 1);
        ASSERT_NE(close, std::string::npos) << command;
        std::string program = command.substr(1, close - 1);
        std::string arguments = command.substr(close + 1);
        EXPECT_EQ(arguments, " /S");
        ASSERT_EQ(RunToEnd(program, "/S", 60000), 0u) << command;
        EXPECT_TRUE(WaitUntil([] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 60000, 100));
    }

    std::string installer;
};

} // namespace

TEST_F(InstallerTest, SilentInstallPutsTheSaverIntoTheSystemFolderAndRegistersIt) {
    ASSERT_NO_FATAL_FAILURE(Install());
    std::string built = ReadFileBytes(SaverPath());
    ASSERT_FALSE(built.empty());
    EXPECT_TRUE(ReadFileBytes(InstalledSaverPath()) == built) << InstalledSaverPath();

    // Apps and Features
    HKEY machine = HKEY_LOCAL_MACHINE;
    EXPECT_EQ(ReadString(machine, kUninstallKey, "DisplayName"), "Flickvane");
    EXPECT_EQ(ReadString(machine, kUninstallKey, "Publisher"), "Flickvane developers");
    EXPECT_EQ(ReadString(machine, kUninstallKey, "DisplayVersion"), BuildVersion());
    EXPECT_TRUE(SamePath(ReadString(machine, kUninstallKey, "DisplayIcon"), InstalledSaverPath() + ",0"));
    DWORD sizeKb = ReadDword(machine, kUninstallKey, "EstimatedSize");
    EXPECT_GE(sizeKb, built.size() / 1024);
    EXPECT_LT(sizeKb, built.size() / 1024 + 1024);
    std::string uninstaller = ReadString(machine, kUninstallKey, "UninstallString");
    ASSERT_GE(uninstaller.size(), 2u);
    EXPECT_TRUE(FileExists(uninstaller.substr(1, uninstaller.size() - 2))) << uninstaller;
    EXPECT_EQ(ReadString(machine, kUninstallKey, "QuietUninstallString"), uninstaller + " /S");
    EXPECT_EQ(ReadString(machine, kUninstallKey, "InstallLocation"), UninstallerFolder());

    // The installing user's screen saver
    EXPECT_TRUE(SamePath(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"), InstalledSaverPath()));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"), "1");

    // Started with no arguments, as Windows does for "Configure", the installed saver opens
    // its dialog.
    SaverProcess configure;
    ASSERT_TRUE(configure.StartProgram(InstalledSaverPath(), ""));
    HWND dialog = WaitForProcessWindow(configure.Id(), "#32770", 10000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(FindDialog(), dialog);
    configure.Kill();
    ASSERT_TRUE(WaitUntil([] { return FindDialog() == nullptr; }, 5000));

    // The Start menu entry opens the same dialog through the installed saver. Its target is
    // the launcher: Windows' shell opens a .scr full screen ("/S"), though Wine's starts it
    // with no arguments, so only the target tells the two apart here.
    std::wstring entry = StartMenuEntryPath();
    ASSERT_NE(GetFileAttributesW(entry.c_str()), INVALID_FILE_ATTRIBUTES);
    std::string target = ShortcutTarget(entry);
    EXPECT_TRUE(FileExists(target)) << target;
    EXPECT_TRUE(SamePath(target, UninstallerFolder() + "\\FlickvaneSettings.exe")) << target;
    ShellExecuteW(nullptr, L"open", entry.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_TRUE(WaitUntil([] { return FindDialog() != nullptr; }, 15000));
    DWORD processId = 0;
    GetWindowThreadProcessId(FindDialog(), &processId);
    EXPECT_TRUE(SamePath(ProcessImage(processId), InstalledSaverPath())) << ProcessImage(processId);
}

TEST_F(InstallerTest, SecondInstallOverTheFirstReplacesTheSaver) {
    ASSERT_NO_FATAL_FAILURE(Install());
    // Stands for an older version in place.
    WriteFileBytes(InstalledSaverPath(), "older");
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_TRUE(ReadFileBytes(InstalledSaverPath()) == ReadFileBytes(SaverPath()));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), BuildVersion());
    EXPECT_NE(GetFileAttributesW(StartMenuEntryPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(InstallerTest, SilentUninstallRemovesWhatTheInstallerAddedAndKeepsTheSettings) {
    ASSERT_NO_FATAL_FAILURE(Install());
    std::string folder = UninstallerFolder();
    WriteSettings({"FilesNum=1", "File1=C:\\videos\\clip.avi"});
    std::string settings = ReadFileBytes(SettingsPath());
    CreateDirectoryA(UserSettingsFolder().c_str(), nullptr);
    WriteFileBytes(UserSettingsPath(), settings);

    ASSERT_NO_FATAL_FAILURE(Uninstall());
    EXPECT_FALSE(FileExists(InstalledSaverPath()));
    EXPECT_FALSE(FileExists(folder)) << folder;
    EXPECT_EQ(GetFileAttributesW(StartMenuEntryPath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));
    // The playlist is the user's.
    EXPECT_EQ(ReadFileBytes(SettingsPath()), settings);
    EXPECT_EQ(ReadFileBytes(UserSettingsPath()), settings);
}

TEST_F(InstallerTest, UninstallClearsTheScreenSaverOnlyWhileItNamesFlickvane) {
    ASSERT_NO_FATAL_FAILURE(Install());
    // The same file in other letter cases is still Flickvane.
    std::string upper = InstalledSaverPath();
    CharUpperA(&upper[0]);
    WriteString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", upper);
    ASSERT_NO_FATAL_FAILURE(Uninstall());
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"));

    // Another saver picked since stays.
    ASSERT_NO_FATAL_FAILURE(Install());
    std::string other = SystemFolder() + "\\Ribbons.scr";
    WriteString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE", other);
    ASSERT_NO_FATAL_FAILURE(Uninstall());
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"), other);
    EXPECT_FALSE(FileExists(InstalledSaverPath()));
}

TEST_F(InstallerTest, OnEnglishWindowsTheStartMenuEntryIsEnglishAndEitherNameIsUninstalled) {
    std::wstring english = StartMenuEntryPath(L"Flickvane Settings");
    ASSERT_NO_FATAL_FAILURE(Install("en_US.UTF-8"));
    EXPECT_NE(GetFileAttributesW(english.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(StartMenuEntryPath().c_str()), INVALID_FILE_ATTRIBUTES);
    // The uninstaller runs under Japanese here.
    ASSERT_NO_FATAL_FAILURE(Uninstall());
    EXPECT_EQ(GetFileAttributesW(english.c_str()), INVALID_FILE_ATTRIBUTES);
}
