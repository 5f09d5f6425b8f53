// Program entry: the saver window class, the window and the saver's message loop.
#pragma once

#include <windows.h>

void RegisterSaverClass(HINSTANCE instance);
bool CreateSaverWindow(HINSTANCE instance, int showCommand);
// Runs the whole program for one command line (writable; upper-cased in place).
int RunProgram(HINSTANCE instance, char* commandLine, int showCommand);
