// An ordered list of strings with name=value lookup.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vkm {

// Raised for an index outside the list; the message is "List index out of bounds (i)".
class ListIndexError : public std::out_of_range {
  public:
    explicit ListIndexError(long long index);
    long long index() const { return index_; }

  private:
    long long index_;
};

class StringList {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& Get(long long i) const;
    void Put(long long i, std::string s);
    void Add(std::string s) { items_.push_back(std::move(s)); }
    void Delete(long long i);
    void Clear() { items_.clear(); }
    // Index of the first entry whose text before its first "=" equals name
    // without regard to case, or -1. Entries without "=" have no name.
    int IndexOfName(const std::string& name) const;
    const std::vector<std::string>& Items() const { return items_; }

  private:
    void Check(long long i) const;
    std::vector<std::string> items_;
};

// The value of a name=value entry: everything after its first "=" (an INI name
// never holds one), so "3=vlak.wav,smer=Kolin.wav" gives "vlak.wav,smer=Kolin.wav".
// An entry without "=" is all value.
std::string EntryValue(const std::string& entry);

}  // namespace vkm
