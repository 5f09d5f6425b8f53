#include "quicktime/qt_loader.h"

#include <io.h>
#include <string.h>

#include "quicktime/qt_calls.h"

const char QtLibraryName[] = "QuickTime.qts";
const char QtRegistryKey[] = "Software\\Apple Computer, Inc.\\QuickTime";
const char QtSubfolderName[] = "QuickTime\\";

static const int QtSubfolderLength = 10;

HMODULE QtLibraryHandle = nullptr;
LONG QtInitCount = 0;
QtHookProc QtPreCallHook = QtRuntimeLoadOnDemand;
QtDispatcherProc QtDispatcher = QtUnavailableDispatcher;
QtDispatcherProc QtCallComponentEntry = QtUnavailableDispatcher;
QtDispatcherProc QtCallComponentWithStorageEntry = QtUnavailableDispatcher;
LONG QtVersionChecked = 0;
LONG QtVersionOk = 0;

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Appends a backslash unless the folder already ends in a separator. False when the folder is
// empty or the backslash would not fit.
static bool EndWithSeparator(char* folder, int capacity) {
    size_t length = strlen(folder);
    if (length == 0) {
        return false;
    }
    if (IsSeparator(folder[length - 1])) {
        return true;
    }
    if ((int)length + 2 > capacity) {
        return false;
    }
    folder[length] = '\\';
    folder[length + 1] = '\0';
    return true;
}

static bool FolderExists(const char* folder) { return _access(folder, 0) == 0; }

void ReadQuickTimeFolderValue(const char* valueName, char* folder, int capacity) {
    if (capacity <= 0) {
        return;
    }
    folder[0] = '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QtRegistryKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    DWORD size = (DWORD)capacity;
    LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, (BYTE*)folder, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || size > (DWORD)capacity) {
        folder[0] = '\0';
        return;
    }
    // The stored data need not end in a terminator; a value that fills the whole buffer
    // without one is too long and counts as absent.
    size_t length = strnlen(folder, size);
    if (length >= (size_t)capacity) {
        folder[0] = '\0';
        return;
    }
    folder[length] = '\0';
    if (length > 0 && !EndWithSeparator(folder, capacity)) {
        folder[0] = '\0';
    }
}

// The registry places of the system folder: taken when not empty and present.
static bool TakeRegistryFolder(const char* valueName, char* folder, int capacity) {
    ReadQuickTimeFolderValue(valueName, folder, capacity);
    if (folder[0] != '\0' && FolderExists(folder)) {
        return true;
    }
    folder[0] = '\0';
    return false;
}

bool FindQuickTimeSystemFolder(char* folder, int capacity) {
    if (capacity <= 0) {
        return false;
    }
    folder[0] = '\0';

    // A runtime already in the process: its own folder, without asking the registry.
    HMODULE loaded = GetModuleHandleA(QtLibraryName);
    if (loaded != nullptr) {
        char fullName[QtPathBufferSize] = {};
        DWORD length = GetModuleFileNameA(loaded, fullName, sizeof(fullName));
        if (length > (DWORD)QtLibraryNameLength && length < sizeof(fullName)) {
            DWORD folderLength = length - QtLibraryNameLength;
            if ((int)folderLength + 1 < capacity) {
                memcpy(folder, fullName, folderLength);
                folder[folderLength] = '\0';
                if (EndWithSeparator(folder, capacity)) {
                    return true;
                }
            }
        }
        folder[0] = '\0';
    }

    if (TakeRegistryFolder("QTSysDir", folder, capacity)) {
        return true;
    }
    if (TakeRegistryFolder("QuickTime.qts folder", folder, capacity)) {
        return true;
    }

    UINT length = GetSystemDirectoryA(folder, (UINT)capacity);
    if (length > 0 && length < (UINT)capacity && FolderExists(folder) &&
        EndWithSeparator(folder, capacity)) {
        return true;
    }
    folder[0] = '\0';
    return false;
}

