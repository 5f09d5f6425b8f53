// The screen saver command line, read after it has been upper-cased.
#pragma once

enum class StartMode { Configure, FullScreen, Preview };

struct StartRequest {
    StartMode mode;
    long window; // owner of the dialog (0: none) or the preview parent
};

// Upper-cases ASCII letters in place; other bytes (Shift-JIS among them) stay.
void UpperCaseCommandLine(char* commandLine);
// Picks the mode from an upper-cased command line.
StartRequest ParseCommandLine(const char* commandLine);
