// A line's keys on any text: every key is either bound under an id of its own range
// or named as the line's problem, no two keys bound take one combination, and a user
// key's combination is its modifier words and its key character's CP1250 byte.
#include <set>

#include "core/codepage.h"
#include "core/hotkeys.h"
#include "fuzz/fuzz.h"

using namespace vkm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    LineKeys keys;
    keys.arrival = in.Piece(400);
    keys.departure = in.Piece(400);
    keys.stop = in.Piece(400);
    const std::string rest = in.Rest();
    for (std::size_t start = 0; start < rest.size() && keys.user_entries.size() < 300;) {
        const std::size_t end = rest.find('\n', start);
        // An entry is a non-empty value of an INI line: no line end, no zero character in it.
        const std::string entry =
            rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!entry.empty() && entry.find_first_of(std::string("\r\0", 2)) == std::string::npos)
            keys.user_entries.push_back(entry);
        if (end == std::string::npos) break;
        start = end + 1;
    }

    const std::vector<HotkeyBinding> bindings = LineHotkeys(keys);
    const std::vector<std::string> problems = LineKeyProblems(keys);
    std::set<int> ids;
    std::set<std::pair<unsigned, unsigned char>> combinations;
    std::set<std::string> unbound;
    for (const HotkeyBinding& b : bindings) {
        FUZZ_CHECK(!b.name.empty());
        if (b.id == 0) {
            unbound.insert(b.name);
            continue;
        }
        FUZZ_CHECK(ids.insert(b.id).second);
        FUZZ_CHECK(combinations.insert({b.modifiers, b.vk}).second);
        FUZZ_CHECK(b.id >= ArrivalIdBase && b.id <= StopIdLast);
        FUZZ_CHECK((b.modifiers & ~(kModAlt | kModControl | kModShift)) == 0);
        if (b.id <= ArrivalIdLast || (b.id >= DepartureIdBase && b.id <= DepartureIdLast) ||
            b.id >= StopIdBase)
            FUZZ_CHECK(b.modifiers == 0);
    }
    FUZZ_CHECK(std::set<std::string>(problems.begin(), problems.end()) == unbound);
    FUZZ_CHECK(std::set<std::string>(problems.begin(), problems.end()).size() == problems.size());

    for (const std::string& entry : keys.user_entries) {
        const std::optional<KeyCombination> c = UserKeyCombination(entry);
        if (!c) continue;
        const std::string spec = UserKeySpecification(entry);
        const std::size_t plus = spec.rfind('+');
        std::string part = spec.substr(plus == std::string::npos ? 0 : plus + 1);
        // After a modifier, spaces before the key are passed over, unless they are all there is.
        const std::size_t first = part.find_first_not_of(" \t");
        if (plus != std::string::npos && first != std::string::npos) part.erase(0, first);
        const std::string key = Utf8ToCp1250(part);
        FUZZ_CHECK(!key.empty() && static_cast<unsigned char>(key[0]) == c->vk);
        FUZZ_CHECK(!KeyName(c->modifiers, c->vk).empty());
    }
    return 0;
}
