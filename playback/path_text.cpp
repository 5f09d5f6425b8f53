#include "playback/path_text.h"

#include <windows.h>

namespace {

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') {
            c = (char)(c - 'A' + 'a');
        }
        if (c != *prefix) {
            return false;
        }
    }
    return true;
}

// The character after the last separator, stepping over double-byte characters so that a
// trail byte of 0x5C (as in many Shift-JIS kanji) is not taken for a backslash.
const char* AfterLast(const char* path, char separator) {
    const char* found = nullptr;
    for (const char* p = path; *p;) {
        if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0') {
            p += 2;
            continue;
        }
        if (*p == separator) {
            found = p + 1;
        }
        ++p;
    }
    return found;
}

} // namespace

const char* ItemTitleFromPath(const char* path) {
    if (path == nullptr) {
        return "";
    }
    const char* title = AfterLast(path, '\\');
    if (title == nullptr) {
        title = AfterLast(path, '/');
    }
    return title ? title : path;
}

bool HasInternetScheme(const char* path) {
    if (path == nullptr) {
        return false;
    }
    return StartsWithNoCase(path, "http:") || StartsWithNoCase(path, "https:") ||
           StartsWithNoCase(path, "ftp:");
}
