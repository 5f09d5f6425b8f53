// Sets the primary display's current mode again; the exit code is ChangeDisplaySettingsEx's
// result (0 on success), or 100 when the current mode cannot be read.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof(mode);
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
        return 100;
    }
    return (int)ChangeDisplaySettingsExA(nullptr, &mode, nullptr, 0, nullptr);
}
