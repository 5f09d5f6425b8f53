#include "playback/error_message.h"

#include <stdio.h>

void ComposeErrorMessage(long result, const wchar_t* errorText, const wchar_t* firstLine,
                         wchar_t* message, std::size_t messageSize) {
    if (message == nullptr || messageSize == 0) {
        return;
    }
    const wchar_t* prefix = firstLine ? firstLine : L"";
    const wchar_t* separator = firstLine ? L"\n" : L"";
    unsigned int code = (unsigned int)result;
    if (errorText != nullptr && errorText[0] != L'\0') {
        _snwprintf(message, messageSize, L"%ls%lsDirectShow Error: 0x%x %ls", prefix, separator,
                   code, errorText);
    } else {
        _snwprintf(message, messageSize, L"%ls%lsDirectShow Unknown Error: 0x%x", prefix,
                   separator, code);
    }
    message[messageSize - 1] = L'\0';
}
