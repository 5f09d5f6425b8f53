#include "config/playlist_editor.h"

#include <string.h>
#include <wchar.h>

#include "settings/path_text.h"
#include "resources/resource.h"
#include "resources/resource_text.h"
#include "settings/settings.h"

// The length of the zero-terminated string at text, or size when no terminator comes first.
static size_t BoundedLength(const wchar_t* text, size_t size) {
    const wchar_t* end = wmemchr(text, L'\0', size);
    return end ? (size_t)(end - text) : size;
}

std::wstring FirstChooserString(const wchar_t* result, size_t size) {
    size_t length = BoundedLength(result, size);
    if (length >= size) {
        return std::wstring();
    }
    return std::wstring(result, length);
}

std::vector<std::wstring> PathsFromChooserResult(const wchar_t* result, size_t size,
                                                 bool firstIsFile) {
    std::vector<std::wstring> paths;
    size_t folderLength = BoundedLength(result, size);
    if (folderLength >= size || folderLength == 0) {
        return paths;
    }
    std::wstring first(result, folderLength);
    if (firstIsFile) {
        if (first.size() <= (size_t)kMaxPathChars) {
            paths.push_back(first);
        }
        return paths;
    }
    // A root folder ("C:\") already ends with the separator.
    const wchar_t* separator = first.back() == L'\\' ? L"" : L"\\";
    size_t offset = folderLength + 1;
    while (offset < size) {
        size_t nameLength = BoundedLength(result + offset, size - offset);
        if (nameLength == 0 || offset + nameLength >= size) {
            break;
        }
        std::wstring path = first + separator + std::wstring(result + offset, nameLength);
        if (path.size() <= (size_t)kMaxPathChars) {
            paths.push_back(path);
        }
        offset += nameLength + 1;
    }
    return paths;
}

std::vector<int> IndicesToDeselect(const std::vector<int>& selected, int lastInserted) {
    std::vector<int> indices;
    for (int index : selected) {
        if (index < lastInserted) {
            indices.push_back(index);
        }
    }
    return indices;
}

int MoveTarget(int itemCount, int selectedCount, int selectionMark, int direction) {
    if (selectedCount != 1 || selectionMark < 0 || selectionMark >= itemCount) {
        return -1;
    }
    int target = selectionMark + (direction < 0 ? -1 : 1);
    if (target < 0 || target >= itemCount) {
        return -1;
    }
    return target;
}

int ContextMenuFor(int selectedCount) {
    return selectedCount > 0 ? IDM_CONTEXT_SELECTED : IDM_CONTEXT_EMPTY;
}

std::wstring InPlaceItemText(const wchar_t* editorText, const std::wstring& placeholder) {
    return editorText[0] != L'\0' ? std::wstring(editorText) : placeholder;
}

static HWND PlaylistView(HWND dialog) { return GetDlgItem(dialog, IDC_PLAYLIST); }

static const std::wstring& UrlPlaceholder() {
    static const std::wstring text = ResourceText(IDS_URL_PROMPT);
    return text;
}

static int ItemCount(HWND list) { return (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); }

static UINT ItemState(HWND list, int index) {
    return (UINT)SendMessageW(list, LVM_GETITEMSTATE, (WPARAM)index, kItemStateMask);
}

static void SetItemState(HWND list, int index, UINT state) {
    LVITEMW item = {};
    item.stateMask = kItemStateMask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)index, (LPARAM)&item);
}

static void ItemText(HWND list, int index, wchar_t* text, int size) {
    text[0] = L'\0';
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = size;
    SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)index, (LPARAM)&item);
}

static void SetItemText(HWND list, int index, const wchar_t* text) {
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = (LPWSTR)text;
    SendMessageW(list, LVM_SETITEMTEXTW, (WPARAM)index, (LPARAM)&item);
}

void AddItemsAtEnd(HWND dialog, const std::vector<std::wstring>& texts) {
    HWND list = PlaylistView(dialog);
    int last = -1;
    for (const std::wstring& text : texts) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = ItemCount(list);
        item.pszText = (LPWSTR)text.c_str();
        item.state = kItemStateMask;
        item.stateMask = kItemStateMask;
        int inserted = (int)SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        if (inserted >= 0) {
            last = inserted;
        }
    }
    // An empty batch leaves the selection as it was.
    if (last < 0) {
        return;
    }
    SendMessageW(list, LVM_SCROLL, 0, 65535);
    std::vector<int> selected;
    for (int index = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
         index >= 0; index = (int)SendMessageW(list, LVM_GETNEXTITEM, index, LVNI_SELECTED)) {
        selected.push_back(index);
    }
    for (int index : IndicesToDeselect(selected, last)) {
        SetItemState(list, index, 0);
    }
    SetFocus(list);
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, last);
}

