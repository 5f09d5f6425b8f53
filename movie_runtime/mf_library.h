// The Media Foundation functions the movie runtime calls, bound at run time: Windows editions
// without Media Foundation (the N editions) must still start the saver and play the rest.
#pragma once

#include <windows.h>
#include <mfidl.h>

struct MfLibrary {
    HMODULE platform; // mfplat.dll
    HMODULE engine;   // mf.dll
    HRESULT(WINAPI* startup)(ULONG version, DWORD flags);
    HRESULT(WINAPI* shutdown)();
    HRESULT(WINAPI* createSourceResolver)(IMFSourceResolver** resolver);
    HRESULT(WINAPI* createFile)(MF_FILE_ACCESSMODE access, MF_FILE_OPENMODE open,
                                MF_FILE_FLAGS flags, LPCWSTR url, IMFByteStream** stream);
    HRESULT(WINAPI* createMediaSession)(IMFAttributes* configuration, IMFMediaSession** session);
    HRESULT(WINAPI* createTopology)(IMFTopology** topology);
    HRESULT(WINAPI* createTopologyNode)(MF_TOPOLOGY_TYPE type, IMFTopologyNode** node);
    HRESULT(WINAPI* createVideoRendererActivate)(HWND video, IMFActivate** activate);
    HRESULT(WINAPI* createAudioRendererActivate)(IMFActivate** activate);
    HRESULT(WINAPI* getService)(IUnknown* object, REFGUID service, REFIID iid, void** out);
};

extern MfLibrary gMf;

// Loads both libraries from the system folder and binds every function; false (and nothing
// held) when any is missing.
bool LoadMfLibrary();
void UnloadMfLibrary();

// Loads the libraries and starts COM and Media Foundation on this thread; false on systems
// without Media Foundation, where the movie kinds then cannot play. Kept until the process ends.
bool StartMovieRuntime();
bool MovieRuntimeAvailable();
