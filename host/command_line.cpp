#include "host/command_line.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

void UpperCaseCommandLine(char* commandLine) {
    for (char* p = commandLine; *p; p++) {
        // The second byte of a double-byte character may look like a lower-case letter.
        if (IsDBCSLeadByte((BYTE)*p)) {
            if (p[1] == '\0') {
                break;
            }
            p++;
        } else if (*p >= 'a' && *p <= 'z') {
            *p = (char)(*p - 'a' + 'A');
        }
    }
}

// One blank-delimited token of at most 19 characters after the switch, converted like atol;
// no match counts as 0.
static long ReadSwitchNumber(const char* commandLine, const char* pattern) {
    char token[20] = {};
    if (sscanf(commandLine, pattern, token) != 1) {
        return 0;
    }
    return atol(token);
}

StartRequest ParseCommandLine(const char* commandLine) {
    if (commandLine[0] == '\0') {
        return {StartMode::Configure, 0};
    }
    if (strcmp(commandLine, "/S") == 0) {
        return {StartMode::FullScreen, 0};
    }
    long owner = ReadSwitchNumber(commandLine, "/C:%19s");
    if (owner != 0) {
        return {StartMode::Configure, owner};
    }
    long parent = ReadSwitchNumber(commandLine, "/P %19s");
    if (parent != 0) {
        return {StartMode::Preview, parent};
    }
    return {StartMode::FullScreen, 0};
}
