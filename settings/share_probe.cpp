#include "settings/share_probe.h"

#include <string.h>
#include <wchar.h>

#include <new>
#include <string>
#include <vector>

#include "settings/path_text.h"

namespace {

void QueryShareRoot(const wchar_t* root) {
    // The root's own attributes: a share that answers at all answers this at once.
    wchar_t folder[kQueryPathSize + 1];
    size_t length = wcslen(root);
    if (length + 2 > sizeof(folder) / sizeof(folder[0])) {
        return;
    }
    memcpy(folder, root, length * sizeof(wchar_t));
    folder[length] = L'\\';
    folder[length + 1] = L'\0';
    GetFileAttributesW(folder);
}

bool WaitPlainly(HANDLE finished, DWORD milliseconds) {
    return WaitForSingleObject(finished, milliseconds) == WAIT_OBJECT_0;
}

ShareQueryFunction gQuery = QueryShareRoot;
ShareWaitFunction gWait = WaitPlainly;

struct ShareAnswer {
    std::wstring root;
    bool answered;
};
std::vector<ShareAnswer> gAnswers;

// One question to a share, held by the asking thread and the worker; whichever lets go last
// frees it, so a worker still stuck in the network can be left behind.
struct ShareQuestion {
    LONG references;
    HANDLE finished;
    ShareQueryFunction query;
    wchar_t root[kQueryPathSize];
};

void LetGo(ShareQuestion* question) {
    if (InterlockedDecrement(&question->references) == 0) {
        CloseHandle(question->finished);
        delete question;
    }
}

DWORD WINAPI AskShareThread(void* parameter) {
    ShareQuestion* question = static_cast<ShareQuestion*>(parameter);
    question->query(question->root);
    SetEvent(question->finished);
    LetGo(question);
    return 0;
}

// Asks the share once. A question that cannot be put (no thread, no memory) counts as no
// answer: asking on this thread could hold it without bound.
bool AskShare(const wchar_t* root) {
    ShareQuestion* question = new (std::nothrow) ShareQuestion();
    if (question == nullptr) {
        return false;
    }
    question->references = 2;
    question->query = gQuery;
    wcsncpy(question->root, root, kQueryPathSize - 1);
    question->finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = question->finished
                        ? CreateThread(nullptr, 0, AskShareThread, question, 0, nullptr)
                        : nullptr;
    if (thread == nullptr) {
        if (question->finished) {
            CloseHandle(question->finished);
        }
        delete question;
        return false;
    }
    bool answered = gWait(question->finished, kShareAnswerMs) ||
                    WaitForSingleObject(question->finished, 0) == WAIT_OBJECT_0;
    if (!answered) {
        // Lets a worker waiting on the network give up sooner; it is not waited for.
        CancelSynchronousIo(thread);
    }
    CloseHandle(thread);
    LetGo(question);
    return answered;
}

} // namespace

bool ShareRootOfQuery(const wchar_t* query, wchar_t* root, size_t size) {
    static const wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";
    const size_t prefixLength = sizeof(kUncPrefix) / sizeof(kUncPrefix[0]) - 1;
    if (query == nullptr || _wcsnicmp(query, kUncPrefix, prefixLength) != 0) {
        return false;
    }
    // The server, a backslash and the share.
    const wchar_t* server = query + prefixLength;
    const wchar_t* separator = wcschr(server, L'\\');
    if (separator == nullptr || separator == server || separator[1] == L'\0' ||
        separator[1] == L'\\') {
        return false;
    }
    const wchar_t* end = wcschr(separator + 1, L'\\');
    size_t length = end ? (size_t)(end - query) : wcslen(query);
    if (length + 1 > size) {
        return false;
    }
    memcpy(root, query, length * sizeof(wchar_t));
    root[length] = L'\0';
    return true;
}

bool ShareAnswers(const wchar_t* query) {
    wchar_t root[kQueryPathSize];
    if (!ShareRootOfQuery(query, root, kQueryPathSize)) {
        return true;
    }
    for (const ShareAnswer& known : gAnswers) {
        if (_wcsicmp(known.root.c_str(), root) == 0) {
            return known.answered;
        }
    }
    bool answered = AskShare(root);
    try {
        gAnswers.push_back(ShareAnswer{root, answered});
    } catch (const std::bad_alloc&) {
        // Not remembered: the next entry on the share asks again.
    }
    return answered;
}

void ForgetShareAnswers() { gAnswers.clear(); }

void SetShareQuery(ShareQueryFunction query) { gQuery = query ? query : QueryShareRoot; }

void SetShareWait(ShareWaitFunction wait) { gWait = wait ? wait : WaitPlainly; }
