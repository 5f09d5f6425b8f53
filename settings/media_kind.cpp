#include "settings/media_kind.h"

#include <wchar.h>

namespace {

// The movie route: QuickTime's formats, then the containers the built-in runtime adds.
const wchar_t* const kQuickTimeExtensions[] = {L"QT",  L"MOV", L"M4V", L"MP4",  L"AAC", L"M4A",
                                            L"M4B", L"M4P", L"3G2", L"MQV",  L"AMC", L"3GP",
                                            L"MKV", L"WEBM", L"MTS", L"M2TS", L"TS",  L"M2T"};

const wchar_t* const kDirectShowExtensions[] = {L"ASF", L"WMA", L"WMV", L"AVI", L"WAV", L"MPA", L"MP2",
                                             L"MP3", L"AU",  L"AIF", L"AIFF", L"SND", L"MID", L"MIDI",
                                             L"RMI", L"MPG", L"MPEG", L"M1V", L"M2V"};

const wchar_t* const kWindowsMediaMarkers[] = {L".asf", L".wma", L".wmv"};

template <size_t N>
bool IsInList(const wchar_t* extension, const wchar_t* const (&list)[N]) {
    for (const wchar_t* entry : list) {
        if (wcscmp(extension, entry) == 0) {
            return true;
        }
    }
    return false;
}

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? (wchar_t)(c - L'a' + L'A') : c; }
wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? (wchar_t)(c - L'A' + L'a') : c; }

} // namespace

void GetExtension(const wchar_t* path, wchar_t extension[kExtensionBufferSize]) {
    extension[0] = L'\0';
    if (path == nullptr) {
        return;
    }
    const wchar_t* dot = wcsrchr(path, L'.');
    if (dot == nullptr) {
        return;
    }
    // A longer tail is cut to the buffer; no entry of either list is anywhere near that long.
    size_t length = wcslen(dot + 1);
    if (length > (size_t)kExtensionBufferSize - 1) {
        length = (size_t)kExtensionBufferSize - 1;
    }
    memcpy(extension, dot + 1, length * sizeof(wchar_t));
    extension[length] = L'\0';
}

MediaKind ClassifyMedia(const wchar_t* path) {
    if (path == nullptr) {
        return NotPlayable;
    }
    const wchar_t* dot = wcsrchr(path, L'.');
    // Longer than any list entry: nothing can match, whatever the buffer would keep of it.
    if (dot == nullptr || wcslen(dot + 1) > (size_t)kExtensionBufferSize - 1) {
        return NotPlayable;
    }
    wchar_t extension[kExtensionBufferSize];
    GetExtension(path, extension);
    for (wchar_t* c = extension; *c != L'\0'; ++c) {
        *c = AsciiUpper(*c);
    }
    if (extension[0] == L'\0') {
        return NotPlayable;
    }
    if (IsInList(extension, kDirectShowExtensions)) {
        return DirectShowFile;
    }
    if (IsInList(extension, kQuickTimeExtensions)) {
        return QuickTimeFile;
    }
    return NotPlayable;
}

bool IsWindowsMediaPath(const wchar_t* path) {
    if (path == nullptr) {
        return false;
    }
    // Compared in place, so a path of any length is judged whole.
    for (const wchar_t* p = path; *p != L'\0'; ++p) {
        for (const wchar_t* marker : kWindowsMediaMarkers) {
            size_t i = 0;
            while (marker[i] != L'\0' && AsciiLower(p[i]) == marker[i]) {
                ++i;
            }
            if (marker[i] == L'\0') {
                return true;
            }
        }
    }
    return false;
}