int FindQuickTimeExtensionsFolder(char* folder, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    ReadQuickTimeFolderValue("QTExtDir", folder, capacity);
    if (folder[0] != '\0') {
        return (int)strlen(folder);
    }

    // Both with room left for the subfolder name.
    int reduced = capacity - QtSubfolderLength;
    if (reduced <= 0) {
        folder[0] = '\0';
        return 0;
    }
    char systemDirectory[QtPathBufferSize + 1] = {};
    int systemCapacity = reduced < QtPathBufferSize ? reduced : QtPathBufferSize;
    UINT systemLength = GetSystemDirectoryA(systemDirectory, (UINT)systemCapacity);
    if (systemLength == 0 || systemLength >= (UINT)systemCapacity) {
        systemDirectory[0] = '\0';
    }
    if (!FindQuickTimeSystemFolder(folder, reduced)) {
        folder[0] = '\0';
        return 0;
    }
    if (systemDirectory[0] != '\0') {
        // The buffer has one byte more than the capacity given to the system directory.
        EndWithSeparator(systemDirectory, systemCapacity + 1);
        if (strcmp(folder, systemDirectory) == 0) {
            strcat(folder, QtSubfolderName);
        }
    }
    return (int)strlen(folder);
}

// Loads folder + library name when the two fit one path buffer.
static HMODULE LoadFromFolder(const char* folder, const char* libraryName) {
    char path[QtPathBufferSize];
    size_t folderLength = strlen(folder);
    size_t nameLength = strlen(libraryName);
    if (folderLength + nameLength + 1 > sizeof(path)) {
        return nullptr;
    }
    memcpy(path, folder, folderLength);
    memcpy(path + folderLength, libraryName, nameLength + 1);
    return LoadLibraryA(path);
}

HMODULE LoadQuickTimeLibrary(const char* libraryName) {
    char folder[QtPathBufferSize] = {};
    if (!FindQuickTimeSystemFolder(folder, QtFolderCapacity)) {
        return nullptr;
    }
    HMODULE library = LoadFromFolder(folder, libraryName);
    if (library != nullptr) {
        return library;
    }
    if (FindQuickTimeExtensionsFolder(folder, QtFolderCapacity) == 0) {
        return nullptr;
    }
    return LoadFromFolder(folder, libraryName);
}

LONG_PTR __cdecl QtUnavailableDispatcher(LONG selector, ...) {
    (void)selector;
    return (LONG_PTR)QtErrRuntimeUnavailable;
}

static void UnbindEntryPoints() {
    QtDispatcher = QtUnavailableDispatcher;
    QtCallComponentEntry = QtUnavailableDispatcher;
    QtCallComponentWithStorageEntry = QtUnavailableDispatcher;
}

OSErr QtResolveEntryPoints() {
    if (QtLibraryHandle != nullptr) {
        FARPROC withStorage = GetProcAddress(QtLibraryHandle, "_CallComponentFunctionWithStorage");
        FARPROC component = GetProcAddress(QtLibraryHandle, "_CallComponent");
        FARPROC dispatcher = GetProcAddress(QtLibraryHandle, "theQuickTimeDispatcher");
        if (withStorage != nullptr && component != nullptr && dispatcher != nullptr) {
            QtCallComponentWithStorageEntry = (QtDispatcherProc)(void*)withStorage;
            QtCallComponentEntry = (QtDispatcherProc)(void*)component;
            QtDispatcher = (QtDispatcherProc)(void*)dispatcher;
            QtPreCallHook = nullptr;
            return 0;
        }
    }
    UnbindEntryPoints();
    return QtErrEntryPointMissing;
}

void QtRebindBeforeCall() { QtResolveEntryPoints(); }

void QtFormatMutexName(DWORD processId, char name[256]) {
    wsprintfA(name, "QTMLInitTermMutex%lx", (unsigned long)processId);
}

// The named mutex, waited for; null when it could not be had, and the work goes on without.
static HANDLE AcquireInitTermMutex() {
    char name[256];
    QtFormatMutexName(GetCurrentProcessId(), name);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (mutex != nullptr) {
        WaitForSingleObject(mutex, INFINITE);
    }
    return mutex;
}

static void ReleaseInitTermMutex(HANDLE mutex) {
    if (mutex != nullptr) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
}

static void UnloadAndUnbind() {
    if (QtLibraryHandle != nullptr) {
        FreeLibrary(QtLibraryHandle);
        QtLibraryHandle = nullptr;
    }
    QtPreCallHook = QtRebindBeforeCall;
    UnbindEntryPoints();
}

