#include "settings/settings.h"

#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/playlist.h"

SaverSettings gSettings;

namespace {

wchar_t gFolderOverride[kPathBufferSize];      // empty: the Windows folder
wchar_t gUserFolderOverride[kPathBufferSize];  // empty: %APPDATA%\Flickvane
wchar_t gStoreFolderOverride[kPathBufferSize]; // empty: the Windows folder's virtual store
const wchar_t kUserFolderName[] = L"Flickvane";

bool WriteWithWriteFile(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

SettingsWriteFunction gWrite = WriteWithWriteFile;

struct SwitchKey {
    const wchar_t* name;
    int SaverSettings::*field;
    int checkBox;
};

// In file order.
const SwitchKey kSwitchKeys[] = {
    {L"Repeat", &SaverSettings::Repeat, IDC_REPEAT},
    {L"Random", &SaverSettings::Random, IDC_RANDOM},
    {L"Mute", &SaverSettings::Mute, IDC_MUTE},
    {L"Keyboard", &SaverSettings::Keyboard, IDC_KEYBOARD},
    {L"ESCKey", &SaverSettings::ESCKey, IDC_ESCKEY},
};

// Index is the record's size code.
const int kSizeButtons[] = {IDC_SIZE_FULL, IDC_SIZE_50,  IDC_SIZE_75,
                            IDC_SIZE_100,  IDC_SIZE_150, IDC_SIZE_200};
// Index is the aspect ratio code.
const int kAspectButtons[] = {IDC_ASPECT_VIDEO, IDC_ASPECT_4_3, IDC_ASPECT_16_9,
                              IDC_ASPECT_SCREEN};
// Index is the monitors mode.
const int kMonitorsButtons[] = {IDC_MONITORS_PRIMARY, IDC_MONITORS_SAME, IDC_MONITORS_EACH,
                                IDC_MONITORS_SPAN};

template <size_t N>
int ButtonFor(const int (&buttons)[N], int code) {
    return code >= 0 && code < (int)N ? buttons[code] : 0;
}

template <size_t N>
int CodeFor(const int (&buttons)[N], int buttonId) {
    for (size_t i = 0; i < N; ++i) {
        if (buttons[i] == buttonId) {
            return (int)i;
        }
    }
    return -1;
}

// The code of the group's checked button, or -1 when none is checked.
template <size_t N>
int CheckedCode(HWND dialog, const int (&buttons)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (IsDlgButtonChecked(dialog, buttons[i]) == BST_CHECKED) {
            return (int)i;
        }
    }
    return -1;
}

struct SettingsKey {
    std::wstring name;
    std::wstring value;
};

// The complete content of a settings file, in file order.
using SettingsImage = std::vector<SettingsKey>;

bool JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t path[kPathBufferSize]) {
    size_t folderLength = wcslen(folder);
    size_t nameLength = wcslen(name);
    if (folderLength + 1 + nameLength >= (size_t)kPathBufferSize) {
        return false;
    }
    memcpy(path, folder, folderLength * sizeof(wchar_t));
    path[folderLength] = L'\\';
    memcpy(path + folderLength + 1, name, (nameLength + 1) * sizeof(wchar_t));
    return true;
}

void CopyOverride(wchar_t* override, const wchar_t* folder) {
    override[0] = L'\0';
    if (folder != nullptr && wcslen(folder) < (size_t)kPathBufferSize) {
        wcscpy(override, folder);
    }
}

bool GetUserSettingsFolder(wchar_t folder[kPathBufferSize]) {
    if (gUserFolderOverride[0] != L'\0') {
        memcpy(folder, gUserFolderOverride, sizeof(gUserFolderOverride));
        return true;
    }
    wchar_t appData[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
        return false;
    }
    return JoinPath(appData, kUserFolderName, folder);
}

bool GetSettingsFolder(wchar_t folder[kPathBufferSize]) {
    if (gFolderOverride[0] != L'\0') {
        memcpy(folder, gFolderOverride, sizeof(gFolderOverride));
        return true;
    }
    UINT length = GetWindowsDirectoryW(folder, kPathBufferSize);
    return length > 0 && length < (UINT)kPathBufferSize;
}

