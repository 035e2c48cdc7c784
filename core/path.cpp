#include "core/path.h"

#include <vector>

namespace vkm {

Path IncludeBackslash(const Path& s) {
    if (s.empty() || s.back() == '\\') return s;
    return s + '\\';
}

static bool IsDelimiter(char c) {
    return c == '\\' || c == '/' || c == ':';
}

Path ExtractFilePath(const Path& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsDelimiter(path[i - 1])) return path.substr(0, i);
    return std::string();
}

std::string ExtractFileName(const Path& path) {
    return path.substr(ExtractFilePath(path).size());
}

bool EndsWithPathDelimiter(const Path& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

Path NormalizePath(const Path& path) {
    auto is_delimiter = [](char c) { return c == '\\' || c == '/'; };
    const std::size_t first = path.find_first_of("\\/");
    const char delimiter = first == std::string::npos ? '\\' : path[first];
    std::string root;
    std::size_t fixed = 0;  // parts that ".." never takes away: a UNC path's server and share
    if (path.size() >= 2 && is_delimiter(path[0]) && is_delimiter(path[1])) {
        root = path.substr(0, 2);
        fixed = 2;
    } else if (path.size() >= 2 && path[1] == ':') {
        root = path.substr(0, path.size() > 2 && is_delimiter(path[2]) ? 3 : 2);
    } else if (!path.empty() && is_delimiter(path[0])) {
        root = path.substr(0, 1);
    }
    std::size_t i = root.size();
    std::vector<std::string> parts;
    while (i <= path.size()) {
        std::size_t end = i;
        while (end < path.size() && !is_delimiter(path[end])) ++end;
        const std::string part = path.substr(i, end - i);
        if (part == "..") {
            if (parts.size() > fixed && parts.back() != "..")
                parts.pop_back();
            else if (root.empty())
                parts.push_back(part);  // a relative path may begin above its folder
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = end + 1;
    }
    std::string out = root;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0) out += delimiter;
        out += parts[k];
    }
    if (!parts.empty() && EndsWithPathDelimiter(path)) out += delimiter;
    return out;
}

}  // namespace vkm
