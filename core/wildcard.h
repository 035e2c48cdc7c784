// File-name patterns such as "*.vkm": "*" stands for any run of characters (also
// none), "?" for any one character. Letters compare without regard to case, as
// Windows compares file names. Names and patterns are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vkm {

class WildcardMask {
  public:
    explicit WildcardMask(std::string_view mask);
    bool Matches(std::string_view name) const;

  private:
    std::string ascii_;    // the mask in upper case, when it is all ASCII
    std::u16string wide_;  // the mask in upper case, always
    bool is_ascii_ = false;
};

}  // namespace vkm
