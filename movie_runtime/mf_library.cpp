#include "movie_runtime/mf_library.h"

#include <mfapi.h>

#include <wchar.h>

MfLibrary gMf = {};

namespace {

// Loads a library of the system folder by its full name, so that the search path (the folder
// the saver was started from, the current folder) is never asked: a planted DLL of the same
// name there must not load.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // Systems without the search flags (Windows 7 before KB2533623) refuse them as invalid.
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    size_t nameLength = wcslen(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH) {
        return nullptr;
    }
    path[length] = L'\\';
    wcscpy(path + length + 1, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool started = false;

template <typename T> bool Bind(HMODULE module, const char* name, T* slot) {
    *slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return *slot != nullptr;
}

} // namespace

bool LoadMfLibrary() {
    if (gMf.platform != nullptr) {
        return true;
    }
    MfLibrary mf = {};
    // Only from the system folder: a DLL of that name beside the saver must not be taken.
    mf.platform = LoadSystemLibrary(L"mfplat.dll");
    mf.engine = LoadSystemLibrary(L"mf.dll");
    bool bound = mf.platform != nullptr && mf.engine != nullptr &&
                 Bind(mf.platform, "MFStartup", &mf.startup) &&
                 Bind(mf.platform, "MFShutdown", &mf.shutdown) &&
                 Bind(mf.platform, "MFCreateSourceResolver", &mf.createSourceResolver) &&
                 Bind(mf.platform, "MFCreateFile", &mf.createFile) &&
                 Bind(mf.engine, "MFCreateMediaSession", &mf.createMediaSession) &&
                 Bind(mf.engine, "MFCreateTopology", &mf.createTopology) &&
                 Bind(mf.engine, "MFCreateTopologyNode", &mf.createTopologyNode) &&
                 Bind(mf.engine, "MFCreateVideoRendererActivate",
                      &mf.createVideoRendererActivate) &&
                 Bind(mf.engine, "MFCreateAudioRendererActivate",
                      &mf.createAudioRendererActivate) &&
                 Bind(mf.engine, "MFGetService", &mf.getService);
    if (!bound) {
        if (mf.engine != nullptr) {
            FreeLibrary(mf.engine);
        }
        if (mf.platform != nullptr) {
            FreeLibrary(mf.platform);
        }
        return false;
    }
    gMf = mf;
    return true;
}

void UnloadMfLibrary() {
    if (gMf.engine != nullptr) {
        FreeLibrary(gMf.engine);
    }
    if (gMf.platform != nullptr) {
        FreeLibrary(gMf.platform);
    }
    gMf = MfLibrary{};
}

bool StartMovieRuntime() {
    if (started) {
        return true;
    }
    if (!LoadMfLibrary()) {
        return false;
    }
    // The session's renderers and this thread's windows share its apartment.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE) {
        UnloadMfLibrary();
        return false;
    }
    if (FAILED(gMf.startup(MF_VERSION, MFSTARTUP_FULL))) {
        if (SUCCEEDED(com)) {
            CoUninitialize();
        }
        UnloadMfLibrary();
        return false;
    }
    started = true;
    return true;
}

bool MovieRuntimeAvailable() { return started; }
