#include "settings/path_text.h"

#include <windows.h>

#include <string.h>

namespace {

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix) {
    for (; *prefix; ++text, ++prefix) {
        wchar_t c = *text;
        if (c >= L'A' && c <= L'Z') {
            c = (wchar_t)(c - L'A' + L'a');
        }
        if (c != *prefix) {
            return false;
        }
    }
    return true;
}

} // namespace

const wchar_t* ItemTitleFromPath(const wchar_t* path) {
    if (path == nullptr) {
        return L"";
    }
    const wchar_t* title = wcsrchr(path, L'\\');
    if (title == nullptr) {
        title = wcsrchr(path, L'/');
    }
    return title ? title + 1 : path;
}

bool HasInternetScheme(const wchar_t* path) {
    if (path == nullptr) {
        return false;
    }
    return StartsWithNoCase(path, L"http:") || StartsWithNoCase(path, L"https:") ||
           StartsWithNoCase(path, L"ftp:");
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Writes into a fixed buffer; once something does not fit, every later write fails too.
struct QueryWriter {
    wchar_t* out;
    size_t size;
    size_t length;
    bool fits;

    void Put(wchar_t c) {
        if (!fits || length + 1 >= size) {
            fits = false;
            return;
        }
        out[length++] = c;
        out[length] = L'\0';
    }
    void Put(const wchar_t* text, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            Put(text[i]);
        }
    }
};

// The path with its slashes turned and nothing else changed.
void PutTurned(QueryWriter& writer, const wchar_t* path) {
    for (const wchar_t* p = path; *p; ++p) {
        writer.Put(*p == L'/' ? L'\\' : *p);
    }
}

// The components of rest, each after one backslash; "." is dropped and ".." removes the
// component before it, though never one of the root's (rootEnd is where the root ends in the
// text written so far, or 0 while it is still being written).
void PutComponents(QueryWriter& writer, const wchar_t* rest, int rootComponents) {
    size_t rootEnd = rootComponents == 0 ? writer.length : 0;
    int written = 0;
    const wchar_t* p = rest;
    while (*p) {
        while (IsSeparator(*p)) {
            ++p;
        }
        const wchar_t* start = p;
        while (*p && !IsSeparator(*p)) {
            ++p;
        }
        size_t count = (size_t)(p - start);
        if (count == 0 || (count == 1 && start[0] == L'.')) {
            continue;
        }
        if (count == 2 && start[0] == L'.' && start[1] == L'.' && rootEnd != 0) {
            while (writer.length > rootEnd && writer.out[writer.length - 1] != L'\\') {
                --writer.length;
            }
            if (writer.length > rootEnd) {
                --writer.length; // the separator before the removed component
            }
            writer.out[writer.length] = L'\0';
            continue;
        }
        writer.Put(L'\\');
        writer.Put(start, count);
        if (rootEnd == 0 && ++written == rootComponents) {
            rootEnd = writer.length;
        }
    }
}

} // namespace

bool FormQueryPath(const wchar_t* path, wchar_t* query, size_t size) {
    if (path == nullptr || query == nullptr || size == 0) {
        return false;
    }
    query[0] = L'\0';
    QueryWriter writer = {query, size, 0, true};
    if (wcsncmp(path, L"\\\\?\\", 4) == 0) {
        writer.Put(path, wcslen(path));
    } else if (IsSeparator(path[0]) && IsSeparator(path[1])) {
        if ((path[2] == L'?' || path[2] == L'.') && (IsSeparator(path[3]) || path[3] == L'\0')) {
            PutTurned(writer, path); // already a device or "\\?\" path, only written with slashes
        } else {
            // The server and the share are the root that ".." does not leave.
            writer.Put(L"\\\\?\\UNC", 7);
            PutComponents(writer, path + 2, 2);
        }
    } else if (IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        writer.Put(L"\\\\?\\", 4);
        writer.Put(path, 2);
        PutComponents(writer, path + 3, 0);
        if (writer.length == 6) {
            writer.Put(L'\\'); // the drive's root keeps its separator
        }
    } else {
        // "\\?\" needs a full path; the system resolves this one itself.
        PutTurned(writer, path);
    }
    if (!writer.fits) {
        query[0] = L'\0';
    }
    return writer.fits;
}

bool AppendSearchPattern(wchar_t* query, size_t size) {
    size_t length = wcslen(query);
    const wchar_t* pattern = length > 0 && query[length - 1] == L'\\' ? L"*" : L"\\*";
    size_t patternLength = wcslen(pattern);
    if (length + patternLength + 1 > size) {
        return false;
    }
    memcpy(query + length, pattern, (patternLength + 1) * sizeof(wchar_t));
    return true;
}
