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
    keys.take_back = in.Piece(300);
    keys.skip = in.Piece(300);
    keys.repeat = in.Piece(300);
    keys.stop = in.Piece(400);
    const std::string rest = in.Rest();
    std::vector<UserKey> user;
    for (std::size_t start = 0; start < rest.size() && user.size() < 300;) {
        const std::size_t end = rest.find('\n', start);
        // A key text is part of an INI line: no line end, no zero character in it; an empty key
        // field is named by its whole entry, which is never empty.
        const std::string text =
            rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!text.empty() && text.find_first_of(std::string("\r\0", 2)) == std::string::npos)
            user.push_back(UserKey{text, KeyCombinationOf(text)});
        if (end == std::string::npos) break;
        start = end + 1;
    }

    const std::vector<HotkeyBinding> bindings = LineHotkeys(keys, user);
    const std::vector<std::string> problems = LineKeyProblems(bindings);
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
        FUZZ_CHECK(KeyRoleOf(b.id) != KeyRole::kNone);
        FUZZ_CHECK((b.modifiers & ~(kModAlt | kModControl | kModShift)) == 0);
        if (b.id <= kArrivalIdLast || (b.id >= kDepartureIdBase && b.id <= kDepartureIdLast) ||
            b.id >= kTakeBackIdBase)
            FUZZ_CHECK(b.modifiers == 0);
    }
    FUZZ_CHECK(std::set<std::string>(problems.begin(), problems.end()) == unbound);
    FUZZ_CHECK(std::set<std::string>(problems.begin(), problems.end()).size() == problems.size());

    for (const UserKey& key : user) {
        const std::optional<KeyCombination>& c = key.combination;
        if (!c) continue;
        const std::size_t plus = key.text.rfind('+');
        std::string part = key.text.substr(plus == std::string::npos ? 0 : plus + 1);
        // After a modifier, spaces before the key are passed over, unless they are all there is.
        const std::size_t first = part.find_first_not_of(" \t");
        if (plus != std::string::npos && first != std::string::npos) part.erase(0, first);
        const std::string cp1250 = Utf8ToCp1250(part);
        FUZZ_CHECK(!cp1250.empty() && static_cast<unsigned char>(cp1250[0]) == c->vk);
        FUZZ_CHECK(!KeyName(c->modifiers, c->vk).empty());
    }
    return 0;
}
