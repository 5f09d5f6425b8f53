#include "quicktime/qt_title.h"

#include <string.h>

#include "quicktime/qt_player.h"

void TitleFromPath(const char* path, char title[QtTitleBufferSize]) {
    title[0] = '\0';
    if (path == nullptr) {
        return;
    }
    // A separator byte can be the second byte of a double-byte character; those are skipped.
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0') {
            ++p;
        } else if (*p == '\\' || *p == '/') {
            name = p + 1;
        }
    }
    size_t length = 0;
    while (name[length] != '\0') {
        size_t charLength = (IsDBCSLeadByte((BYTE)name[length]) && name[length + 1] != '\0') ? 2 : 1;
        if (length + charLength > QtTitleBufferSize - 1) {
            break;
        }
        length += charLength;
    }
    memcpy(title, name, length);
    title[length] = '\0';
}

void SetWindowTitleFromPath(HWND window, const char* path) {
    char title[QtTitleBufferSize];
    TitleFromPath(path, title);
    SetWindowTextA(window, title);
}
