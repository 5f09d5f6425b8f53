// The text of the DirectShow failure message.
#pragma once

#include <cstddef>

// The error text buffer handed to DirectShow, in characters.
constexpr int kErrorTextSize = 160;
// Holds the longest message: the first line, the number and a 159-character text.
constexpr int kErrorMessageSize = 320;

// Composes "DirectShow Error: 0x%x %s", or "DirectShow Unknown Error: 0x%x" when errorText is
// null or empty, with firstLine and a line break in front when firstLine is given. Always
// terminates the output; a message that does not fit is cut.
void ComposeErrorMessage(long result, const wchar_t* errorText, const wchar_t* firstLine,
                         wchar_t* message, std::size_t messageSize);
