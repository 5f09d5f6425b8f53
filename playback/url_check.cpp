#include "playback/url_check.h"

#include <wininet.h>

#include <new>

#include "playback/player.h"
#include "settings/path_text.h"
#include "settings/settings.h"

namespace {

// WinINet's own time-outs for connecting and for each answer.
constexpr DWORD kUrlTimeoutMs = 4000;

// Opens the URL and reads one byte. An answer with an error status (a missing page, say)
// is not the entry's content, though it has a body.
bool ProbeUrl(const wchar_t* url) {
    HINTERNET session =
        InternetOpenW(L"PROGRAM", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) {
        return false;
    }
    DWORD timeout = kUrlTimeoutMs;
    InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(session, INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(session, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    InternetSetOptionW(session, INTERNET_OPTION_DATA_SEND_TIMEOUT, &timeout, sizeof(timeout));
    bool readable = false;
    HINTERNET file = InternetOpenUrlW(session, url, nullptr, 0, INTERNET_FLAG_TRANSFER_ASCII, 0);
    if (file != nullptr) {
        DWORD status = 0;
        DWORD size = sizeof(status);
        bool failedStatus = HttpQueryInfoW(file, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                           &status, &size, nullptr) &&
                            status >= 400;
        char byte = 0;
        DWORD read = 0;
        readable = !failedStatus && InternetReadFile(file, &byte, 1, &read) && read == 1;
        InternetCloseHandle(file);
    }
    InternetCloseHandle(session);
    return readable;
}

struct UrlCheck {
    HWND window;
    LPARAM ticket;
    wchar_t url[kPathBufferSize];
};

// Some WinINet builds ignore the answer time-outs, so a server that takes the connection and
// never answers keeps this thread; nobody waits for it, and an answer that comes after the
// screen moved on carries a ticket that is no longer awaited.
DWORD WINAPI CheckUrlThread(void* parameter) {
    UrlCheck* check = static_cast<UrlCheck*>(parameter);
    bool readable = ProbeUrl(check->url);
    PostMessageA(check->window, UrlCheckedMessage, readable ? 1 : 0, check->ticket);
    delete check;
    return 0;
}

} // namespace

bool IsCheckableUrl(const wchar_t* path) { return HasInternetScheme(path); }

bool StartUrlCheck(HWND window, const wchar_t* url, LPARAM ticket) {
    UrlCheck* check = new (std::nothrow) UrlCheck();
    if (check == nullptr) {
        return false;
    }
    check->window = window;
    check->ticket = ticket;
    lstrcpynW(check->url, url, kPathBufferSize);
    HANDLE thread = CreateThread(nullptr, 0, CheckUrlThread, check, 0, nullptr);
    if (thread == nullptr) {
        delete check;
        return false;
    }
    CloseHandle(thread);
    return true;
}
