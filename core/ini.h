// A reader of INI text that answers as the Windows profile API (GetPrivateProfileStringA) does,
// reading the file's bytes once. Values and key lists come back whole, however long: the API's
// buffers would cut them.
//
// Text is decoded as Windows decodes an INI file, a UTF-8 or UTF-16 byte-order mark selecting that
// encoding and anything else being code page 1250, with one addition: a file without a mark that is
// well-formed UTF-8 beyond ASCII (as Notepad saves by default) is read as UTF-8. Names and values
// are taken and handed out as UTF-8, so no character is lost on the way.
//
// The file's rules, as Windows reads it:
// - Lines end at CR or LF. White space (0x09-0x0D, 0x20, 0x1A) around a line, around a section
//   name, around a key name and before a value is dropped. A zero character ends the name or the
//   value it stands in.
// - A line that starts with "[" and holds a "]" is a section header; the name is what lies between
//   the "[" and the last "]".
// - Any other line is a key: name=value split at the first "="; a line without "=" is a key without
//   a value, which reads as absent. Of nameless lines in a row only the first counts.
// - Section and key names compare without regard to case, Czech letters included (Windows folds
//   every letter; Wine's profile code folds only ASCII ones); the first matching section and the
//   first matching key are the ones read. Keys before the first section header belong to the nameless
//   section "", which comes first, so a "[]" section can never be read.
// - A value (or default) in matching single or double quotes loses them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkm {

enum class TextEncoding { kCp1250, kUtf8, kUtf8WithoutMark, kUtf16LE, kUtf16BE };

// A key of a section and its value (UTF-8).
struct IniEntry {
    std::string name;
    std::string value;
    bool operator==(const IniEntry& o) const { return name == o.name && value == o.value; }
};

// The encoding that IniFile reads the bytes in.
TextEncoding DetectEncoding(std::string_view bytes);

class IniFile {
  public:
    IniFile() = default;  // no file: every key is absent
    explicit IniFile(std::string_view bytes);
    // The bytes read in the given encoding, whatever they hold (a mark that the encoding has is
    // skipped).
    IniFile(std::string_view bytes, TextEncoding encoding);

    TextEncoding encoding() const { return encoding_; }

    // The value of the first occurrence of key in section, or def when the key is absent or its first
    // occurrence has no "=". Section and key are looked up without their surrounding white space;
    // def loses its trailing spaces.
    std::string ReadValue(const std::string& section, const std::string& key, const std::string& def) const;
    // The names of the section's keys in file order, duplicates included (lines without "=", and
    // names that start with ";", left out). The section is looked up as given, white space included.
    // An "=value" line is listed with the empty name, which ReadValue reads too. (Windows, which
    // hands the list over as zero-ended names, gives no list at all when that empty name comes first;
    // this list is whole.)
    std::vector<std::string> KeyNames(const std::string& section) const;
    // The section's entries with a non-empty value, in the order of KeyNames: each name with the
    // value ReadValue gives for it. A name listed again (without regard to case) gives no entry
    // of its own: it is named at the place of the first. Takes time in proportion to the section.
    std::vector<IniEntry> SectionEntries(const std::string& section) const;
    // The names of the sections in file order, duplicates included, without the nameless section the
    // text begins with.
    std::vector<std::string> SectionNames() const;

    // For text read in parts (see core/ini_value_reader.h). Whether a section of that name is there
    // (the one ReadValue reads is the first); "" names the nameless section the text begins with.
    bool HasSection(const std::string& section) const;
    // Whether lines after the text could still change what ReadValue(section, key) gives: the
    // section is missing, or its first occurrence is the text's last section and holds no such key.
    bool ValueOpen(const std::string& section, const std::string& key) const;

  private:
    // Names and values are views into the decoded text, which the reader keeps (shared by copies).
    struct Key {
        std::u16string_view name;
        std::optional<std::u16string_view> value;  // none: the line had no "="
    };
    struct Section {
        std::u16string_view name;
        std::vector<Key> keys;
    };
    const Section* FindSection(std::u16string_view name) const;

    std::shared_ptr<const std::u16string> text_;
    std::vector<Section> sections_;  // the first is the nameless one; none for an empty file
    TextEncoding encoding_ = TextEncoding::kCp1250;
};

}  // namespace vkm
