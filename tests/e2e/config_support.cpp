#include "config_support.h"

#include <commctrl.h>
#include <shlobj.h>
#include <string.h>

namespace e2e {

std::string Ansi(const wchar_t* text) {
    int length = (int)wcslen(text);
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, text, length, &result[0], bytes, nullptr, nullptr);
    }
    return result;
}

std::wstring WideWindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

RemoteMemory::RemoteMemory(HANDLE process, size_t size)
    : process_(process),
      address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteMemory::~RemoteMemory() {
    if (address_) {
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
}

bool RemoteMemory::Write(const void* data, size_t size, size_t offset) {
    SIZE_T done = 0;
    return address_ && WriteProcessMemory(process_, (char*)address_ + offset, data, size, &done) &&
           done == size;
}

bool RemoteMemory::Read(void* data, size_t size, size_t offset) const {
    SIZE_T done = 0;
    return address_ && ReadProcessMemory(process_, (char*)address_ + offset, data, size, &done) &&
           done == size;
}

int ConfigDialog::ItemCount() const { return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); }

std::vector<std::string> ConfigDialog::Items() const {
    std::vector<std::string> items;
    const size_t textSize = 2084;
    RemoteMemory memory(process, sizeof(LVITEMA) + textSize);
    for (int index = 0; index < ItemCount(); index++) {
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = (char*)memory.Address() + sizeof(LVITEMA);
        item.cchTextMax = (int)textSize;
        char zero = 0;
        memory.Write(&zero, 1, sizeof(LVITEMA));
        memory.Write(&item, sizeof(item));
        SendMessageA(list, LVM_GETITEMTEXTA, index, (LPARAM)memory.Address());
        std::vector<char> text(textSize + 1, '\0');
        memory.Read(text.data(), textSize, sizeof(LVITEMA));
        items.push_back(text.data());
    }
    return items;
}

std::vector<int> ConfigDialog::Selected() const {
    std::vector<int> selected;
    for (int index = 0; index < ItemCount(); index++) {
        if (SendMessageA(list, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED) {
            selected.push_back(index);
        }
    }
    return selected;
}

int ConfigDialog::SelectionMark() const {
    return (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
}

void ConfigDialog::Select(const std::vector<int>& indices) const {
    RemoteMemory memory(process, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    memory.Write(&item, sizeof(item));
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)memory.Address());
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.Write(&item, sizeof(item));
    for (int index : indices) {
        SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)memory.Address());
    }
    if (!indices.empty()) {
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, indices.back());
    }
}

bool ConfigDialog::Checked(int id) const {
    return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int ConfigDialog::TrackbarPosition() const {
    return (int)SendMessageA(Control(1033), TBM_GETPOS, 0, 0);
}

void ConfigDialog::Click(int id) const {
    RECT rect = {};
    GetWindowRect(Control(id), &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SleepPumping(150);
}

RECT ConfigDialog::ItemRect(int index) const {
    RemoteMemory memory(process, sizeof(RECT));
    RECT rect = {};
    rect.left = LVIR_LABEL;
    memory.Write(&rect, sizeof(rect));
    SendMessageA(list, LVM_GETITEMRECT, index, (LPARAM)memory.Address());
    memory.Read(&rect, sizeof(rect));
    MapWindowPoints(list, nullptr, (POINT*)&rect, 2);
    return rect;
}

void ConfigDialog::ClickItem(int index, bool right) const {
    RECT rect = ItemRect(index);
    ClickAt(rect.left + 12, (rect.top + rect.bottom) / 2, right);
    SleepPumping(150);
}

struct OtherWindowSearch {
    DWORD processId;
    HWND except;
    const char* className;
    HWND found;
};

static BOOL CALLBACK FindOther(HWND window, LPARAM param) {
    OtherWindowSearch* search = (OtherWindowSearch*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || window == search->except || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (search->className && WindowClass(window) != search->className) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND ConfigDialog::WaitForOtherWindow(const char* className, DWORD timeoutMs) const {
    OtherWindowSearch search = {GetProcessId(process), dialog, className, nullptr};
    WaitUntil(
        [&] {
            search.found = nullptr;
            EnumWindows(FindOther, (LPARAM)&search);
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool ConfigDialog::DropPaths(const std::vector<std::string>& paths, bool onList) const {
    std::vector<std::wstring> wide;
    for (const std::string& path : paths) {
        wchar_t text[2084] = {};
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, text, 2084);
        wide.push_back(text);
    }
    return DropPaths(wide, onList);
}

bool ConfigDialog::DropPaths(const std::vector<std::wstring>& paths, bool onList) const {
    // A DROPFILES header followed by the UTF-16 paths, each zero-terminated, and a final zero.
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    memcpy(&block[0], &header, sizeof(header));
    for (const std::wstring& path : paths) {
        block.append((const char*)path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    }
    block.append(2, '\0');
    // Left to the dialog, which releases the drop itself; never freed here.
    void* address = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                   PAGE_READWRITE);
    SIZE_T done = 0;
    if (!address || !WriteProcessMemory(process, address, block.data(), block.size(), &done)) {
        return false;
    }
    return PostMessageA(onList ? list : dialog, WM_DROPFILES, (WPARAM)address, 0) != FALSE;
}

bool OpenConfigDialog(SaverProcess& saver, const std::string& arguments, ConfigDialog* config) {
    if (!saver.Start(arguments)) {
        return false;
    }
    config->process = saver.Handle();
    config->dialog = WaitForProcessWindow(saver.Id(), "#32770", 10000);
    if (!config->dialog) {
        return false;
    }
    config->list = GetDlgItem(config->dialog, 1013);
    // Let the dialog finish painting and take the focus.
    SleepPumping(300);
    return config->list != nullptr;
}

bool ClickAndWaitForExit(SaverProcess& saver, const ConfigDialog& config, int id) {
    config.Click(id);
    DWORD code = 99;
    return saver.WaitForExit(8000, &code) && code == 0;
}

std::wstring MessageBoxText(HWND box) {
    std::wstring text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (WindowClass(child) == "Static") {
            text += WideWindowText(child);
        }
    }
    return text;
}

bool AnswerMessageBox(HWND box, int button) {
    HWND answer = GetDlgItem(box, button);
    if (answer == nullptr) {
        return false;
    }
    RECT rect = {};
    GetWindowRect(answer, &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return WaitUntil([&] { return !IsWindow(box); }, 5000);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT inputs[2] = {};
        inputs[0].type = INPUT_KEYBOARD;
        inputs[0].ki.wScan = c;
        inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
        inputs[1] = inputs[0];
        inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
        SleepPumping(10);
    }
    SleepPumping(100);
}

void PressKeyWith(WORD modifier, WORD vk) {
    KeyDown(modifier);
    SleepPumping(20);
    PressKey(vk);
    SleepPumping(20);
    KeyUp(modifier);
    SleepPumping(50);
}

std::vector<std::string> SettingsLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '[') {
            lines.push_back(line);
        }
        start = end + 1;
    }
    return lines;
}

void UseWineDrawnCaptions() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Decorated", 0, REG_SZ, (const BYTE*)"N", 2);
        RegCloseKey(key);
    }
}

} // namespace e2e