bool GetVirtualStoreFolder(wchar_t folder[kPathBufferSize]) {
    if (gStoreFolderOverride[0] != L'\0') {
        memcpy(folder, gStoreFolderOverride, sizeof(gStoreFolderOverride));
        return true;
    }
    wchar_t localAppData[MAX_PATH];
    wchar_t windowsFolder[kPathBufferSize];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                localAppData)) ||
        !GetSettingsFolder(windowsFolder)) {
        return false;
    }
    return VirtualStoreFolderFor(localAppData, windowsFolder, folder);
}

// Reads keys of the one section; with no file every key takes its default.
// The profile functions read a file in the system code page, or in UTF-16 when it starts with
// the byte-order mark.
struct SettingsReader {
    const wchar_t* section;
    const wchar_t* file; // null: no file

    int Int(const wchar_t* key, int defaultValue) const {
        if (file == nullptr) {
            return defaultValue;
        }
        return (int)GetPrivateProfileIntW(section, key, defaultValue, file);
    }

    // Returns the length of the whole value, which may exceed what the buffer keeps.
    size_t Text(const wchar_t* key, wchar_t* buffer, DWORD size) const {
        buffer[0] = L'\0';
        if (file == nullptr) {
            return 0;
        }
        return GetPrivateProfileStringW(section, key, L"", buffer, size, file);
    }
};

void InsertListItem(HWND dialog, int index, wchar_t* text) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    SendDlgItemMessageW(dialog, IDC_PLAYLIST, LVM_INSERTITEMW, 0, (LPARAM)&item);
}

size_t ReadListItem(HWND dialog, int index, wchar_t* text, int size) {
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = size;
    text[0] = L'\0';
    LRESULT length = SendDlgItemMessageW(dialog, IDC_PLAYLIST, LVM_GETITEMTEXTW, (WPARAM)index,
                                         (LPARAM)&item);
    text[size - 1] = L'\0';
    return length < 0 ? 0 : wcslen(text);
}

std::wstring FormatUnsigned(UINT value) { return std::to_wstring(value); }

std::wstring FormatSigned(int value) { return std::to_wstring(value); }

bool IsProfileSpace(wchar_t c) { return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == L' '; }

// A value as the file keeps it: without the blanks around it, which the profile functions drop,
// and never past its line, so it cannot add keys of its own.
std::wstring StoredValue(const wchar_t* value) {
    while (IsProfileSpace(*value)) {
        ++value;
    }
    size_t length = wcscspn(value, L"\r\n");
    while (length > 0 && IsProfileSpace(value[length - 1])) {
        --length;
    }
    return std::wstring(value, length);
}

// The file's content from the dialog's controls; sets filesNum to the entries written.
// Empty entries and entries too long to read back are left out, so none of them can end or
// corrupt the list when it is read.
void BuildImage(HWND dialog, SettingsImage* image, UINT* filesNum) {
    int count = (int)SendDlgItemMessageW(dialog, IDC_PLAYLIST, LVM_GETITEMCOUNT, 0, 0);
    std::vector<std::wstring> entries;
    wchar_t text[kPathBufferSize + 1];
    for (int i = 0; i < count; ++i) {
        size_t length = ReadListItem(dialog, i, text, kPathBufferSize + 1);
        if (length == 0 || length > (size_t)kMaxPathChars) {
            continue;
        }
        std::wstring value = StoredValue(text);
        if (!value.empty()) {
            entries.push_back(value);
        }
    }
    *filesNum = (UINT)entries.size();
    image->push_back({L"FilesNum", FormatUnsigned(*filesNum)});
    for (size_t i = 0; i < entries.size(); ++i) {
        image->push_back({L"File" + FormatUnsigned((UINT)(i + 1)), entries[i]});
    }
    for (const SwitchKey& key : kSwitchKeys) {
        UINT on = IsDlgButtonChecked(dialog, key.checkBox) == BST_CHECKED ? 1 : 0;
        image->push_back({key.name, FormatUnsigned(on)});
    }
    int size = -1;
    for (int button : kSizeButtons) {
        if (IsDlgButtonChecked(dialog, button) == BST_CHECKED) {
            size = SizeForButton(button);
            break;
        }
    }
    // No size button: the stored value was none of the codes, which the saver plays full screen.
    image->push_back({L"Size", FormatUnsigned((UINT)StoredFromSize(size < 0 ? 0 : size))});
    int aspectRatio = -1;
    for (int button : kAspectButtons) {
        if (IsDlgButtonChecked(dialog, button) == BST_CHECKED) {
            aspectRatio = AspectRatioForButton(button);
            break;
        }
    }
    // No ratio button: keep the value as read, which the saver's layout still uses.
    if (aspectRatio < 0) {
        aspectRatio = gSettings.AspectRatio;
    }
    image->push_back({L"AspectRatio", FormatUnsigned((UINT)aspectRatio)});
    int position = (int)SendDlgItemMessageW(dialog, IDC_VOLUME, TBM_GETPOS, 0, 0);
    image->push_back({L"Volume", FormatSigned(-position)});
    // No mode button: keep the value as read.
    int monitors = CheckedCode(dialog, kMonitorsButtons);
    image->push_back({L"Monitors", FormatUnsigned((UINT)(monitors < 0 ? gSettings.Monitors : monitors))});
    UINT resume = IsDlgButtonChecked(dialog, IDC_RESUME) == BST_CHECKED ? 1 : 0;
    image->push_back({L"Resume", FormatUnsigned(resume)});
}

