#include "config/config_dialog.h"

#include <commctrl.h>
#include <shellapi.h>
#include <uxtheme.h>

#include "config/playlist_editor.h"
#include "resources/resource.h"
#include "resources/resource_text.h"
#include "settings/settings.h"

constexpr COLORREF kGroupCaptionColour = RGB(75, 75, 255);
constexpr int kTrackbarMax = 10000;

bool IsGroupCaption(int controlId) {
    return controlId == IDC_GROUP_PLAYLIST || controlId == IDC_GROUP_SIZE ||
           controlId == IDC_GROUP_ASPECT || controlId == IDC_GROUP_OPTIONS ||
           controlId == IDC_GROUP_VOLUME || controlId == IDC_GROUP_MONITORS;
}

int TrackbarPositionForVolume(int volume) {
    // Compared before negating, so that no stored value overflows.
    if (volume >= 0) {
        return 0;
    }
    if (volume <= -kTrackbarMax) {
        return kTrackbarMax;
    }
    return -volume;
}

int ColumnWidthFor(int listViewWidth) { return listViewWidth - 30; }

static void InitialiseDialog(HWND dialog) {
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrW(dialog, GWLP_HINSTANCE);
    LoadStringW(instance, IDS_SECTION_NAME, gSettings.sectionName, kSectionNameSize);
    LoadStringW(instance, IDS_SETTINGS_FILE, gSettings.fileName, kFileNameSize);

    InitCommonControls();

    HWND list = GetDlgItem(dialog, IDC_PLAYLIST);
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    std::wstring caption = ResourceText(IDS_LIST_COLUMN);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    column.fmt = LVCFMT_LEFT;
    column.pszText = &caption[0];
    column.cx = ColumnWidthFor(listRect.right - listRect.left);
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);

    // The controls keep the template's shell font, each language's own system font.
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        // A themed group box draws its caption in the theme's colour and never asks the
        // dialog; without a theme it takes the blue of WM_CTLCOLORSTATIC. A class list that
        // names no theme class leaves the control unthemed.
        if (IsGroupCaption(GetDlgCtrlID(control))) {
            SetWindowTheme(control, L" ", L" ");
        }
    }

    HWND trackbar = GetDlgItem(dialog, IDC_VOLUME);
    SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, kTrackbarMax));
    SendMessageW(trackbar, TBM_SETSEL, TRUE, MAKELPARAM(0, kTrackbarMax));
    SendMessageW(trackbar, TBM_SETTICFREQ, 2000, 0);

    LoadSettings(dialog, 1);

    SendMessageW(trackbar, TBM_SETPOS, TRUE, TrackbarPositionForVolume(gSettings.Volume));
    DragAcceptFiles(dialog, TRUE);
    ForwardListViewMessages(dialog);
}

static void SaveAndClose(HWND dialog) {
    if (SaveSettings(dialog)) {
        EndDialog(dialog, 1);
        return;
    }
    MessageBoxW(dialog, ResourceText(IDS_SAVE_FAILED).c_str(), gSettings.sectionName,
                MB_OK | MB_ICONERROR);
}

// Returns false for a command it handles, true for any other.
static INT_PTR RouteCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_UPDATE) {
        NoteLabelEditorUpdate();
        CopyInPlaceText(dialog, (HWND)lParam);
    }
    switch (LOWORD(wParam)) {
    case IDC_OK:
        SaveAndClose(dialog);
        return FALSE;
    case IDC_CANCEL_BUTTON:
        EndDialog(dialog, 1);
        return FALSE;
    case IDC_ADD_FILES:
    case IDM_ADD_FILES:
        AddFiles(dialog);
        return FALSE;
    case IDC_ADD_FOLDER:
    case IDM_ADD_FOLDER:
        AddFolder(dialog);
        return FALSE;
    case IDC_ADD_URL:
    case IDM_ADD_URL:
        AddUrl(dialog);
        return FALSE;
    case IDC_DELETE:
    case IDM_DELETE:
        DeleteSelected(dialog);
        return FALSE;
    case IDC_DELETE_ALL:
    case IDM_DELETE_ALL:
        DeleteAll(dialog);
        return FALSE;
    case IDC_MOVE_UP:
    case IDM_MOVE_UP:
        MoveSelected(dialog, -1);
        return FALSE;
    case IDC_MOVE_DOWN:
    case IDM_MOVE_DOWN:
        MoveSelected(dialog, 1);
        return FALSE;
    default:
        // Includes 1 and 2 (Enter, Escape, the close box): the dialog stays open.
        return TRUE;
    }
}

extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam,
                                                       LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitialiseDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        return RouteCommand(dialog, wParam, lParam);
    case WM_NOTIFY: {
        const NMHDR* header = (const NMHDR*)lParam;
        if (header != nullptr && header->idFrom == IDC_PLAYLIST && header->code == NM_RCLICK) {
            ShowContextMenu(dialog);
        }
        return FALSE;
    }
    case WM_CTLCOLORSTATIC:
        if (IsGroupCaption(GetDlgCtrlID((HWND)lParam))) {
            HDC dc = (HDC)wParam;
            SetTextColor(dc, kGroupCaptionColour);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return (INT_PTR)GetStockObject(NULL_BRUSH);
        }
        return FALSE;
    case WM_DROPFILES:
        AddDroppedPaths(dialog, (HDROP)wParam);
        return FALSE;
    default:
        return FALSE;
    }
}
