// One value of an INI file, read from the file's start in pieces and holding little of it: the
// catalogue learns each definition file's line name this way, however large the file.
//
// The answer is always the one IniFile(whole file).ReadValue(section, key, def) gives. The
// encoding is decided from the whole file (see DetectEncoding): a byte-order mark decides it at
// once; without one the text is read both as UTF-8 and as code page 1250 until the file shows
// which it is. Complete lines are parsed as they arrive, a run of them at a time, under each
// encoding still possible, and then dropped: what is held is the line not yet complete (and the
// byte-order mark). Reading can stop once the section's first occurrence holds the key, or another
// section follows it, under every encoding still possible; when the two readings then give
// different values, the rest of the file is only checked for UTF-8, holding nothing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/codepage.h"
#include "core/ini.h"

namespace vkm {

class IniValueReader {
  public:
    IniValueReader(std::string section, std::string key, std::string def = std::string());

    // Takes the file's next piece (of any size, empty ones too); false once the value is known
    // and no more pieces are needed.
    bool Feed(std::string_view piece);
    // The value, once Feed has returned false or the file's last piece has been fed.
    std::string Value();

    // Bytes of the file held now.
    std::size_t held() const { return held_.size(); }

  private:
    enum class Where { Before, Inside, Settled };  // relative to the section's first occurrence
    struct Reading {
        explicit Reading(TextEncoding e) : encoding(e) {}
        TextEncoding encoding;
        Where where = Where::Before;
        std::string value;  // once settled
    };

    void Decide();
    void ParseLines(bool at_end);
    void Drop(TextEncoding encoding);
    bool CheckingUtf8() const;
    bool Known() const;

    std::string section_, key_, def_;
    std::vector<Reading> readings_;  // one for each encoding still possible
    bool decided_ = false;           // the byte-order mark has been looked for
    bool keeping_ = true;            // lines are still parsed
    bool done_ = false;
    std::size_t mark_ = 0;      // bytes of the byte-order mark at the start of held_
    std::size_t searched_ = 0;  // held_ holds no line end before this
    bool utf16_ = false;
    bool utf16_big_endian_ = false;
    std::string held_;
    Utf8Check utf8_;  // over the whole file, for the reading without a mark
};

}  // namespace vkm
