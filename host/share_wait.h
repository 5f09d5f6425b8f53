// While the playlist is built, a network share that does not answer is waited for with a
// bound; meanwhile the saver window stands black and its input still ends the saver.
#pragma once

#include <windows.h>

// From now on the playlist's waits for shares go through the saver window.
void WaitForSharesThrough(HWND window);
