#include "playback/error_message.h"

#include <cstdio>
#include <cstring>

// "DirectShowがインストールされていません。" in code page 932.
const char kDirectShowMissingLine[] =
    "DirectShow\x82\xaa\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5b\x83\x8b\x82\xb3\x82\xea"
    "\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81\x42";

void ComposeErrorMessage(long result, const char* errorText, const char* firstLine,
                         char* message, std::size_t messageSize) {
    if (message == nullptr || messageSize == 0) {
        return;
    }
    const char* prefix = firstLine ? firstLine : "";
    const char* separator = firstLine ? "\n" : "";
    unsigned int code = (unsigned int)result;
    if (errorText != nullptr && errorText[0] != '\0') {
        std::snprintf(message, messageSize, "%s%sDirectShow Error: 0x%x %s", prefix, separator,
                      code, errorText);
    } else {
        std::snprintf(message, messageSize, "%s%sDirectShow Unknown Error: 0x%x", prefix,
                      separator, code);
    }
    message[messageSize - 1] = '\0';
}
