// Where the saver left off, for the "Resume" option: the entry it was showing, the rest of a
// shuffled order, and the places of items left before their end. Kept per user in
// "%LOCALAPPDATA%\Flickvane\resume.ini", apart from the settings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Places kept at most; the oldest go first.
constexpr size_t kMostResumePlaces = 1000;

struct ResumePlace {
    std::wstring path;
    LONGLONG position; // 100 ns units
};

struct ResumeState {
    std::wstring current;            // the entry showing when the saver ended
    std::vector<std::wstring> order; // in random order: the entries that were still to come
    std::vector<ResumePlace> places; // oldest first
};

// The file's text and back. Reading fails, leaving state empty, for text that is not such a
// file; lines it cannot read are left out. Paths are kept in the file as UTF-8.
std::string FormatResumeText(const ResumeState& state);
bool ParseResumeText(const std::string& text, ResumeState* state);

// An item left at position: its place, now the newest. Finished items have no place.
void RememberPlace(ResumeState* state, const std::wstring& path, LONGLONG position);
void ForgetPlace(ResumeState* state, const std::wstring& path);
// The place an item was left at; -1 when there is none.
LONGLONG PlaceOf(const ResumeState& state, const std::wstring& path);

// Where an item of a length starts when it was left at a place: a little before it for items
// of a minute or more, unless it was left near its end; otherwise at its start.
LONGLONG ResumeStart(LONGLONG place, LONGLONG duration);

// The file. Reading a missing, damaged or foreign file gives an empty state. Writing puts the
// whole new file in place in one step; false when it could not.
void ReadResumeFile(ResumeState* state);
bool WriteResumeFile(const ResumeState& state);
// Tests point the folder elsewhere; null goes back to "%LOCALAPPDATA%\Flickvane".
void SetResumeFolder(const wchar_t* folder);
