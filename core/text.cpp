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

}  // namespace vkm
