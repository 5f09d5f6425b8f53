// The built-in movie runtime: the routines the QuickTime player calls, served through Media
// Foundation, for PCs without Apple's runtime. The loader binds its dispatcher when the real
// runtime cannot be loaded or started.
#pragma once

#include <windows.h>

#include "quicktime/qt_types.h"

// The saver's dispatcher for every selector of the loader's routine table.
LONG_PTR __cdecl MovieRuntimeDispatcher(LONG selector, ...);

// The item the next OpenMovieFile opens, in full: an FSSpec holds a name of 255 characters
// and no URL, while this runtime opens long paths and http(s) URLs too. Cleared when used.
void MovieRuntimeNameSource(const char* path);

// True when a movie's session had to be let go with its threads stuck: the process must then
// end without waiting on them.
bool MovieRuntimeHasStuckSessions();

// Result codes of this runtime, in the runtime's range.
constexpr OSErr MovieErrFileNotFound = -43;  // no file named
constexpr OSErr MovieErrParameter = -50;     // a routine it does not serve, or no movie
constexpr OSErr MovieErrCannotOpen = -2048;  // no movie could be made of the file
