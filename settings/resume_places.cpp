#include "settings/resume_places.h"

#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

// The first line names the file: anything else is not ours and is not read.
const char kHeader[] = "[Flickvane resume 1]";
// A file larger than its most places could ever make is not ours either.
constexpr LONGLONG kLargestFile = 16 * 1024 * 1024;

constexpr LONGLONG kSecond = 10000000;
constexpr LONGLONG kShortestResumed = 60 * kSecond;
constexpr LONGLONG kNearTheEnd = 10 * kSecond;
constexpr LONGLONG kShownAgain = 2 * kSecond;

std::wstring resumeFolder; // empty: the user's own

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::string();
    }
    std::string out(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], length, nullptr,
                        nullptr);
    return out;
}

// Empty for text that is not UTF-8, which no path of ours became.
std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(),
                                     nullptr, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring out(length, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), &out[0],
                        length);
    return out;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), (int)a.size(), b.data(),
                          (int)b.size()) == CSTR_EQUAL;
}

bool FolderPath(std::wstring* folder) {
    if (!resumeFolder.empty()) {
        *folder = resumeFolder;
        return true;
    }
    wchar_t local[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                local))) {
        return false;
    }
    *folder = std::wstring(local) + L"\\Flickvane";
    return true;
}

} // namespace

std::string FormatResumeText(const ResumeState& state) {
    std::string text = std::string(kHeader) + "\r\n";
    if (!state.current.empty()) {
        text += "Current=" + Utf8(state.current) + "\r\n";
    }
    for (const std::wstring& path : state.order) {
        text += "Next=" + Utf8(path) + "\r\n";
    }
    for (const ResumePlace& place : state.places) {
        char position[32];
        snprintf(position, sizeof(position), "%lld", (long long)place.position);
        text += std::string("Place=") + position + "|" + Utf8(place.path) + "\r\n";
    }
    return text;
}

bool ParseResumeText(const std::string& text, ResumeState* state) {
    *state = ResumeState();
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first) {
            if (line != kHeader) {
                return false;
            }
            first = false;
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (key == "Place") {
            size_t bar = value.find('|');
            char* after = nullptr;
            long long position = strtoll(value.c_str(), &after, 10);
            std::wstring path =
                bar == std::string::npos ? std::wstring() : FromUtf8(value.substr(bar + 1));
            if (after == value.c_str() + bar && position >= 0 && !path.empty()) {
                RememberPlace(state, path, position);
            }
            continue;
        }
        std::wstring path = FromUtf8(value);
        if (path.empty()) {
            continue;
        }
        if (key == "Current") {
            state->current = path;
        } else if (key == "Next") {
            state->order.push_back(path);
        }
    }
    return !first;
}

void ForgetPlace(ResumeState* state, const std::wstring& path) {
    for (size_t i = 0; i < state->places.size(); ++i) {
        if (SamePath(state->places[i].path, path)) {
            state->places.erase(state->places.begin() + (ptrdiff_t)i);
            return;
        }
    }
}

void RememberPlace(ResumeState* state, const std::wstring& path, LONGLONG position) {
    ForgetPlace(state, path);
    if (state->places.size() >= kMostResumePlaces) {
        state->places.erase(state->places.begin(),
                            state->places.begin() +
                                (ptrdiff_t)(state->places.size() - kMostResumePlaces + 1));
    }
    state->places.push_back({path, position});
}

LONGLONG PlaceOf(const ResumeState& state, const std::wstring& path) {
    for (const ResumePlace& place : state.places) {
        if (SamePath(place.path, path)) {
            return place.position;
        }
    }
    return -1;
}

LONGLONG ResumeStart(LONGLONG place, LONGLONG duration) {
    if (place < 0 || duration < kShortestResumed || place > duration - kNearTheEnd) {
        return 0;
    }
    return place > kShownAgain ? place - kShownAgain : 0;
}

void ReadResumeFile(ResumeState* state) {
    *state = ResumeState();
    std::wstring folder;
    if (!FolderPath(&folder)) {
        return;
    }
    HANDLE file = CreateFileW((folder + L"\\resume.ini").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    LARGE_INTEGER size = {};
    std::string text;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestFile) {
        text.resize((size_t)size.QuadPart);
        DWORD got = 0;
        if (!ReadFile(file, &text[0], (DWORD)text.size(), &got, nullptr)) {
            got = 0;
        }
        text.resize(got);
    }
    CloseHandle(file);
    if (!ParseResumeText(text, state)) {
        *state = ResumeState();
    }
}

bool WriteResumeFile(const ResumeState& state) {
    std::wstring folder;
    if (!FolderPath(&folder)) {
        return false;
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring destination = folder + L"\\resume.ini";
    std::wstring temporary = destination + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string text = FormatResumeText(state);
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    // The new file takes the old one's place in one step: a power cut leaves one or the other.
    ok = ok && MoveFileExW(temporary.c_str(), destination.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temporary.c_str());
    }
    return ok;
}

void SetResumeFolder(const wchar_t* folder) { resumeFolder = folder != nullptr ? folder : L""; }