bool ChooseMediaFiles(HWND owner, wchar_t* result, size_t size) {
    static bool openedBefore = false;
    // The pairs of description and pattern, each ended by a zero, the table by two.
    static const wchar_t filters[] =
        L"Windows Media (*.asf; *.wma; *.wmv)\0*.asf; *.wma; *.wmv\0"
        L"Video (*.avi; *.mpg; *.mpeg; *.m1v; *.m2v)\0"
        L"*.avi; *.qt; *.mov; *.mpg; *.mpeg; *.m1v; *.m2v\0"
        L"QuickTime (*.qt; *.mov; *.m4v; *.mp4; *.aac;)\0*.qt; *.mov; *.m4v; *.mp4; *.aac\0"
        L"QuickTime (*.m4a; *.m4b; *.m4p; *.3g2; *.mgv; *.amc; *.3gp)\0"
        L"*.m4a; *.m4b; *.m4p; *.3g2; *.mgv; *.amc; *.3gp\0"
        L"Audio (*.wav; *.mpa; *.mp2; *.mp3; *.au; *.aif; *.aiff; *.snd)\0"
        L"*.wav; *.mpa; *.mp2; *.mp3; *.au; *.aif; *.aiff; *.snd\0"
        L"MIDI (*.mid; *.midi; *.rmi)\0*.mid; *.midi; *.rmi\0"
        // What the built-in movie runtime plays from phones, cameras and downloads.
        L"Movie (*.mp4; *.mov; *.m4v; *.m4a; *.3gp; *.mkv; *.webm; *.mts; *.m2ts; *.ts; *.m2t)\0"
        L"*.mp4; *.mov; *.m4v; *.m4a; *.3gp; *.mkv; *.webm; *.mts; *.m2ts; *.ts; *.m2t\0";
    // Then every file, named in the user's language; the table ends in two zeros.
    std::wstring filter(filters, sizeof(filters) / sizeof(filters[0]) - 1);
    filter += ResourceText(IDS_ALL_FILES_FILTER);
    filter += std::wstring(L"\0*\0", 4);
    std::wstring title = ResourceText(IDS_CHOOSE_FILES_TITLE);

    result[0] = L'\0';
    OPENFILENAMEW ofn = {};
    // The layout without the fields added in Windows 2000.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = result;
    // The whole buffer, so that a long multiple selection still fits.
    ofn.nMaxFile = (DWORD)size;
    ofn.lpstrInitialDir = openedBefore ? nullptr : L"\\";
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                OFN_EXPLORER | OFN_LONGNAMES;
    ofn.lpstrDefExt = L"*";
    openedBefore = true;
    return GetOpenFileNameW(&ofn) != FALSE;
}

LPITEMIDLIST ChooseFolder(HWND owner, wchar_t* name) {
    std::wstring title = ResourceText(IDS_CHOOSE_FOLDER_TITLE);
    name[0] = L'\0';
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = name;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    return SHBrowseForFolderW(&info);
}

void AddFiles(HWND dialog) {
    std::vector<wchar_t> result(kChooserBufferSize, L'\0');
    if (!ChooseMediaFiles(dialog, result.data(), result.size())) {
        return;
    }
    std::wstring first = FirstChooserString(result.data(), result.size());
    if (first.empty() || first.size() > (size_t)kMaxPathChars) {
        return;
    }
    wchar_t query[kQueryPathSize];
    DWORD attributes = FormQueryPath(first.c_str(), query, kQueryPathSize)
                           ? GetFileAttributesW(query)
                           : INVALID_FILE_ATTRIBUTES;
    bool firstIsFile =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    AddItemsAtEnd(dialog, PathsFromChooserResult(result.data(), result.size(), firstIsFile));
}

void AddFolder(HWND dialog) {
    // SHGetPathFromIDListEx takes the buffer's size, so a folder past MAX_PATH still arrives.
    wchar_t path[kPathBufferSize];
    LPITEMIDLIST folder = ChooseFolder(dialog, path);
    if (folder == nullptr) {
        return;
    }
    BOOL converted = SHGetPathFromIDListEx(folder, path, kPathBufferSize, GPFIDL_DEFAULT);
    CoTaskMemFree(folder);
    if (!converted || path[0] == L'\0') {
        return;
    }
    AddItemsAtEnd(dialog, std::vector<std::wstring>{path});
}

void AddUrl(HWND dialog) { AddItemsAtEnd(dialog, std::vector<std::wstring>{UrlPlaceholder()}); }

void CopyInPlaceText(HWND dialog, HWND editor) {
    // A text longer than an entry holds is refused: the item keeps the last one that fitted.
    if (GetWindowTextLengthW(editor) > kMaxPathChars) {
        MessageBeep(MB_OK);
        return;
    }
    wchar_t typed[kPathBufferSize] = {};
    GetWindowTextW(editor, typed, kPathBufferSize);
    HWND list = PlaylistView(dialog);
    int mark = (int)SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0);
    if (mark < 0 || mark >= ItemCount(list)) {
        return;
    }
    SetItemText(list, mark, InPlaceItemText(typed, UrlPlaceholder()).c_str());
}

