#include "playback/error_report.h"

#include <dshow.h>

#include "playback/error_message.h"
#include "resources/resource.h"
#include "settings/playlist.h"
#include "settings/settings.h"

bool windowDestroyed = false;

namespace {

HWND reportOwner = nullptr;
bool reportInPreview = false;

void ShowErrorBox(HWND owner, const wchar_t* text, const wchar_t* caption) {
    MessageBoxW(owner, text, caption, MB_ICONERROR);
}

void EndProcess(UINT exitCode) { ExitProcess(exitCode); }

// Input ends the pause at once: the saver must answer it without delay.
void PauseUnlessInput(DWORD milliseconds) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_INPUT);
}

} // namespace

const PlaybackHooks kDefaultPlaybackHooks = {ShufflePlaylist, ShowErrorBox, EndProcess,
                                             PauseUnlessInput};
PlaybackHooks gPlaybackHooks = kDefaultPlaybackHooks;

void SetErrorReportOwner(HWND owner, bool previewMode) {
    reportOwner = owner;
    reportInPreview = previewMode;
}

void CheckResult(HRESULT result) { CheckResult(result, nullptr); }

void CheckResult(HRESULT result, const wchar_t* firstLine) {
    if (result >= 0) {
        return;
    }
    wchar_t errorText[kErrorTextSize] = {};
    if (AMGetErrorTextW(result, errorText, kErrorTextSize) == 0) {
        errorText[0] = L'\0';
    }
    errorText[kErrorTextSize - 1] = L'\0';
    wchar_t message[kErrorMessageSize];
    ComposeErrorMessage(result, errorText, firstLine, message, kErrorMessageSize);
    if (!reportInPreview) {
        wchar_t caption[kSectionNameSize];
        lstrcpynW(caption, gSettings.sectionName, kSectionNameSize);
        if (caption[0] == L'\0') {
            LoadStringW(GetModuleHandleW(nullptr), IDS_SECTION_NAME, caption, kSectionNameSize);
        }
        ShowCursor(TRUE);
        gPlaybackHooks.showErrorBox(reportOwner, message, caption);
    }
    gPlaybackHooks.endProcess(1);
}
