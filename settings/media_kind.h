// Which engine plays a path, judged from its text alone.
#pragma once

enum MediaKind { NotPlayable, QuickTimeFile, DirectShowFile };

constexpr int kExtensionBufferSize = 256;

void GetExtension(const wchar_t* path, wchar_t extension[kExtensionBufferSize]);
MediaKind ClassifyMedia(const wchar_t* path);
bool IsWindowsMediaPath(const wchar_t* path);
