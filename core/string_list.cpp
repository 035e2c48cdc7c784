#include "core/string_list.h"

#include "core/codepage.h"

namespace vkm {

ListIndexError::ListIndexError(long long index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")"), index_(index) {}

void StringList::Check(long long i) const {
    if (i < 0 || i >= Count()) throw ListIndexError(i);
}

const std::string& StringList::Get(long long i) const {
    Check(i);
    return items_[static_cast<std::size_t>(i)];
}

void StringList::Put(long long i, std::string s) {
    Check(i);
    items_[static_cast<std::size_t>(i)] = std::move(s);
}

void StringList::Delete(long long i) {
    Check(i);
    items_.erase(items_.begin() + i);
}

int StringList::IndexOfName(const std::string& name) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const std::string& item = items_[i];
        const std::size_t eq = item.find('=');
        if (eq != std::string::npos && SameTextUtf8(std::string_view(item).substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string EntryValue(const std::string& entry) {
    const std::size_t eq = entry.find('=');
    return eq == std::string::npos ? entry : entry.substr(eq + 1);
}

}  // namespace vkm
