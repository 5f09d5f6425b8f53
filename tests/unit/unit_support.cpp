#include "unit_support.h"

#include <windows.h>

#include "settings/playlist.h"

namespace unit {

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string text = path;
    return text.substr(0, text.find_last_of("\\/") + 1);
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::wstring W(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0],
                                     (int)wide.size());
    wide.resize(length > 0 ? length : 0);
    return wide;
}

std::string U8(const std::wstring& text) {
    std::string narrow(text.size() * 3, '\0');
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &narrow[0],
                                     (int)narrow.size(), nullptr, nullptr);
    narrow.resize(length > 0 ? length : 0);
    return narrow;
}

std::vector<std::string> PlaylistPaths() {
    std::vector<std::string> paths;
    for (PlaylistEntry* node = gPlaylist.first; node != nullptr && node->path[0] != L'\0';
         node = node->next) {
        paths.push_back(U8(node->path));
    }
    return paths;
}

std::wstring FreshTempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"flickvane-" + name;
    for (const std::wstring& file : FilesIn(folder)) {
        DeleteFileW((folder + L"\\" + file).c_str());
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(file) && ok;
}

} // namespace unit
