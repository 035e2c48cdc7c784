// Paths as the program holds them: UTF-8 text in which "\" (and "/") separates the parts.
#pragma once

#include <string>

namespace vkm {

using Path = std::string;

// path with a trailing backslash; the empty string stays empty.
Path IncludeBackslash(const Path& path);

// Everything up to and including the last path delimiter ('\', '/' or ':').
Path ExtractFilePath(const Path& path);

// Everything after the last path delimiter.
std::string ExtractFileName(const Path& path);

bool EndsWithPathDelimiter(const Path& path);

// The path as Windows resolves it before it opens a file: "." and empty parts dropped, ".." taking
// away the part before it (never the root: a drive, "\\server\share" or a leading delimiter), so
// "C:\l\a\b\..\..\A.wav" is "C:\l\A.wav" whether or not a\b exists. Both delimiters count;
// the parts are joined by the first delimiter of path.
Path NormalizePath(const Path& path);

}  // namespace vkm
