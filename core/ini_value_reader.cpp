#include "core/ini_value_reader.h"

#include <algorithm>
#include <utility>

namespace vkm {

// Why a run of complete lines can be parsed on its own, as IniFile(run, encoding), and give what
// the whole file gives for those lines:
// - Lines end at CR or LF, which no encoding hides inside a character: in UTF-8 and code page 1250
//   they are single bytes that never continue a sequence, in UTF-16 units at even offsets. A run
//   starts after a line end and ends after one.
// - The run is parsed behind the file's byte-order mark (which held_ keeps in front), so a mark is
//   skipped only where the file has one, and a U+FEFF at the start of a later line stays text.
// - UTF-8 decoding (see Utf8TextToUtf16) lets a sequence that the end of the text cuts short take
//   the rest of the text; cut short by the end of a run, it could take the run's last characters.
//   Three line ends added after a run that is not the file's end keep every sequence within the
//   run, as in the whole file; the blank lines they make are nothing to the parser. (At the file's
//   end the run is parsed as it is, as the whole file is.)
// - Of the parser's state across lines only the current section matters for one key: a run that
//   goes on inside the section reads as the run's nameless first section, so it is looked up
//   under "". The one other state, which drops all but the first of nameless lines in a row, only
//   ever drops lines after one of the same name.

IniValueReader::IniValueReader(std::string section, std::string key, std::string def)
    : section_(std::move(section)), key_(std::move(key)), def_(std::move(def)) {}

bool IniValueReader::Feed(std::string_view piece) {
    if (done_) return false;
    if (CheckingUtf8()) {
        utf8_.Feed(piece);
        if (utf8_.malformed()) Drop(TextEncoding::kUtf8WithoutMark);
    }
    if (keeping_) {
        held_.append(piece.data(), piece.size());
        if (!decided_) {
            if (held_.size() < 3) return true;  // room for the longest byte-order mark
            Decide();
        }
        ParseLines(false);
    }
    done_ = Known();
    return !done_;
}

std::string IniValueReader::Value() {
    if (!done_) {
        if (!decided_) Decide();
        if (keeping_) ParseLines(true);
        done_ = true;
    }
    // Without a mark the file is UTF-8 when all of it is well-formed UTF-8 beyond ASCII.
    for (const Reading& r : readings_) {
        if (r.encoding == TextEncoding::kUtf8WithoutMark && readings_.size() > 1 && !utf8_.Utf8BeyondAscii())
            continue;
        if (r.where == Where::Settled) return r.value;
        break;
    }
    return IniFile().ReadValue(section_, key_, def_);
}

bool IniValueReader::CheckingUtf8() const {
    if (!decided_) return true;
    return std::any_of(readings_.begin(), readings_.end(),
                       [](const Reading& r) { return r.encoding == TextEncoding::kUtf8WithoutMark; });
}

void IniValueReader::Decide() {
    decided_ = true;
    const TextEncoding marked = DetectEncoding(std::string_view(held_).substr(0, 3));
    switch (marked) {
        case TextEncoding::kUtf8:
            mark_ = 3;
            readings_ = {Reading{marked}};
            break;
        case TextEncoding::kUtf16LE:
        case TextEncoding::kUtf16BE:
            mark_ = 2;
            utf16_ = true;
            utf16_big_endian_ = marked == TextEncoding::kUtf16BE;
            readings_ = {Reading{marked}};
            break;
        case TextEncoding::kUtf8WithoutMark:
        case TextEncoding::kCp1250:
            mark_ = 0;
            readings_ = {Reading{TextEncoding::kUtf8WithoutMark}, Reading{TextEncoding::kCp1250}};
            if (utf8_.malformed()) Drop(TextEncoding::kUtf8WithoutMark);
            break;
    }
    searched_ = mark_;
}

void IniValueReader::ParseLines(bool at_end) {
    // The end of the last complete line held (the end of the file when at_end).
    std::size_t cut = 0;
    if (at_end) {
        cut = held_.size();
    } else if (utf16_) {
        std::size_t i = searched_;
        for (; i + 1 < held_.size(); i += 2) {
            const unsigned first = static_cast<unsigned char>(held_[i]);
            const unsigned second = static_cast<unsigned char>(held_[i + 1]);
            const unsigned unit = utf16_big_endian_ ? (first << 8) | second : first | (second << 8);
            if (unit == u'\n' || unit == u'\r') cut = i + 2;
        }
        searched_ = i;
    } else {
        const std::size_t last = std::string_view(held_).substr(searched_).find_last_of("\r\n");
        if (last != std::string_view::npos) cut = searched_ + last + 1;
        searched_ = held_.size();
    }
    if (cut <= mark_) return;

    std::string run = held_.substr(0, cut);
    if (!at_end && !utf16_) run.append("\n\n\n");
    for (Reading& r : readings_) {
        if (r.where == Where::Settled) continue;
        const IniFile ini(run, r.encoding);
        // Before the section: the run may begin it. Inside it: the run's nameless first section
        // goes on with it.
        const std::string& section = r.where == Where::Before ? section_ : std::string();
        if (!ini.HasSection(section)) continue;
        r.where = Where::Inside;
        if (ini.ValueOpen(section, key_)) continue;
        r.value = ini.ReadValue(section, key_, def_);
        r.where = Where::Settled;
    }

    held_.erase(mark_, cut - mark_);
    searched_ = searched_ > cut ? searched_ - (cut - mark_) : mark_;
    if (std::all_of(readings_.begin(), readings_.end(),
                    [](const Reading& r) { return r.where == Where::Settled; })) {
        keeping_ = false;
        std::string().swap(held_);
    }
}

void IniValueReader::Drop(TextEncoding encoding) {
    readings_.erase(std::remove_if(readings_.begin(), readings_.end(),
                                   [encoding](const Reading& r) { return r.encoding == encoding; }),
                    readings_.end());
}

bool IniValueReader::Known() const {
    if (!decided_ || keeping_) return false;  // keeping_ ends when every reading is settled
    for (const Reading& r : readings_)
        if (r.value != readings_.front().value) return false;
    return true;
}

}  // namespace vkm
