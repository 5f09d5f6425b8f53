// The playlist list view of the configuration dialog and the commands that edit it.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stddef.h>

#include <string>
#include <vector>

// Item state bits the editor uses: selected and focused, always together.
constexpr UINT kItemStateMask = LVIS_SELECTED | LVIS_FOCUSED;
// The file chooser's result buffer: room for many names of a multiple selection.
constexpr size_t kChooserBufferSize = 2084 * 1024;

// Decisions

// The paths a file chooser result stands for. result is a run of zero-terminated strings
// ended by an empty one, at most size units. When firstIsFile, the first string is the one
// chosen file; otherwise it is a folder and the following strings name files in it. A path
// longer than an entry holds is left out.
std::vector<std::wstring> PathsFromChooserResult(const wchar_t* result, size_t size,
                                                 bool firstIsFile);
// The first string of a chooser result, or empty when it does not end within size units.
std::wstring FirstChooserString(const wchar_t* result, size_t size);
// After adding a batch, the selected items other than the last added one lose their selection.
std::vector<int> IndicesToDeselect(const std::vector<int>& selected, int lastInserted);
// Where the item at the selection mark goes when moved up (direction -1) or down (+1), or -1
// when the move does not apply (not exactly one item selected, the mark outside the list, the
// first item moved up, the last moved down).
int MoveTarget(int itemCount, int selectedCount, int selectionMark, int direction);
// The context menu for a right click: the full one with a selection, the short one without.
int ContextMenuFor(int selectedCount);
// What the item under the in-place editor shows: the typed text, or the placeholder when the
// editor is empty.
std::wstring InPlaceItemText(const wchar_t* editorText, const std::wstring& placeholder);

// Commands on the dialog's list view
void AddItemsAtEnd(HWND dialog, const std::vector<std::wstring>& texts);
bool ChooseMediaFiles(HWND owner, wchar_t* result, size_t size);
LPITEMIDLIST ChooseFolder(HWND owner, wchar_t* name);
void AddFiles(HWND dialog);
void AddFolder(HWND dialog);
void AddUrl(HWND dialog);
void CopyInPlaceText(HWND dialog, HWND editor);
void DeleteSelected(HWND dialog);
void DeleteAll(HWND dialog);
void MoveSelected(HWND dialog, int direction);
void ShowContextMenu(HWND dialog);
void AddDroppedPaths(HWND dialog, HDROP drop);
// Passes to the dialog what reaches the list view but belongs to the dialog: the in-place
// editor's change notifications (where the list view keeps them) and files dropped onto it.
void ForwardListViewMessages(HWND dialog);
// Called by the dialog for every in-place editor change it receives.
void NoteLabelEditorUpdate();
