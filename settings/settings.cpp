#include "settings/settings.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <new>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/playlist.h"

SaverSettings gSettings;

namespace {

char gFolderOverride[kPathBufferSize]; // empty: the Windows folder

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
        entries.push_back(text);
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

bool WriteImageWithProfileFunctions(const char* path, const char* section,
                                    const SettingsImage& image) {
    ForgetCachedProfile(path);
    DeleteFileA(path);
    bool ok = true;
    for (const SettingsKey& key : image) {
        if (!WritePrivateProfileStringA(section, key.name.c_str(), key.value.c_str(), path)) {
            ok = false;
        }
    }
    ForgetCachedProfile(path);
    return ok;
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
    if (GetSettingsFilePath(path)) {
        reader.file = path;
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

    for (const SwitchKey& key : kSwitchKeys) {
        int on = SwitchFromStored(reader.Int(key.name, 0));
        gSettings.*key.field = on;
        if (dialogMode) {
            CheckDlgButton(window, key.checkBox, on ? BST_CHECKED : BST_UNCHECKED);
        }
        if (key.field == &SaverSettings::Random && on) {
            ShufflePlaylist();
        }
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
    char path[kPathBufferSize];
    if (!GetSettingsFilePath(path)) {
        return false;
    }
    try {
        SettingsImage image;
        UINT filesNum = 0;
        BuildImage(dialog, &image, &filesNum);
        gSettings.FilesNum = filesNum;
        return WriteImageWithProfileFunctions(path, gSettings.sectionName, image);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
