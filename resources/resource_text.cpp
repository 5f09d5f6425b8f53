#include "resources/resource_text.h"

std::wstring ResourceText(UINT id) {
    // With no buffer, LoadStringW hands out the read-only text in place and its length.
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, (LPWSTR)&text, 0);
    return length > 0 && text != nullptr ? std::wstring(text, (size_t)length) : std::wstring();
}
