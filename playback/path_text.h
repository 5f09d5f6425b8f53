// Texts derived from an entry's path.
#pragma once

// The window title for an item: the text after the path's last backslash; for a path without
// one (a URL), after its last "/"; otherwise the whole path. Points into path.
const char* ItemTitleFromPath(const char* path);

// True when the path names a scheme that WinINet can open (http, https, ftp); anything else,
// such as a local path, cannot be a readable URL.
bool HasInternetScheme(const char* path);
