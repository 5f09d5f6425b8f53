#include "settings/settings.h"

#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <new>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/playlist.h"

SaverSettings gSettings;

namespace {

char gFolderOverride[kPathBufferSize];     // empty: the Windows folder
char gUserFolderOverride[kPathBufferSize]; // empty: %APPDATA%\Flickvane
const char kUserFolderName[] = "Flickvane";

bool WriteWithWriteFile(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

SettingsWriteFunction gWrite = WriteWithWriteFile;

struct SwitchKey {
    const char* name;
    int SaverSettings::*field;
    int checkBox;
};

// In file order.
const SwitchKey kSwitchKeys[] = {
    {"Repeat", &SaverSettings::Repeat, IDC_REPEAT},
    {"Random", &SaverSettings::Random, IDC_RANDOM},
    {"Mute", &SaverSettings::Mute, IDC_MUTE},
    {"Keyboard", &SaverSettings::Keyboard, IDC_KEYBOARD},
    {"ESCKey", &SaverSettings::ESCKey, IDC_ESCKEY},
};

// Index is the record's size code.
const int kSizeButtons[] = {IDC_SIZE_FULL, IDC_SIZE_50,  IDC_SIZE_75,
                            IDC_SIZE_100,  IDC_SIZE_150, IDC_SIZE_200};
// Index is the aspect ratio code.
const int kAspectButtons[] = {IDC_ASPECT_VIDEO, IDC_ASPECT_4_3, IDC_ASPECT_16_9,
                              IDC_ASPECT_SCREEN};

struct SettingsKey {
    std::string name;
    std::string value;
};

// The complete content of a settings file, in file order.
using SettingsImage = std::vector<SettingsKey>;

bool JoinPath(const char* folder, const char* name, char path[kPathBufferSize]) {
    int written = snprintf(path, kPathBufferSize, "%s\\%s", folder, name);
    return written >= 0 && written < kPathBufferSize;
}

bool GetUserSettingsFolder(char folder[kPathBufferSize]) {
    if (gUserFolderOverride[0] != '\0') {
        memcpy(folder, gUserFolderOverride, sizeof(gUserFolderOverride));
        return true;
    }
    char appData[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
        return false;
    }
    return JoinPath(appData, kUserFolderName, folder);
}

bool GetSettingsFolder(char folder[kPathBufferSize]) {
    if (gFolderOverride[0] != '\0') {
        memcpy(folder, gFolderOverride, sizeof(gFolderOverride));
        return true;
    }
    UINT length = GetWindowsDirectoryA(folder, kPathBufferSize);
    return length > 0 && length < (UINT)kPathBufferSize;
}

// Reads keys of the one section; with no file every key takes its default.
struct SettingsReader {
    const char* section;
    const char* file; // null: no file

    int Int(const char* key, int defaultValue) const {
        if (file == nullptr) {
            return defaultValue;
        }
        return (int)GetPrivateProfileIntA(section, key, defaultValue, file);
    }

    // Returns the length of the whole value, which may exceed what the buffer keeps.
    size_t Text(const char* key, char* buffer, DWORD size) const {
        buffer[0] = '\0';
        if (file == nullptr) {
            return 0;
        }
        return GetPrivateProfileStringA(section, key, "", buffer, size, file);
    }
};

void InsertListItem(HWND dialog, int index, char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = text;
    SendDlgItemMessageA(dialog, IDC_PLAYLIST, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

size_t ReadListItem(HWND dialog, int index, char* text, int size) {
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = size;
    text[0] = '\0';
    LRESULT length = SendDlgItemMessageA(dialog, IDC_PLAYLIST, LVM_GETITEMTEXTA, (WPARAM)index,
                                         (LPARAM)&item);
    text[size - 1] = '\0';
    return length < 0 ? 0 : strlen(text);
}

std::string FormatUnsigned(UINT value) {
    char text[16];
    snprintf(text, sizeof(text), "%u", value);
    return text;
}

std::string FormatSigned(int value) {
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    return text;
}

bool IsProfileSpace(char c) { return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' '; }

// A value as the file keeps it: without the blanks around it, which the profile functions drop,
// and never past its line, so it cannot add keys of its own.
std::string StoredValue(const char* value) {
    while (IsProfileSpace(*value)) {
        ++value;
    }
    size_t length = strcspn(value, "\r\n");
    while (length > 0 && IsProfileSpace(value[length - 1])) {
        --length;
    }
    return std::string(value, length);
}

// The file's content from the dialog's controls; sets filesNum to the entries written.
// Empty entries and entries too long to read back are left out, so none of them can end or
// corrupt the list when it is read.
void BuildImage(HWND dialog, SettingsImage* image, UINT* filesNum) {
    int count = (int)SendDlgItemMessageA(dialog, IDC_PLAYLIST, LVM_GETITEMCOUNT, 0, 0);
    std::vector<std::string> entries;
    char text[kPathBufferSize + 1];
    for (int i = 0; i < count; ++i) {
        size_t length = ReadListItem(dialog, i, text, (int)sizeof(text));
        if (length == 0 || length > (size_t)kMaxPathChars) {
            continue;
        }
        std::string value = StoredValue(text);
        if (!value.empty()) {
            entries.push_back(value);
        }
    }
    *filesNum = (UINT)entries.size();
    image->push_back({"FilesNum", FormatUnsigned(*filesNum)});
    for (size_t i = 0; i < entries.size(); ++i) {
        image->push_back({"File" + FormatUnsigned((UINT)(i + 1)), entries[i]});
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
    image->push_back({"Size", FormatUnsigned((UINT)StoredFromSize(size < 0 ? 0 : size))});
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
    image->push_back({"AspectRatio", FormatUnsigned((UINT)aspectRatio)});
    int position = (int)SendDlgItemMessageA(dialog, IDC_VOLUME, TBM_GETPOS, 0, 0);
    image->push_back({"Volume", FormatSigned(-position)});
}

// Drops whatever the profile functions hold of the file, so later reads see the disk.
void ForgetCachedProfile(const char* path) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path); }

// The file's text as the profile functions write a new file: the section line, then one
// key=value line per key, each ended by CR LF.
std::string FormatSettingsText(const char* section, const SettingsImage& image) {
    std::string text = std::string("[") + section + "]\r\n";
    for (const SettingsKey& key : image) {
        text += key.name;
        text += '=';
        text += StoredValue(key.value.c_str());
        text += "\r\n";
    }
    return text;
}

// Writes the complete text to a new file beside the destination and only then puts it in the
// destination's place in one step, so the old file stays whole until the new one is.
bool ReplaceFileWithText(const char* destination, const std::string& text) {
    char temporary[kPathBufferSize];
    int formed = snprintf(temporary, sizeof(temporary), "%s.%lu.new", destination,
                          GetCurrentProcessId());
    if (formed < 0 || formed >= (int)sizeof(temporary)) {
        return false;
    }
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = true;
    size_t start = 0;
    while (ok && start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        ok = gWrite(file, text.data() + start, (DWORD)(end - start));
        start = end;
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok) {
        ForgetCachedProfile(destination);
        ok = MoveFileExA(temporary, destination,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        ForgetCachedProfile(destination);
    }
    if (!ok) {
        DeleteFileA(temporary);
    }
    return ok;
}

bool IsFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WriteUserFile(const std::string& text) {
    char folder[kPathBufferSize];
    char path[kPathBufferSize];
    if (!GetUserSettingsFolder(folder) || !GetUserSettingsFilePath(path)) {
        return false;
    }
    // The per-user folder sits in the user's application data folder, which may be missing.
    char* separator = strrchr(folder, '\\');
    if (separator != nullptr && separator != folder) {
        *separator = '\0';
        CreateDirectoryA(folder, nullptr);
        *separator = '\\';
    }
    CreateDirectoryA(folder, nullptr);
    return ReplaceFileWithText(path, text);
}

bool WriteSettingsText(const std::string& text) {
    char windowsFile[kPathBufferSize];
    char userFile[kPathBufferSize];
    bool haveUserFile = GetUserSettingsFilePath(userFile);
    if (GetSettingsFilePath(windowsFile) && ReplaceFileWithText(windowsFile, text)) {
        if (!haveUserFile || !IsFile(userFile)) {
            return true;
        }
        // The per-user copy would shadow the new file when loading.
        ForgetCachedProfile(userFile);
        if (DeleteFileA(userFile) || !IsFile(userFile)) {
            return true;
        }
        return WriteUserFile(text);
    }
    return WriteUserFile(text);
}

} // namespace

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

int AspectRatioForButton(int buttonId) {
    for (int i = 0; i < (int)(sizeof(kAspectButtons) / sizeof(kAspectButtons[0])); ++i) {
        if (kAspectButtons[i] == buttonId) {
            return i;
        }
    }
    return -1;
}

void SetSettingsFolder(const char* folder) {
    gFolderOverride[0] = '\0';
    if (folder != nullptr && strlen(folder) < sizeof(gFolderOverride)) {
        strcpy(gFolderOverride, folder);
    }
}

void SetUserSettingsFolder(const char* folder) {
    gUserFolderOverride[0] = '\0';
    if (folder != nullptr && strlen(folder) < sizeof(gUserFolderOverride)) {
        strcpy(gUserFolderOverride, folder);
    }
}

void SetSettingsWriter(SettingsWriteFunction write) {
    gWrite = write != nullptr ? write : WriteWithWriteFile;
}

bool GetUserSettingsFilePath(char path[kPathBufferSize]) {
    char folder[kPathBufferSize];
    if (!GetUserSettingsFolder(folder) || gSettings.fileName[0] == '\0') {
        return false;
    }
    return JoinPath(folder, gSettings.fileName, path);
}

bool GetSettingsReadPath(char path[kPathBufferSize]) {
    if (GetUserSettingsFilePath(path) && IsFile(path)) {
        return true;
    }
    return GetSettingsFilePath(path);
}

bool GetSettingsFilePath(char path[kPathBufferSize]) {
    char folder[kPathBufferSize];
    if (!GetSettingsFolder(folder) || gSettings.fileName[0] == '\0') {
        return false;
    }
    return JoinPath(folder, gSettings.fileName, path);
}

void LoadSettings(HWND window, int mode) {
    const bool dialogMode = mode == 1;
    CreatePlaylist();

    char path[kPathBufferSize];
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

    gSettings.FilesNum = (UINT)reader.Int("FilesNum", 0);
    // One byte more than an entry holds, to tell a value that was cut from one that fits.
    char value[kPathBufferSize + 1];
    for (UINT n = 1; n != 0 && n <= gSettings.FilesNum; ++n) {
        char key[32];
        snprintf(key, sizeof(key), "%s%u", "File", n);
        size_t length = reader.Text(key, value, sizeof(value));
        if (length == 0) {
            break;
        }
        if (dialogMode) {
            value[kMaxPathChars] = '\0';
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
    if (SizeFromStored(reader.Int("Size", 6), &size)) {
        gSettings.Size = size;
        if (dialogMode) {
            CheckRadioButton(window, IDC_SIZE_50, IDC_SIZE_FULL, SizeButtonForSize(size));
        }
    }

    gSettings.AspectRatio = reader.Int("AspectRatio", 1);
    int aspectButton = AspectButtonForRatio(gSettings.AspectRatio);
    if (dialogMode && aspectButton != 0) {
        CheckDlgButton(window, aspectButton, BST_CHECKED);
    }

    gSettings.Volume = reader.Int("Volume", 0);
}

bool SaveSettings(HWND dialog) {
    try {
        SettingsImage image;
        UINT filesNum = 0;
        BuildImage(dialog, &image, &filesNum);
        gSettings.FilesNum = filesNum;
        return WriteSettingsText(FormatSettingsText(gSettings.sectionName, image));
    } catch (const std::bad_alloc&) {
        return false;
    }
}
