// Finding, loading, binding and counting the QuickTime runtime "QuickTime.qts".
#pragma once

#include <windows.h>

#include "quicktime/qt_types.h"

typedef void (*QtHookProc)();

// Room for a folder found by the search, so that folder and library name fit a path buffer.
constexpr int QtPathBufferSize = 260;
constexpr int QtLibraryNameLength = 13;
constexpr int QtFolderCapacity = QtPathBufferSize - QtLibraryNameLength; // 247
extern const char QtLibraryName[];        // "QuickTime.qts"
extern const char QtRegistryKey[];        // under HKEY_LOCAL_MACHINE
extern const char QtSubfolderName[];      // "QuickTime\", appended to the system directory

// Loader state, one per process.
extern HMODULE QtLibraryHandle;
extern LONG QtInitCount;
extern QtHookProc QtPreCallHook;
extern QtDispatcherProc QtDispatcher;
extern QtDispatcherProc QtCallComponentEntry;
extern QtDispatcherProc QtCallComponentWithStorageEntry;
extern LONG QtVersionChecked;
extern LONG QtVersionOk;

// Counting start and end of the runtime, serialised by the per-process named mutex.
OSErr QtRuntimeInitialize(LONG flags);
void QtRuntimeTerminate();

// The search.
HMODULE LoadQuickTimeLibrary(const char* libraryName);
bool FindQuickTimeSystemFolder(char* folder, int capacity);
int FindQuickTimeExtensionsFolder(char* folder, int capacity);
// A registry folder, ending in a separator; empty when missing, unreadable or too long.
void ReadQuickTimeFolderValue(const char* valueName, char* folder, int capacity);

// Binding.
OSErr QtResolveEntryPoints();
LONG_PTR __cdecl QtUnavailableDispatcher(LONG selector, ...);
// The initial pre-call hook: binds a runtime for a routine called before initialisation.
void QtRuntimeLoadOnDemand();
// The pre-call hook after a failed start or after termination.
void QtRebindBeforeCall();

// Version test, cached: 1 when the runtime is 7.0.2.0 or later.
LONG QtCheckRuntimeVersion();
void ReadFileVersion(const char* path, DWORD* versionHigh, DWORD* versionLow);
// Each part counts by its low 8 bits: major, minor, build, revision from high to low byte.
DWORD QtPackVersion(DWORD versionHigh, DWORD versionLow);
constexpr DWORD QtMinimumVersion = 0x07000200;

// The mutex name for a process: "QTMLInitTermMutex" and the id in lower-case hexadecimal.
void QtFormatMutexName(DWORD processId, char name[256]);

// Returns the loader to its state at process start (unloading a held library). For tests.
void QtResetLoaderState();