void DeleteSelected(HWND dialog) {
    HWND list = PlaylistView(dialog);
    int index = 0;
    while (index < ItemCount(list)) {
        if (ItemState(list, index) & LVIS_SELECTED) {
            // The following items move up: look at the same index again.
            SendMessageW(list, LVM_DELETEITEM, (WPARAM)index, 0);
        } else {
            index++;
        }
    }
}

void DeleteAll(HWND dialog) {
    if (MessageBoxW(dialog, ResourceText(IDS_DELETE_ALL_QUESTION).c_str(), gSettings.sectionName,
                    MB_YESNO | MB_ICONQUESTION) == IDYES) {
        SendMessageW(PlaylistView(dialog), LVM_DELETEALLITEMS, 0, 0);
    }
}

void MoveSelected(HWND dialog, int direction) {
    HWND list = PlaylistView(dialog);
    int mark = (int)SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0);
    int selectedCount = (int)SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0);
    int target = MoveTarget(ItemCount(list), selectedCount, mark, direction);
    if (target < 0) {
        return;
    }
    std::vector<wchar_t> markText(kPathBufferSize), targetText(kPathBufferSize);
    ItemText(list, mark, markText.data(), kPathBufferSize);
    ItemText(list, target, targetText.data(), kPathBufferSize);
    UINT markState = ItemState(list, mark);
    UINT targetState = ItemState(list, target);
    SetItemText(list, target, markText.data());
    SetItemState(list, target, markState);
    SetItemText(list, mark, targetText.data());
    SetItemState(list, mark, targetState);
    SetFocus(list);
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, target);
}

void ShowContextMenu(HWND dialog) {
    HWND list = PlaylistView(dialog);
    int selectedCount = 0;
    int count = ItemCount(list);
    for (int index = 0; index < count; index++) {
        if (ItemState(list, index) & LVIS_SELECTED) {
            selectedCount++;
        }
    }
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrW(dialog, GWLP_HINSTANCE);
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(ContextMenuFor(selectedCount)));
    if (menu == nullptr) {
        return;
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenuEx(GetSubMenu(menu, 0), 0, cursor.x, cursor.y, dialog, nullptr);
    DestroyMenu(menu);
}

void AddDroppedPaths(HWND dialog, HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::wstring> paths;
    wchar_t path[kPathBufferSize];
    for (UINT index = 0; index < count; index++) {
        // A path too long for an entry would arrive cut; leave it out instead.
        if (DragQueryFileW(drop, index, nullptr, 0) > (UINT)kMaxPathChars) {
            continue;
        }
        if (DragQueryFileW(drop, index, path, kPathBufferSize) > 0) {
            paths.push_back(path);
        }
    }
    AddItemsAtEnd(dialog, paths);
    DragFinish(drop);
}

// Whether the dialog saw the editor change that the list view is handling.
static bool gUpdateReachedDialog = false;
static const wchar_t kOwnProcProperty[] = L"FlickvaneListViewProc";

void NoteLabelEditorUpdate() { gUpdateReachedDialog = true; }

static LRESULT CALLBACK ListViewForwardingProc(HWND list, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    WNDPROC ownProc = (WNDPROC)GetPropW(list, kOwnProcProperty);
    if (ownProc == nullptr) {
        return DefWindowProcW(list, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)ownProc);
        RemovePropW(list, kOwnProcProperty);
        return CallWindowProcW(ownProc, list, message, wParam, lParam);
    }
    if (message == WM_DROPFILES) {
        // The list view accepts files itself, so drops onto it arrive here: the dialog adds them.
        SendMessageW(GetParent(list), WM_DROPFILES, wParam, lParam);
        return 0;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != EN_UPDATE) {
        return CallWindowProcW(ownProc, list, message, wParam, lParam);
    }
    gUpdateReachedDialog = false;
    LRESULT result = CallWindowProcW(ownProc, list, message, wParam, lParam);
    // Some list views keep the editor's changes to themselves; pass them on once.
    if (!gUpdateReachedDialog) {
        SendMessageW(GetParent(list), WM_COMMAND, wParam, lParam);
    }
    return result;
}

void ForwardListViewMessages(HWND dialog) {
    HWND list = PlaylistView(dialog);
    if (list == nullptr || GetPropW(list, kOwnProcProperty) != nullptr) {
        return;
    }
    LONG_PTR ownProc = GetWindowLongPtrW(list, GWLP_WNDPROC);
    SetPropW(list, kOwnProcProperty, (HANDLE)ownProc);
    SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)ListViewForwardingProc);
}
