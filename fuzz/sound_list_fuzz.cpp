// Sound lists on any text: the names are those that taking the list apart field by
// field, at its commas, gives.
#include "core/sound_list.h"
#include "core/text.h"
#include "fuzz/fuzz.h"

using namespace vkm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string list(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096);
    const std::vector<std::string> names = SoundListNames(list);

    // Field by field: one name before each comma, empty ones skipped.
    std::vector<std::string> fields;
    const int n = CountOccurrences(list, ",");
    for (int k = 1; k <= n; ++k) {
        const std::string name = GetField(list, k, ",");
        if (!name.empty()) fields.push_back(name);
    }
    FUZZ_CHECK(names == fields);
    for (const std::string& name : names) FUZZ_CHECK(!name.empty() && name.find(',') == std::string::npos);
    return 0;
}
