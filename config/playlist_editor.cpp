#include "config/playlist_editor.h"

#include <stdio.h>
#include <string.h>

#include "playback/path_text.h"
#include "resources/resource.h"
#include "settings/settings.h"

std::string ToAnsi(const wchar_t* text) {
    int length = (int)wcslen(text);
    if (length == 0) {
        return std::string();
    }
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, text, length, &result[0], bytes, nullptr, nullptr);
    }
    return result;
}

// The length of the zero-terminated string at text, or size when no terminator comes first.
static size_t BoundedLength(const char* text, size_t size) {
    const void* end = memchr(text, '\0', size);
    return end ? (size_t)((const char*)end - text) : size;
}

std::string FirstChooserString(const char* result, size_t size) {
    size_t length = BoundedLength(result, size);
    if (length >= size) {
        return std::string();
    }
    return std::string(result, length);
}

std::vector<std::string> PathsFromChooserResult(const char* result, size_t size,
                                                bool firstIsFile) {
    std::vector<std::string> paths;
    size_t folderLength = BoundedLength(result, size);
    if (folderLength >= size || folderLength == 0) {
        return paths;
    }
    std::string first(result, folderLength);
    if (firstIsFile) {
        if (first.size() <= (size_t)kMaxPathChars) {
            paths.push_back(first);
        }
        return paths;
    }
    // A root folder ("C:\") already ends with the separator.
    const char* separator = first.back() == '\\' ? "" : "\\";
    size_t offset = folderLength + 1;
    while (offset < size) {
        size_t nameLength = BoundedLength(result + offset, size - offset);
        if (nameLength == 0 || offset + nameLength >= size) {
            break;
        }
        std::string path = first + separator + std::string(result + offset, nameLength);
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

std::string InPlaceItemText(const char* editorText, const std::string& placeholder) {
    return editorText[0] != '\0' ? std::string(editorText) : placeholder;
}

static HWND PlaylistView(HWND dialog) { return GetDlgItem(dialog, IDC_PLAYLIST); }

static const std::string& UrlPlaceholder() {
    static const std::string text = ToAnsi(FLICKVANE_URL_PLACEHOLDER);
    return text;
}

static int ItemCount(HWND list) { return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); }

static UINT ItemState(HWND list, int index) {
    return (UINT)SendMessageA(list, LVM_GETITEMSTATE, (WPARAM)index, kItemStateMask);
}

static void SetItemState(HWND list, int index, UINT state) {
    LVITEMA item = {};
    item.stateMask = kItemStateMask;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)index, (LPARAM)&item);
}

static void ItemText(HWND list, int index, char* text, int size) {
    text[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = size;
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)index, (LPARAM)&item);
}

static void SetItemText(HWND list, int index, const char* text) {
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = (LPSTR)text;
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)index, (LPARAM)&item);
}

void AddItemsAtEnd(HWND dialog, const std::vector<std::string>& texts) {
    HWND list = PlaylistView(dialog);
    int last = -1;
    for (const std::string& text : texts) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = ItemCount(list);
        item.pszText = (LPSTR)text.c_str();
        item.state = kItemStateMask;
        item.stateMask = kItemStateMask;
        int inserted = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        if (inserted >= 0) {
            last = inserted;
        }
    }
    // An empty batch leaves the selection as it was.
    if (last < 0) {
        return;
    }
    SendMessageA(list, LVM_SCROLL, 0, 65535);
    std::vector<int> selected;
    for (int index = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
         index >= 0; index = (int)SendMessageA(list, LVM_GETNEXTITEM, index, LVNI_SELECTED)) {
        selected.push_back(index);
    }
    for (int index : IndicesToDeselect(selected, last)) {
        SetItemState(list, index, 0);
    }
    SetFocus(list);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, last);
}

bool ChooseMediaFiles(HWND owner, char* result, size_t size) {
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
        L"Movie (*.mp4; *.mov; *.m4v; *.m4a; *.3gp; *.mkv; *.webm; *.mts; *.m2ts)\0"
        L"*.mp4; *.mov; *.m4v; *.m4a; *.3gp; *.mkv; *.webm; *.mts; *.m2ts\0"
        L"\u5168\u3066\u306e\u30d5\u30a1\u30a4\u30eb\0*\0"; // "全てのファイル"
    // The literal's own terminator is the second zero that ends the table.
    int filterLength = (int)(sizeof(filters) / sizeof(filters[0]));
    int filterBytes =
        WideCharToMultiByte(CP_ACP, 0, filters, filterLength, nullptr, 0, nullptr, nullptr);
    std::string filterText(filterBytes > 0 ? filterBytes : 0, '\0');
    if (filterBytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, filters, filterLength, &filterText[0], filterBytes,
                            nullptr, nullptr);
    }
    static const std::string title = ToAnsi(L"\u30d5\u30a1\u30a4\u30eb\u3092\u9078\u629e");

    result[0] = '\0';
    OPENFILENAMEA ofn = {};
    // The layout without the fields added in Windows 2000.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filterText.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = result;
    // The whole buffer, so that a long multiple selection still fits.
    ofn.nMaxFile = (DWORD)size;
    ofn.lpstrInitialDir = openedBefore ? nullptr : "\\";
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                OFN_EXPLORER | OFN_LONGNAMES;
    ofn.lpstrDefExt = "*";
    openedBefore = true;
    return GetOpenFileNameA(&ofn) != FALSE;
}

