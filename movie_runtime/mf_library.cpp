#include "movie_runtime/mf_library.h"

MfLibrary gMf = {};

namespace {

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
    mf.platform = LoadLibraryExW(L"mfplat.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (mf.platform == nullptr) {
        mf.platform = LoadLibraryW(L"mfplat.dll");
    }
    mf.engine = LoadLibraryExW(L"mf.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (mf.engine == nullptr) {
        mf.engine = LoadLibraryW(L"mf.dll");
    }
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
