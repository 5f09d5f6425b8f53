// The screen saver command line, read after it has been upper-cased.
#pragma once

enum class StartMode { Configure, FullScreen, Preview };

struct StartRequest {
    StartMode mode;
    long window; // owner of the dialog (0: none) or the preview parent
};

// Upper-cases ASCII letters in place; double-byte characters of the ANSI code page stay.
void UpperCaseCommandLine(char* commandLine);
// Picks the mode from an upper-cased command line.
StartRequest ParseCommandLine(const char* commandLine);
