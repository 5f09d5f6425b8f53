#include "settings/media_kind.h"

#include <string.h>

namespace {

// The movie route: QuickTime's formats, then the containers the built-in runtime adds.
const char* const kQuickTimeExtensions[] = {"QT",  "MOV", "M4V", "MP4", "AAC",  "M4A",
                                            "M4B", "M4P", "3G2", "MQV", "AMC",  "3GP",
                                            "MKV", "WEBM", "MTS", "M2TS"};

const char* const kDirectShowExtensions[] = {"ASF", "WMA", "WMV", "AVI", "WAV", "MPA", "MP2",
                                             "MP3", "AU",  "AIF", "AIFF", "SND", "MID", "MIDI",
                                             "RMI", "MPG", "MPEG", "M1V", "M2V"};

const char* const kWindowsMediaMarkers[] = {".asf", ".wma", ".wmv"};

template <size_t N>
bool IsInList(const char* extension, const char* const (&list)[N]) {
    for (const char* entry : list) {
        if (strcmp(extension, entry) == 0) {
            return true;
        }
    }
    return false;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

} // namespace

void GetExtension(const char* path, char extension[kExtensionBufferSize]) {
    extension[0] = '\0';
    if (path == nullptr) {
        return;
    }
    const char* dot = strrchr(path, '.');
    if (dot == nullptr) {
        return;
    }
    // A longer tail is cut to the buffer; no entry of either list is anywhere near that long.
    size_t length = strlen(dot + 1);
    if (length > (size_t)kExtensionBufferSize - 1) {
        length = (size_t)kExtensionBufferSize - 1;
    }
    memcpy(extension, dot + 1, length);
    extension[length] = '\0';
}

MediaKind ClassifyMedia(const char* path) {
    if (path == nullptr) {
        return NotPlayable;
    }
    const char* dot = strrchr(path, '.');
    // Longer than any list entry: nothing can match, whatever the buffer would keep of it.
    if (dot == nullptr || strlen(dot + 1) > (size_t)kExtensionBufferSize - 1) {
        return NotPlayable;
    }
    char extension[kExtensionBufferSize];
    GetExtension(path, extension);
    for (char* c = extension; *c != '\0'; ++c) {
        *c = AsciiUpper(*c);
    }
    if (extension[0] == '\0') {
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

bool IsWindowsMediaPath(const char* path) {
    if (path == nullptr) {
        return false;
    }
    // Compared in place, so a path of any length is judged whole.
    for (const char* p = path; *p != '\0'; ++p) {
        for (const char* marker : kWindowsMediaMarkers) {
            size_t i = 0;
            while (marker[i] != '\0' && AsciiLower(p[i]) == marker[i]) {
                ++i;
            }
            if (marker[i] == '\0') {
                return true;
            }
        }
    }
    return false;
}
