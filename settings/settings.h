// The settings file "Flickvane.ini" and its in-memory record.
#pragma once

#include <windows.h>

#include <string>

// Longest path or URL an entry may hold, in UTF-16 units, and the buffer that holds one with its
// terminator.
constexpr int kMaxPathChars = 2083;
constexpr int kPathBufferSize = kMaxPathChars + 1;

constexpr int kSectionNameSize = 80;
constexpr int kFileNameSize = 2083;

struct SaverSettings {
    UINT FilesNum;
    int Repeat;
    int Random;
    int Mute;
    int Keyboard;
    int ESCKey;
    int Size;        // 0 full screen, 1 "50%" .. 5 "200%"
    int AspectRatio; // 0 video, 1 "4:3", 2 "16:9", 3 screen; other values kept as read
    int Volume;      // hundredths of a decibel, 0 down to -10000
    int Monitors;    // 0 the primary only, 1 the same item on each, 2 an item each, 3 one across
                     // all; other values kept as read
    int Resume;      // 1: start where the saver last stopped
    wchar_t sectionName[kSectionNameSize];
    wchar_t fileName[kFileNameSize];
};

extern SaverSettings gSettings;

// mode 1: fill the configuration dialog's controls; any other mode: build the playlist.
void LoadSettings(HWND window, int mode);
// Rewrites the settings file from the configuration dialog's controls. True when the whole
// file was written.
bool SaveSettings(HWND dialog);

// Decisions behind the file's values.

// A switch is on only for the stored value 1.
int SwitchFromStored(int stored);
// Stored "Size" to the record's code: 1..5 unchanged, 0 and 6 full screen (0). False for any
// other value, which leaves the record alone.
bool SizeFromStored(int stored, int* size);
// The record's size code as written: full screen is always 6.
int StoredFromSize(int size);
// Radio buttons of the two groups; 0 when a code has none.
int SizeButtonForSize(int size);
int AspectButtonForRatio(int aspectRatio);
int MonitorsButtonForMode(int monitors);
// The code of a checked button, or -1 when the id belongs to no button of the group.
int SizeForButton(int buttonId);
int AspectRatioForButton(int buttonId);
int MonitorsModeForButton(int buttonId);

// Where the file lives. Saving writes the Windows folder's "Flickvane.ini" when that folder
// can be written and otherwise the per-user "%APPDATA%\Flickvane\Flickvane.ini"; loading reads
// the per-user file when there is one, else the Windows folder's, else the virtual store copy.
// A test may point either folder elsewhere; null goes back to the real one.
void SetSettingsFolder(const wchar_t* folder);
void SetUserSettingsFolder(const wchar_t* folder);
// Full paths of the two files; false when one cannot be formed.
bool GetSettingsFilePath(wchar_t path[kPathBufferSize]);
bool GetUserSettingsFilePath(wchar_t path[kPathBufferSize]);
// The file that loading reads.
bool GetSettingsReadPath(wchar_t path[kPathBufferSize]);

// Earlier 32-bit versions without a manifest had their Windows folder writes redirected to the
// user's virtual store; loading reads that copy when it is the only file. A test may point its
// folder elsewhere; null goes back to the real one.
void SetVirtualStoreFolder(const wchar_t* folder);
bool GetVirtualStoreFilePath(wchar_t path[kPathBufferSize]);
// Where Windows keeps a redirected copy of the Windows folder: the folder's path without its
// drive under "<local application data>\VirtualStore". False when it does not fit.
bool VirtualStoreFolderFor(const wchar_t* localAppData, const wchar_t* windowsFolder,
                           wchar_t folder[kPathBufferSize]);

// The file's bytes for its text: in the system code page while every character has its own
// code there, as older versions read it; otherwise UTF-16 with a byte-order mark, which the
// profile functions read as such.
std::string EncodeSettingsText(const std::wstring& text);

// Writes one piece of a new settings file to the open file; false on failure. SaveSettings
// writes through it one line at a time, so a test can fail a save part-way.
typedef bool (*SettingsWriteFunction)(HANDLE file, const char* data, DWORD size);
// null restores the plain WriteFile.
void SetSettingsWriter(SettingsWriteFunction write);