LPITEMIDLIST ChooseFolder(HWND owner, char* name) {
    static const std::string title =
        ToAnsi(L"\u30c7\u30a3\u30ec\u30af\u30c8\u30ea\u3092\u9078\u629e"); // "ディレクトリを選択"
    name[0] = '\0';
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = name;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    return SHBrowseForFolderA(&info);
}

void AddFiles(HWND dialog) {
    std::vector<char> result(kChooserBufferSize, '\0');
    if (!ChooseMediaFiles(dialog, result.data(), result.size())) {
        return;
    }
    std::string first = FirstChooserString(result.data(), result.size());
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
    char path[kPathBufferSize];
    LPITEMIDLIST folder = ChooseFolder(dialog, path);
    if (folder == nullptr) {
        return;
    }
    BOOL converted = SHGetPathFromIDListA(folder, path);
    CoTaskMemFree(folder);
    if (!converted || path[0] == '\0') {
        return;
    }
    AddItemsAtEnd(dialog, std::vector<std::string>{path});
}

void AddUrl(HWND dialog) { AddItemsAtEnd(dialog, std::vector<std::string>{UrlPlaceholder()}); }

void CopyInPlaceText(HWND dialog, HWND editor) {
    char typed[1024] = {};
    GetWindowTextA(editor, typed, sizeof(typed));
    HWND list = PlaylistView(dialog);
    int mark = (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
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
            SendMessageA(list, LVM_DELETEITEM, (WPARAM)index, 0);
        } else {
            index++;
        }
    }
}

void DeleteAll(HWND dialog) {
    static const std::string question = ToAnsi(FLICKVANE_DELETE_ALL_QUESTION);
    if (MessageBoxA(dialog, question.c_str(), gSettings.sectionName, MB_YESNO | MB_ICONQUESTION) ==
        IDYES) {
        SendMessageA(PlaylistView(dialog), LVM_DELETEALLITEMS, 0, 0);
    }
}

void MoveSelected(HWND dialog, int direction) {
    HWND list = PlaylistView(dialog);
    int mark = (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
    int selectedCount = (int)SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    int target = MoveTarget(ItemCount(list), selectedCount, mark, direction);
    if (target < 0) {
        return;
    }
    std::vector<char> markText(kPathBufferSize), targetText(kPathBufferSize);
    ItemText(list, mark, markText.data(), kPathBufferSize);
    ItemText(list, target, targetText.data(), kPathBufferSize);
    UINT markState = ItemState(list, mark);
    UINT targetState = ItemState(list, target);
    SetItemText(list, target, markText.data());
    SetItemState(list, target, markState);
    SetItemText(list, mark, targetText.data());
    SetItemState(list, mark, targetState);
    SetFocus(list);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, target);
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
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(dialog, GWLP_HINSTANCE);
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(ContextMenuFor(selectedCount)));
    if (menu == nullptr) {
        return;
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenuEx(GetSubMenu(menu, 0), 0, cursor.x, cursor.y, dialog, nullptr);
    DestroyMenu(menu);
}

void AddDroppedPaths(HWND dialog, HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    char path[kPathBufferSize];
    for (UINT index = 0; index < count; index++) {
        // A path too long for an entry would arrive cut; leave it out instead.
        if (DragQueryFileA(drop, index, nullptr, 0) > (UINT)kMaxPathChars) {
            continue;
        }
        if (DragQueryFileA(drop, index, path, sizeof(path)) > 0) {
            paths.push_back(path);
        }
    }
    AddItemsAtEnd(dialog, paths);
    DragFinish(drop);
}

// Whether the dialog saw the editor change that the list view is handling.
static bool gUpdateReachedDialog = false;
static const char kOwnProcProperty[] = "FlickvaneListViewProc";

void NoteLabelEditorUpdate() { gUpdateReachedDialog = true; }

static LRESULT CALLBACK ListViewForwardingProc(HWND list, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    WNDPROC ownProc = (WNDPROC)GetPropA(list, kOwnProcProperty);
    if (ownProc == nullptr) {
        return DefWindowProcW(list, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)ownProc);
        RemovePropA(list, kOwnProcProperty);
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
    if (list == nullptr || GetPropA(list, kOwnProcProperty) != nullptr) {
        return;
    }
    LONG_PTR ownProc = GetWindowLongPtrW(list, GWLP_WNDPROC);
    SetPropA(list, kOwnProcProperty, (HANDLE)ownProc);
    SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)ListViewForwardingProc);
}
