// Whether a URL entry can be read, found out on a thread of its own: the saver window hears
// the answer as UrlCheckedMessage and meanwhile goes on answering input.
#pragma once

#include <windows.h>

// True when the path names a scheme that WinINet can open; anything else is no URL to check.
bool IsCheckableUrl(const wchar_t* path);
// Starts the check of url; the window gets UrlCheckedMessage with wParam 1 when the first byte
// was read (0 otherwise) and lParam the ticket. False when no check could be started.
bool StartUrlCheck(HWND window, const wchar_t* url, LPARAM ticket);
