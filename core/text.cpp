#include "core/text.h"

namespace vkm {

std::string GetField(const std::string& s, int n, const std::string& sep) {
    if (sep.empty()) return s;
    std::size_t start = 0;  // the unconsumed rest of s begins here
    std::size_t field_start = 0, field_end = 0;
    bool found = false;
    int i = 0;
    do {
        std::size_t p = s.find(sep, start);
        found = p != std::string::npos;
        if (found) {
            field_start = start;
            field_end = p;
            start = p + sep.size();
            ++i;
        }
    } while (i != n && found);
    if (found) return s.substr(field_start, field_end - field_start);
    return s.substr(start);
}

int CountOccurrences(const std::string& s, const std::string& sub) {
    if (sub.empty()) return 0;
    int count = 0;
    for (std::size_t p = s.find(sub); p != std::string::npos; p = s.find(sub, p + 1)) ++count;
    return count;
}

std::string IncludeBackslash(const std::string& s) {
    if (s.empty() || s.back() == '\\') return s;
    return s + '\\';
}

static bool IsDelimiter(char c) {
    return c == '\\' || c == '/' || c == ':';
}

std::string ExtractFilePath(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsDelimiter(path[i - 1])) return path.substr(0, i);
    return std::string();
}

std::string ExtractFileName(const std::string& path) {
    return path.substr(ExtractFilePath(path).size());
}

bool EndsWithPathDelimiter(const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

}  // namespace vkm
