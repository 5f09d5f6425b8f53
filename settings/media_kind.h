// Which engine plays a path, judged from its text alone.
#pragma once

enum MediaKind { NotPlayable, QuickTimeFile, DirectShowFile };

constexpr int kExtensionBufferSize = 256;

void GetExtension(const char* path, char extension[kExtensionBufferSize]);
MediaKind ClassifyMedia(const char* path);
bool IsWindowsMediaPath(const char* path);