// Drops whatever the profile functions hold of the file, so later reads see the disk.
void ForgetCachedProfile(const wchar_t* path) {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
}

// The file's text as the profile functions write a new file: the section line, then one
// key=value line per key, each ended by CR LF.
std::wstring FormatSettingsText(const wchar_t* section, const SettingsImage& image) {
    std::wstring text = std::wstring(L"[") + section + L"]\r\n";
    for (const SettingsKey& key : image) {
        text += key.name;
        text += L'=';
        text += StoredValue(key.value.c_str());
        text += L"\r\n";
    }
    return text;
}

// Writes the complete text to a new file beside the destination and only then puts it in the
// destination's place in one step, so the old file stays whole until the new one is.
bool ReplaceFileWithText(const wchar_t* destination, const std::string& text) {
    wchar_t temporary[kPathBufferSize];
    int formed = _snwprintf(temporary, kPathBufferSize, L"%ls.%lu.new", destination,
                            GetCurrentProcessId());
    if (formed < 0 || formed >= kPathBufferSize) {
        return false;
    }
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = true;
    // A UTF-16 line ends in the zero byte after its line feed.
    const size_t unit = text.size() >= 2 && text[0] == '\xff' && text[1] == '\xfe' ? 2 : 1;
    size_t start = 0;
    while (ok && start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : (std::min)(end + unit, text.size());
        ok = gWrite(file, text.data() + start, (DWORD)(end - start));
        start = end;
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok) {
        ForgetCachedProfile(destination);
        ok = MoveFileExW(temporary, destination,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        ForgetCachedProfile(destination);
    }
    if (!ok) {
        DeleteFileW(temporary);
    }
    return ok;
}

bool IsFile(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WriteUserFile(const std::string& text) {
    wchar_t folder[kPathBufferSize];
    wchar_t path[kPathBufferSize];
    if (!GetUserSettingsFolder(folder) || !GetUserSettingsFilePath(path)) {
        return false;
    }
    // The per-user folder sits in the user's application data folder, which may be missing.
    wchar_t* separator = wcsrchr(folder, L'\\');
    if (separator != nullptr && separator != folder) {
        *separator = L'\0';
        CreateDirectoryW(folder, nullptr);
        *separator = L'\\';
    }
    CreateDirectoryW(folder, nullptr);
    return ReplaceFileWithText(path, text);
}

bool WriteSettingsText(const std::string& text) {
    wchar_t windowsFile[kPathBufferSize];
    wchar_t userFile[kPathBufferSize];
    bool haveUserFile = GetUserSettingsFilePath(userFile);
    if (GetSettingsFilePath(windowsFile) && ReplaceFileWithText(windowsFile, text)) {
        if (!haveUserFile || !IsFile(userFile)) {
            return true;
        }
        // The per-user copy would shadow the new file when loading.
        ForgetCachedProfile(userFile);
        if (DeleteFileW(userFile) || !IsFile(userFile)) {
            return true;
        }
        return WriteUserFile(text);
    }
    return WriteUserFile(text);
}

} // namespace

std::string EncodeSettingsText(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    BOOL lost = FALSE;
    int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), (int)text.size(),
                                    nullptr, 0, nullptr, &lost);
    if (bytes > 0 && !lost) {
        std::string ansi(bytes, '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), (int)text.size(), &ansi[0],
                            bytes, nullptr, nullptr);
        return ansi;
    }
    std::string unicode = "\xff\xfe";
    for (wchar_t c : text) {
        unicode += (char)(c & 0xff);
        unicode += (char)((c >> 8) & 0xff);
    }
    return unicode;
}

