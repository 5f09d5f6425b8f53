#include <windows.h>

#include "host/program_entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    return RunProgram(instance, commandLine, showCommand);
}
