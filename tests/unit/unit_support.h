// Small helpers that several unit test files share: files in the prefix, CRLF text, the
// executable's folder and the playlist's paths.
#pragma once

#include <string>
#include <vector>

namespace unit {

// The test executable's folder, with a trailing backslash.
std::string ExeFolder();
// The whole file; empty when it cannot be opened.
std::string ReadBytes(const std::string& path);
// Lines split at CRLF; a last line without one is kept.
std::vector<std::string> CrLfLines(const std::string& text);
// UTF-8 text (as the test sources write it) in UTF-16, and back.
std::wstring W(const std::string& text);
std::string U8(const std::wstring& text);
// The paths of the playlist's entries, first to last, up to the empty terminator, in UTF-8.
std::vector<std::string> PlaylistPaths();
// A new empty folder under the temporary folder, named after the test; its files are removed
// first when it is there.
std::wstring FreshTempFolder(const wchar_t* name);
// The names of the files in a folder, in the order the file system gives them.
std::vector<std::wstring> FilesIn(const std::wstring& folder);
bool WriteBytes(const std::wstring& path, const std::string& bytes);

} // namespace unit