int SwitchFromStored(int stored) { return stored == 1 ? 1 : 0; }

bool SizeFromStored(int stored, int* size) {
    if (stored < 0 || stored > 6) {
        return false;
    }
    *size = stored == 6 ? 0 : stored;
    return true;
}

int StoredFromSize(int size) { return size == 0 ? 6 : size; }

int SizeButtonForSize(int size) {
    if (size < 0 || size >= (int)(sizeof(kSizeButtons) / sizeof(kSizeButtons[0]))) {
        return 0;
    }
    return kSizeButtons[size];
}

int AspectButtonForRatio(int aspectRatio) {
    if (aspectRatio < 0 || aspectRatio >= (int)(sizeof(kAspectButtons) / sizeof(kAspectButtons[0]))) {
        return 0;
    }
    return kAspectButtons[aspectRatio];
}

int SizeForButton(int buttonId) {
    for (int i = 0; i < (int)(sizeof(kSizeButtons) / sizeof(kSizeButtons[0])); ++i) {
        if (kSizeButtons[i] == buttonId) {
            return i;
        }
    }
    return -1;
}

int MonitorsButtonForMode(int monitors) { return ButtonFor(kMonitorsButtons, monitors); }

int MonitorsModeForButton(int buttonId) { return CodeFor(kMonitorsButtons, buttonId); }

int AspectRatioForButton(int buttonId) {
    for (int i = 0; i < (int)(sizeof(kAspectButtons) / sizeof(kAspectButtons[0])); ++i) {
        if (kAspectButtons[i] == buttonId) {
            return i;
        }
    }
    return -1;
}

void SetSettingsFolder(const wchar_t* folder) { CopyOverride(gFolderOverride, folder); }

void SetUserSettingsFolder(const wchar_t* folder) { CopyOverride(gUserFolderOverride, folder); }

void SetVirtualStoreFolder(const wchar_t* folder) { CopyOverride(gStoreFolderOverride, folder); }

bool VirtualStoreFolderFor(const wchar_t* localAppData, const wchar_t* windowsFolder,
                           wchar_t folder[kPathBufferSize]) {
    // "C:\Windows" is kept as "\Windows"; a folder without a drive letter has no stored copy.
    if (windowsFolder[0] == L'\0' || windowsFolder[1] != L':' || windowsFolder[2] != L'\\') {
        return false;
    }
    int written = _snwprintf(folder, kPathBufferSize, L"%ls\\VirtualStore%ls", localAppData,
                             windowsFolder + 2);
    return written >= 0 && written < kPathBufferSize;
}

bool GetVirtualStoreFilePath(wchar_t path[kPathBufferSize]) {
    wchar_t folder[kPathBufferSize];
    if (!GetVirtualStoreFolder(folder) || gSettings.fileName[0] == L'\0') {
        return false;
    }
    return JoinPath(folder, gSettings.fileName, path);
}

void SetSettingsWriter(SettingsWriteFunction write) {
    gWrite = write != nullptr ? write : WriteWithWriteFile;
}

bool GetUserSettingsFilePath(wchar_t path[kPathBufferSize]) {
    wchar_t folder[kPathBufferSize];
    if (!GetUserSettingsFolder(folder) || gSettings.fileName[0] == L'\0') {
        return false;
    }
    return JoinPath(folder, gSettings.fileName, path);
}

