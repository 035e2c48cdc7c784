// Field helpers that take apart every separated list of a line definition.
#pragma once

#include <string>

namespace vkm {

// The n-th field of s split at sep. A field number past the last field gives the
// last field; a string without sep gives the whole string.
std::string GetField(const std::string& s, int n, const std::string& sep);

// How many times sub occurs in s; overlapping occurrences are each counted.
int CountOccurrences(const std::string& s, const std::string& sub);

// s with a trailing backslash; the empty string stays empty.
std::string IncludeBackslash(const std::string& s);

// Everything up to and including the last path delimiter ('\', '/' or ':').
std::string ExtractFilePath(const std::string& path);

// Everything after the last path delimiter.
std::string ExtractFileName(const std::string& path);

bool EndsWithPathDelimiter(const std::string& s);

// The path as Windows resolves it before it opens a file: "." and empty parts dropped, ".." taking
// away the part before it (never the root: a drive, "\\server\share" or a leading delimiter), so
// "C:\l\a\b\..\..\A.wav" is "C:\l\A.wav" whether or not a\b exists. Both delimiters count;
// the parts are joined by the first delimiter of path.
std::string NormalizePath(const std::string& path);

}  // namespace vkm
