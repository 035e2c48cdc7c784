// One value read from a file handed in pieces (core/ini_value_reader.h) against IniFile on the
// whole file, over the committed corpus, generated files and random ones; and the streaming UTF-8
// check against IsUtf8BeyondAscii.
#include "core/ini_value_reader.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/ini.h"

namespace vkm {
namespace {

const std::vector<std::size_t> kPieces = {1, 2, 3, 7, 64 * 1024};

std::string Whole(const std::string& bytes, const std::string& section = "Info",
                  const std::string& key = "Name", const std::string& def = "") {
    return IniFile(bytes).ReadValue(section, key, def);
}

struct Streamed {
    std::string value;
    std::size_t fed = 0;       // bytes handed over before the reader had enough
    std::size_t max_held = 0;  // the most bytes the reader held at once
};

Streamed InPieces(const std::string& bytes, std::size_t piece, const std::string& section = "Info",
                  const std::string& key = "Name", const std::string& def = "") {
    IniValueReader reader(section, key, def);
    Streamed s;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const std::string_view p = std::string_view(bytes).substr(at, piece);
        s.fed += p.size();
        const bool more = reader.Feed(p);
        s.max_held = std::max(s.max_held, reader.held());
        if (!more) break;
    }
    s.value = reader.Value();
    return s;
}

void ExpectSame(const std::string& bytes, const std::string& label) {
    const std::string expected = Whole(bytes);
    for (std::size_t piece : kPieces)
        EXPECT_EQ(InPieces(bytes, piece).value, expected) << label << ", pieces of " << piece;
}

std::string Utf16(const std::u16string& text, bool big_endian, bool mark = true) {
    std::string bytes = mark ? (big_endian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += big_endian ? hi : lo;
        bytes += big_endian ? lo : hi;
    }
    return bytes;
}

// A block of announcements: lines enough to make the file large.
std::string Block(std::size_t lines) {
    std::string s = "[Hlaseni]\r\n";
    for (std::size_t i = 0; i < lines; ++i)
        s += std::to_string(i) + "=odjezd_" + std::to_string(i) + ".wav\r\n";
    return s;
}

std::string DataFolder() {
    std::string file = __FILE__;
    return file.substr(0, file.rfind('/')) + "/../data/ini/";
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    if (DIR* d = opendir(DataFolder().c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && (n.substr(n.size() - 4) == ".ini" || n.substr(n.size() - 4) == ".vkm"))
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(IniValueReader, CorpusInEveryPieceSizeAndAsUtf16) {
    const std::vector<std::string> names = CorpusFiles();
    ASSERT_GE(names.size(), 10u) << "corpus not found in " << DataFolder();
    for (const std::string& name : names) {
        const std::string bytes = ReadBytes(DataFolder() + name);
        ExpectSame(bytes, name);
        // Every key of every section, as the name is read.
        const IniFile whole(bytes);
        for (const std::string section : {"Info", "Hlaseni", "Uzivatelske_klavesy", "", "x]y", "Hlášení"})
            for (const std::string& key : whole.KeyNames(section))
                for (std::size_t piece : {std::size_t{1}, std::size_t{5}})
                    EXPECT_EQ(InPieces(bytes, piece, section, key, "def").value,
                              whole.ReadValue(section, key, "def"))
                        << name << " [" << section << "] " << key << ", pieces of " << piece;
        // The same text in UTF-16 with a mark, both byte orders.
        const std::u16string text =
            whole.encoding() == TextEncoding::kCp1250 ? Cp1250ToUtf16(bytes) : Utf8ToUtf16(bytes);
        ExpectSame(Utf16(text, false), name + " as UTF-16 LE");
        ExpectSame(Utf16(text, true), name + " as UTF-16 BE");
    }
}

TEST(IniValueReader, GeneratedFilesInEveryEncoding) {
    const std::string block = Block(3000);  // about 60 kB
    const std::string cz = u8"Praha – Kolín, Žďár";
    struct Case {
        std::string label, bytes;
    };
    std::vector<Case> cases = {
        {"name first", "[Info]\r\nName=A\r\n" + block},
        {"name after a big block", block + "[Info]\r\nName=A\r\n"},
        {"name after a big block in Info", "[Info]\r\n" + block.substr(11) + "Name=A\r\n"},
        {"name last, no line end", block + "[Info]\r\nName=A"},
        {"no name", "[Info]\r\nWAV_odjezd=x.wav\r\n" + block},
        {"name without =", "[Info]\r\nName\r\nName=B\r\n"},
        {"Info ends before a name", "[Info]\r\nX=1\r\n[]\r\nName=B\r\n"},
        {"second Info not read", "[Info]\r\n[Other]\r\n[INFO]\r\nName=B\r\n"},
        {"Name in another section first", "[Other]\r\nName=X\r\n[ info ]\r\n  NAME  =  \"Q\"  \r\n"},
        {"keys before any section", "Name=X\r\n[Info]\r\nName=Y\r\n"},
        {"zero in the value", std::string("[Info]\r\nName=A\0B\r\n", 17)},
        {"CR line ends", "[Info]\rX=1\rName=C\r" + block},
        {"LF line ends", "[Info]\nName=C\n"},
        {"UTF-8 with a mark", "\xEF\xBB\xBF[Info]\r\nName=" + cz + "\r\n" + block},
        {"UTF-8 without a mark", "[Info]\r\nName=" + cz + "\r\n" + block},
        {"UTF-8 without a mark, a bad byte far after the name",
         "[Info]\r\nName=" + cz + "\r\n" + block + "x=\xE9\r\n"},
        {"UTF-8 without a mark, a sequence cut by the end", "[Info]\r\nName=" + cz + "\r\n" + block + "\xC5"},
        {"CP1250", "[Info]\r\nName=" + Utf8ToCp1250(cz) + "\r\n" + block},
        {"CP1250 that is ASCII up to the name", "[Info]\r\nName=A\r\n" + block + "x=\x9E\r\n"},
        {"U+FEFF at the start of a line", "\xEF\xBB\xBF\xEF\xBB\xBF[Info]\r\n[Info]\r\nName=A\r\n"},
        {"a mark alone", "\xEF\xBB\xBF"},
        {"half a mark", "\xEF\xBB"},
        {"empty", ""},
        {"one byte", "["},
        // A four-byte lead, a letter and a line end: cut short only at the end of the text.
        {"a sequence cut short before a line end", "\xEF\xBB\xBF[Info]\r\nX=\xF0Z\r\nName=\xF0Z\r\n"},
        {"a lead byte before a line end at the end", "\xEF\xBB\xBF[Info]\r\nName=a\xF0Z\r\n"},
        {"a lead byte at the end", "\xEF\xBB\xBF[Info]\r\nName=a\xF0\r\nZ"},
    };
    for (const Case& c : cases) ExpectSame(c.bytes, c.label);
    for (const Case& c : cases) {
        const std::u16string text = Utf8ToUtf16(c.bytes);
        ExpectSame(Utf16(text, false), c.label + ", UTF-16 LE");
        ExpectSame(Utf16(text, true), c.label + ", UTF-16 BE");
        ExpectSame(Utf16(text, false) + "x", c.label + ", UTF-16 LE with an odd last byte");
        ExpectSame(Utf16(u"\uFEFF" + text, true), c.label + ", UTF-16 BE with U+FEFF first");
    }
    // A byte 0x0A or 0x0D that is half of another UTF-16 unit ends no line.
    for (bool big_endian : {false, true})
        ExpectSame(Utf16(u"[Info]\n\u0A0DName=\u0D0A\u0A00x\n[Other]\nName=y", big_endian),
                   "units 0x0A0D...");
}

TEST(IniValueReader, ReadsOnlyWhatTheNameNeedsAndHoldsLittle) {
    const std::string big = Block(250000);  // about 6 MB
    ASSERT_GT(big.size(), 5000000u);
    const std::string cz = u8"Žďár";

    // The name first: reading ends with the piece that completes the first line after it.
    for (const std::string& file :
         {"[Info]\r\nName=A\r\n" + big, "\xEF\xBB\xBF[Info]\r\nName=" + cz + "\r\n" + big,
          "[Info]\r\nName=" + Utf8ToCp1250(cz) + "\r\n" + big,
          Utf16(Utf8ToUtf16("[Info]\r\nName=" + cz + "\r\n" + big.substr(0, 1000000)), true)}) {
        const Streamed s = InPieces(file, 64 * 1024);
        EXPECT_EQ(s.value, Whole(file));
        EXPECT_EQ(s.fed, 64u * 1024);
        EXPECT_LE(s.max_held, 64u * 1024);
    }
    // The name after the block: everything up to it is read, but only a line at a time is held.
    {
        const std::string file = "\xEF\xBB\xBF" + big + "[Info]\r\nName=" + cz + "\r\n" + big;
        const Streamed s = InPieces(file, 64 * 1024);
        EXPECT_EQ(s.value, cz);
        EXPECT_LT(s.fed, big.size() + 128 * 1024);
        EXPECT_LE(s.max_held, 64u * 1024);
    }
    // Without a mark, a name beyond ASCII is UTF-8 only if all the file is: the rest is read,
    // but nothing of it is held.
    {
        const std::string file = "[Info]\r\nName=" + cz + "\r\n" + big;
        const Streamed s = InPieces(file, 64 * 1024);
        EXPECT_EQ(s.value, cz);
        EXPECT_EQ(s.fed, file.size());
        EXPECT_LE(s.max_held, 64u * 1024);
        const Streamed bad = InPieces(file + "\xE9", 64 * 1024);
        EXPECT_EQ(bad.value, Cp1250ToUtf8(cz));
    }
    // A long line is held until it ends.
    {
        const std::string file = "[Info]\r\nName=" + std::string(200000, 'n') + "\r\n" + big;
        const Streamed s = InPieces(file, 64 * 1024);
        EXPECT_EQ(s.value, std::string(200000, 'n'));
        EXPECT_GE(s.max_held, 190000u);
        EXPECT_LT(s.fed, 300000u);
    }
}

// A small deterministic generator.
struct Random {
    std::uint64_t s;
    explicit Random(std::uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::size_t Below(std::size_t n) {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::size_t>(s % n);
    }
};

// Random files made of the pieces that matter: headers, keys, line ends, bytes that are or are
// not UTF-8, marks, zeros.
std::string RandomFile(Random& r) {
    static const std::vector<std::string> kParts = {"[Info]",
                                                    "[info ]",
                                                    "[Other]",
                                                    "[]",
                                                    "[",
                                                    "]",
                                                    "Name",
                                                    "NAME",
                                                    "name ",
                                                    "Nam",
                                                    "=",
                                                    "=",
                                                    "x",
                                                    "ab",
                                                    "\"q\"",
                                                    " ",
                                                    "\t",
                                                    "\r",
                                                    "\n",
                                                    "\r\n",
                                                    "\r\n",
                                                    "\n\n",
                                                    "\xC3\xA1",
                                                    "\xC5\xBE",
                                                    "\xE2\x80\x93",
                                                    "\xF0\x9F\x9A\x82",
                                                    "\xE9",
                                                    "\x9E",
                                                    "\xF0",
                                                    "\xE4",
                                                    "\x80",
                                                    "\xED\xA0\x80",
                                                    std::string(1, '\0'),
                                                    "\xEF\xBB\xBF",
                                                    ";",
                                                    "1=a.wav"};
    static const std::vector<std::string> kStarts = {"", "", "", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
    std::string s = kStarts[r.Below(kStarts.size())];
    const std::size_t n = r.Below(40);
    for (std::size_t i = 0; i < n; ++i) s += kParts[r.Below(kParts.size())];
    if (s.size() >= 2 && (s[0] == '\xFF' || s[0] == '\xFE') && r.Below(2)) {
        // Mostly real UTF-16 after a UTF-16 mark.
        const bool big_endian = s[0] == '\xFE';
        s = Utf16(Utf8ToUtf16(s.substr(2)), big_endian) + (r.Below(4) == 0 ? "z" : "");
    }
    return s;
}

TEST(IniValueReader, RandomFilesInRandomPieces) {
    Random r(2024);
    for (int i = 0; i < 20000; ++i) {
        const std::string file = RandomFile(r);
        const std::string expected = Whole(file);
        for (std::size_t piece : {std::size_t{1}, std::size_t{1} + r.Below(9), std::size_t{64}}) {
            const Streamed s = InPieces(file, piece);
            ASSERT_EQ(s.value, expected)
                << "file " << i << " in pieces of " << piece << ": " << ::testing::PrintToString(file);
        }
        // Another key, with a default.
        ASSERT_EQ(InPieces(file, 3, "Other", "x", " d ").value, Whole(file, "Other", "x", " d "))
            << ::testing::PrintToString(file);
    }
}

TEST(Utf8Check, AgreesWithTheWholeTextCheckInAnyPieces) {
    static const std::vector<std::string> kParts = {
        "a",    "\xC3\xA1", "\xC2", "\xA1", "\xE2\x80\x93", "\xE0",     "\xA0", "\x9F", "\xED",        "\x80",
        "\xF0", "\x90",     "\xF4", "\x8F", "\xBF",         "\xC0\xAF", "\xF5", "\xFF", "\xEF\xBB\xBF"};
    Random r(7);
    for (int i = 0; i < 50000; ++i) {
        std::string text;
        const std::size_t n = r.Below(8);
        for (std::size_t k = 0; k < n; ++k) text += kParts[r.Below(kParts.size())];
        const std::size_t piece = 1 + r.Below(4);
        Utf8Check check;
        for (std::size_t at = 0; at < text.size(); at += piece)
            check.Feed(std::string_view(text).substr(at, piece));
        ASSERT_EQ(check.Utf8BeyondAscii(), IsUtf8BeyondAscii(text)) << ::testing::PrintToString(text);
        if (check.malformed()) {
            ASSERT_FALSE(IsUtf8BeyondAscii(text + "\xC3\xA1"));
        }
    }
}

}  // namespace
}  // namespace vkm