OSErr QtRuntimeInitialize(LONG flags) {
    HANDLE mutex = AcquireInitTermMutex();
    OSErr result = 0;
    if (QtInitCount > 0) {
        ++QtInitCount;
    } else {
        // A library loaded on demand is still held; loading it again would leak a reference.
        if (QtLibraryHandle == nullptr) {
            QtLibraryHandle = LoadQuickTimeLibrary(QtLibraryName);
        }
        if (QtLibraryHandle == nullptr) {
            result = QtErrLibraryNotFound;
        } else {
            result = QtResolveEntryPoints();
            if (result == 0) {
                result = InitializeQTML(flags);
            }
        }
        if (result != 0) {
            UnloadAndUnbind();
        }
        if (result == 0) {
            QtInitCount = 1;
        }
    }
    ReleaseInitTermMutex(mutex);
    return result;
}

void QtRuntimeTerminate() {
    HANDLE mutex = AcquireInitTermMutex();
    if (QtInitCount <= 0) {
        QtInitCount = 0;
    } else {
        --QtInitCount;
        if (QtInitCount == 0) {
            TerminateQTML();
            UnloadAndUnbind();
        }
    }
    ReleaseInitTermMutex(mutex);
}

void QtRuntimeLoadOnDemand() {
    bool loadedHere = false;
    if (QtLibraryHandle == nullptr) {
        QtLibraryHandle = LoadQuickTimeLibrary(QtLibraryName);
        if (QtLibraryHandle == nullptr) {
            return;
        }
        loadedHere = true;
    }
    QtResolveEntryPoints();
    if (!loadedHere) {
        return;
    }
    if (!QtCheckRuntimeVersion()) {
        return;
    }
    // The answer is asked for, but the reference is kept either way: the bound entries point
    // into the library, and dropping it could leave them pointing at unloaded code.
    QtOnDemandReleaseQuery();
}

DWORD QtPackVersion(DWORD versionHigh, DWORD versionLow) {
    return (((versionHigh >> 16) & 0xFF) << 24) | ((versionHigh & 0xFF) << 16) |
           (((versionLow >> 16) & 0xFF) << 8) | (versionLow & 0xFF);
}

void ReadFileVersion(const char* path, DWORD* versionHigh, DWORD* versionLow) {
    *versionHigh = 0;
    *versionLow = 0;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) {
        return;
    }
    void* block = GlobalAlloc(GPTR, size);
    if (block == nullptr) {
        return;
    }
    if (GetFileVersionInfoA(path, 0, size, block)) {
        VS_FIXEDFILEINFO* info = nullptr;
        UINT infoSize = 0;
        if (VerQueryValueA(block, "\\", (void**)&info, &infoSize) && info != nullptr &&
            infoSize >= sizeof(VS_FIXEDFILEINFO)) {
            *versionHigh = info->dwFileVersionMS;
            *versionLow = info->dwFileVersionLS;
        }
    }
    GlobalFree(block);
}

LONG QtCheckRuntimeVersion() {
    if (QtVersionChecked) {
        return QtVersionOk;
    }
    HMODULE library = QtLibraryHandle;
    bool loadedHere = false;
    if (library == nullptr) {
        library = LoadQuickTimeLibrary(QtLibraryName);
        if (library == nullptr) {
            return QtVersionOk;
        }
        loadedHere = true;
    }
    char path[QtPathBufferSize + 1] = {};
    DWORD length = GetModuleFileNameA(library, path, sizeof(path));
    if (length > 0 && length < sizeof(path)) {
        DWORD high = 0;
        DWORD low = 0;
        ReadFileVersion(path, &high, &low);
        if (QtPackVersion(high, low) >= QtMinimumVersion) {
            QtVersionOk = 1;
        }
    }
    if (loadedHere) {
        FreeLibrary(library);
    }
    QtVersionChecked = 1;
    return QtVersionOk;
}

void QtResetLoaderState() {
    if (QtLibraryHandle != nullptr) {
        FreeLibrary(QtLibraryHandle);
    }
    QtLibraryHandle = nullptr;
    QtInitCount = 0;
    QtPreCallHook = QtRuntimeLoadOnDemand;
    UnbindEntryPoints();
    QtVersionChecked = 0;
    QtVersionOk = 0;
}
