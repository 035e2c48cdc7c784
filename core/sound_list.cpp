#include "core/sound_list.h"

namespace vkm {

std::vector<std::string> SoundListNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t comma = list.find(','); comma != std::string::npos; comma = list.find(',', start)) {
        if (comma > start) names.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return names;
}

}  // namespace vkm
