// Texts derived from an entry's path.
#pragma once

#include <stddef.h>
#include <wchar.h>

#include "settings/settings.h"

// The window title for an item: the text after the path's last backslash; for a path without
// one (a URL), after its last "/"; otherwise the whole path. Points into path.
const wchar_t* ItemTitleFromPath(const wchar_t* path);

// True when the path names a scheme that WinINet can open (http, https, ftp); anything else,
// such as a local path, cannot be a readable URL.
bool HasInternetScheme(const wchar_t* path);

// Room for the longest query text: a stored path whose leading "\\" became "\\?\UNC\", a
// folder search's "\*" and the terminator.
constexpr size_t kQueryPathSize = (size_t)kMaxPathChars + 6 + 2 + 1;

// The text every file-system query on a stored path uses, so that it reaches past MAX_PATH:
// "\\?\UNC\server\share\..." for a network path and "\\?\" + the path for a drive path, after
// the tidying that the prefix would otherwise switch off (forward slashes become backslashes,
// repeated separators, "." and a trailing separator go, ".." takes the folder before it away).
// A path already carrying "\\?\" is kept as it is; any other (relative, a device) only has its
// slashes turned. False when the text does not fit size.
bool FormQueryPath(const wchar_t* path, wchar_t* query, size_t size);
// Appends a folder search's "\*" to a query text formed above, without doubling a separator.
bool AppendSearchPattern(wchar_t* query, size_t size);
