// The field helper that takes apart a user key entry: "key;sounds;description".
#pragma once

#include <string>

namespace vkm {

// The n-th field of s split at sep. A field number past the last field gives the
// last field; a string without sep gives the whole string.
std::string GetField(const std::string& s, int n, const std::string& sep);

}  // namespace vkm
