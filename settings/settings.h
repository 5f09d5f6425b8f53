// The settings file "Flickvane.ini" and its in-memory record.
#pragma once

#include <windows.h>

// Longest path or URL an entry may hold, and the buffer that holds one with its terminator.
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
    char sectionName[kSectionNameSize];
    char fileName[kFileNameSize];
};

extern SaverSettings gSettings;

// mode 1: fill the configuration dialog's controls; any other mode: build the playlist.
void LoadSettings(HWND window, int mode);
// Rewrites the settings file from the configuration dialog's controls.
void SaveSettings(HWND dialog);
