// The QuickTime runtime as the rest of the saver sees it.
#pragma once

#include <windows.h>

// 1 when QtStartup initialised the runtime.
extern int QuickTimeAvailable;

void QtStartup();
void QtShutdown();
