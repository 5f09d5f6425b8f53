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
// The paths of the playlist's entries, first to last, up to the empty terminator.
std::vector<std::string> PlaylistPaths();

} // namespace unit
