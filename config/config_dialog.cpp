// Placeholder until the configuration dialog lands.
#include "config/config_dialog.h"

extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == 128 || LOWORD(wParam) == 1000)) {
        EndDialog(dialog, 1);
    }
    return FALSE;
}
