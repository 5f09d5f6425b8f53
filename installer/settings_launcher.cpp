// FlickvaneSettings.exe, behind the installer's Start menu entry "Flickvane Settings"
// ("Flickvane 設定" on Japanese Windows): starts the installed saver with an empty command
// line, which opens its configuration dialog as Windows' "Configure" does. A shortcut to the
// .scr itself would go through the shell's "open" verb for screen savers, which starts the
// full-screen saver instead.
#include <windows.h>

#include "settings_launcher_resource.h"

namespace {

void ShowStartFailure(HINSTANCE instance) {
    wchar_t text[256] = {};
    if (LoadStringW(instance, IDS_LAUNCH_FAILED, text, 256) <= 0) {
        lstrcpynW(text, L"Flickvane.scr", 256);
    }
    MessageBoxW(nullptr, text, L"Flickvane", MB_OK | MB_ICONERROR);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The installer puts the saver into the system folder, where Windows lists screen savers.
    const wchar_t name[] = L"\\Flickvane.scr";
    wchar_t saver[MAX_PATH + ARRAYSIZE(name)] = {};
    UINT length = GetSystemDirectoryW(saver, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        ShowStartFailure(instance);
        return 1;
    }
    lstrcpyW(saver + length, name);
    // The saver's own path, quoted, and nothing after it.
    wchar_t commandLine[ARRAYSIZE(saver) + 2] = L"\"";
    lstrcatW(commandLine, saver);
    lstrcatW(commandLine, L"\"");

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(saver, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ShowStartFailure(instance);
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
