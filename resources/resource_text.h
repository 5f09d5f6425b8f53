// Texts of the string table in the user's language.
#pragma once

#include <windows.h>

#include <string>

// The string of the program's own module; empty when there is none.
std::wstring ResourceText(UINT id);