bool GetSettingsReadPath(wchar_t path[kPathBufferSize]) {
    if (GetUserSettingsFilePath(path) && IsFile(path)) {
        return true;
    }
    if (GetSettingsFilePath(path) && IsFile(path)) {
        return true;
    }
    wchar_t stored[kPathBufferSize];
    if (GetVirtualStoreFilePath(stored) && IsFile(stored)) {
        memcpy(path, stored, sizeof(stored));
        return true;
    }
    return GetSettingsFilePath(path);
}

bool GetSettingsFilePath(wchar_t path[kPathBufferSize]) {
    wchar_t folder[kPathBufferSize];
    if (!GetSettingsFolder(folder) || gSettings.fileName[0] == L'\0') {
        return false;
    }
    return JoinPath(folder, gSettings.fileName, path);
}

void LoadSettings(HWND window, int mode) {
    const bool dialogMode = mode == 1;
    CreatePlaylist();

    wchar_t path[kPathBufferSize];
    SettingsReader reader = {gSettings.sectionName, nullptr};
    if (GetSettingsReadPath(path)) {
        reader.file = path;
    }

    // The switches come first: the exit rules apply while the entries are added, which can
    // take a while when a network share does not answer.
    for (const SwitchKey& key : kSwitchKeys) {
        int on = SwitchFromStored(reader.Int(key.name, 0));
        gSettings.*key.field = on;
        if (dialogMode) {
            CheckDlgButton(window, key.checkBox, on ? BST_CHECKED : BST_UNCHECKED);
        }
    }

    gSettings.FilesNum = (UINT)reader.Int(L"FilesNum", 0);
    // One unit more than an entry holds, to tell a value that was cut from one that fits.
    wchar_t value[kPathBufferSize + 1];
    for (UINT n = 1; n != 0 && n <= gSettings.FilesNum; ++n) {
        wchar_t key[32];
        _snwprintf(key, 32, L"File%u", n);
        key[31] = L'\0';
        size_t length = reader.Text(key, value, kPathBufferSize + 1);
        if (length == 0) {
            break;
        }
        if (dialogMode) {
            value[kMaxPathChars] = L'\0';
            InsertListItem(window, (int)(n - 1), value);
        } else if (length <= (size_t)kMaxPathChars) {
            // A longer entry cannot name what was stored; it is left out.
            AddPlaylistPath(value);
        }
    }
    if (gSettings.Random == 1) {
        ShufflePlaylist();
    }

    int size = 0;
    if (SizeFromStored(reader.Int(L"Size", 6), &size)) {
        gSettings.Size = size;
        if (dialogMode) {
            CheckRadioButton(window, IDC_SIZE_50, IDC_SIZE_FULL, SizeButtonForSize(size));
        }
    }

    gSettings.AspectRatio = reader.Int(L"AspectRatio", 1);
    int aspectButton = AspectButtonForRatio(gSettings.AspectRatio);
    if (dialogMode && aspectButton != 0) {
        CheckDlgButton(window, aspectButton, BST_CHECKED);
    }

    gSettings.Volume = reader.Int(L"Volume", 0);

    gSettings.Monitors = reader.Int(L"Monitors", 0);
    int monitorsButton = MonitorsButtonForMode(gSettings.Monitors);
    if (dialogMode && monitorsButton != 0) {
        CheckDlgButton(window, monitorsButton, BST_CHECKED);
    }

    gSettings.Resume = SwitchFromStored(reader.Int(L"Resume", 0));
    if (dialogMode) {
        CheckDlgButton(window, IDC_RESUME, gSettings.Resume ? BST_CHECKED : BST_UNCHECKED);
    }
}

bool SaveSettings(HWND dialog) {
    try {
        SettingsImage image;
        UINT filesNum = 0;
        BuildImage(dialog, &image, &filesNum);
        gSettings.FilesNum = filesNum;
        return WriteSettingsText(EncodeSettingsText(FormatSettingsText(gSettings.sectionName, image)));
    } catch (const std::bad_alloc&) {
        return false;
    }
}
