// The INI reader on what a line definition relies on. (tests/win32/ini_reference_test.cpp compares it
// with the Windows profile API itself.)
#include "core/ini.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "test_helpers.h"

namespace vkm {
namespace {

using Names = std::vector<std::string>;

std::string Utf16Le(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

std::string Utf16Be(const std::u16string& text) {
    std::string bytes = "\xFE\xFF";
    for (char16_t c : text) {
        bytes += static_cast<char>(c >> 8);
        bytes += static_cast<char>(c & 0xFF);
    }
    return bytes;
}

// A section's entries, each as "name=value".
Names Entries(const IniFile& ini, const std::string& section) {
    Names out;
    for (const IniEntry& e : ini.SectionEntries(section)) out.push_back(e.name + "=" + e.value);
    return out;
}

TEST(IniDefaults, AbsentKeysAndSectionsGiveTheDefault) {
    const IniFile ini("[Info]\r\nName=Praha\r\nEmpty=\r\nNoEquals\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "Missing", "Pp"), "Pp");
    EXPECT_EQ(ini.ReadValue("Hlaseni", "Name", "Pp"), "Pp");
    EXPECT_EQ(ini.ReadValue("Info", "NoEquals", "Pp"), "Pp");  // a line without "=" has no value
    EXPECT_EQ(ini.ReadValue("Info", "Empty", "Pp"), "");       // present but empty is not absent
    EXPECT_EQ(ini.ReadValue("Info", "Name", "Pp"), "Praha");
    EXPECT_TRUE(ini.KeyNames("Hlaseni").empty());
    EXPECT_EQ(IniFile().ReadValue("Info", "Name", "x"), "x");
    EXPECT_TRUE(IniFile().KeyNames("Info").empty());
}

TEST(IniDefaults, DefaultLosesTrailingSpacesAndQuotesAsInWindows) {
    const IniFile ini("[Info]\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "k", "Pp  "), "Pp");
    EXPECT_EQ(ini.ReadValue("Info", "k", "  Pp"), "  Pp");
    EXPECT_EQ(ini.ReadValue("Info", "k", "   "), " ");  // the first character stays
    EXPECT_EQ(ini.ReadValue("Info", "k", "\"Pp\""), "Pp");
    EXPECT_EQ(ini.ReadValue("Info", "k", "'"), "'");
    EXPECT_EQ(ini.ReadValue("Info", "k", std::string("a\0b", 3)), "a");  // as a C string
}

TEST(IniDefaults, KeysBeforeTheFirstSectionBelongToTheNamelessOne) {
    const IniFile ini("Name=orphan\r\n[Info]\r\nk=v\r\n[]\r\nhidden=1\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "Name", "-"), "-");
    EXPECT_EQ(ini.ReadValue("", "Name", "-"), "orphan");
    EXPECT_EQ(ini.ReadValue(" ", "Name", "-"), "orphan");
    EXPECT_EQ(ini.KeyNames(""), Names{"Name"});
    EXPECT_EQ(ini.ReadValue("", "hidden", "-"), "-");  // "[]" comes after the nameless section
}

TEST(IniFirstOccurrence, FirstKeyAndFirstSectionWin) {
    const IniFile ini(
        "[Info]\r\nName=first\r\nNAME=second\r\nName=third\r\nLate\r\nLate=value\r\n"
        "[INFO]\r\nName=other block\r\nOnlyHere=1\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "Name", "-"), "first");
    EXPECT_EQ(ini.ReadValue("info", "name", "-"), "first");
    EXPECT_EQ(ini.ReadValue("Info", "OnlyHere", "-"), "-");  // the second block is never read
    EXPECT_EQ(ini.ReadValue("Info", "Late", "-"), "-");      // its first line has no "="
    EXPECT_EQ(ini.KeyNames("INFO"), (Names{"Name", "NAME", "Name", "Late"}));
}

TEST(IniCase, SectionAndKeyNamesIgnoreCaseCzechLettersToo) {
    const IniFile ini(Utf8ToCp1250("[Hlášení]\r\nŽluťoučký kůň=ano\r\n[Uživatelské]\r\nA=1\r\n"));
    EXPECT_EQ(ini.ReadValue(std::string("HLÁŠENÍ"), std::string("ŽLUŤOUČKÝ KŮŇ"), "-"), "ano");
    EXPECT_EQ(ini.ReadValue(std::string("hlášení"), std::string("žluťoučký kůň"), "-"), "ano");
    EXPECT_EQ(ini.ReadValue(std::string("uživatelské"), "a", "-"), "1");
    EXPECT_EQ(ini.KeyNames(std::string("HLÁŠENÍ")), Names{std::string("Žluťoučký kůň")});
    EXPECT_EQ(ini.ReadValue(std::string("Hlaseni"), std::string("Zlutoucky kun"), "-"),
              "-");  // no accent folding
}

TEST(IniKeyOrder, NamesComeInFileOrder) {
    const IniFile ini("[Hlaseni]\r\n3=c.wav\r\n1=a.wav\r\n2=b.wav\r\n10=j.wav\r\n");
    EXPECT_EQ(ini.KeyNames("Hlaseni"), (Names{"3", "1", "2", "10"}));
    EXPECT_EQ(Entries(ini, "Hlaseni"), (Names{"3=c.wav", "1=a.wav", "2=b.wav", "10=j.wav"}));
}

TEST(IniKeyOrder, CommentsAndLinesWithoutEqualsAreNotListed) {
    const IniFile ini(
        "[Hlaseni]\r\n;1=commented.wav\r\n  ;2=x\r\n#3=hash.wav\r\nplain line\r\n4=d.wav\r\n"
        "=nameless\r\n=second nameless in a row\r\n5=e.wav\r\n");
    EXPECT_EQ(ini.KeyNames("Hlaseni"), (Names{"#3", "4", "", "5"}));
    EXPECT_EQ(ini.ReadValue("Hlaseni", ";1", "-"), "commented.wav");  // readable when asked for
    EXPECT_EQ(ini.ReadValue("Hlaseni", "", "-"), "nameless");
}

TEST(IniKeyOrder, KeyListsLookUpTheSectionAsGiven) {
    const IniFile ini("[ Info ]\r\nName=x\r\n");
    EXPECT_EQ(ini.KeyNames("Info"), Names{"Name"});
    EXPECT_TRUE(ini.KeyNames(" Info").empty());
    EXPECT_EQ(ini.ReadValue(" Info\t", " Name ", "-"), "x");
}

TEST(SectionEntries, DuplicateNamesGiveOneEntryWithTheFirstValueAtTheFirstPlace) {
    const IniFile ini(
        "[Hlaseni]\r\n1=a.wav\r\n2=b.wav\r\nX=first.wav\r\n3=c.wav\r\nx=second.wav\r\nX=third.wav\r\n");
    EXPECT_EQ(Entries(ini, "Hlaseni"), (Names{"1=a.wav", "2=b.wav", "X=first.wav", "3=c.wav"}));
    const IniFile czech(Utf8ToCp1250("[Hlaseni]\r\nČ=první\r\n1=a\r\nč=druhé\r\n"));
    EXPECT_EQ(Entries(czech, "Hlaseni"), (Names{std::string("č=první"), "1=a"}));
}

TEST(SectionEntries, ValuesKeepTheirSeparators) {
    const IniFile ini(
        "[Uzivatelske_klavesy]\r\na=ALT+B;bezpecnost.wav;Popis, s carkou\r\nb = CTRL+F1 ; x.wav ; y \r\n"
        "[Hlaseni]\r\n1=a.wav,b.wav\r\n2==c.wav\r\n3='quoted, kept'\r\n");
    EXPECT_EQ(Entries(ini, "Uzivatelske_klavesy"),
              (Names{"a=ALT+B;bezpecnost.wav;Popis, s carkou", "b=CTRL+F1 ; x.wav ; y"}));
    EXPECT_EQ(Entries(ini, "Hlaseni"), (Names{"1=a.wav,b.wav", "2==c.wav", "3=quoted, kept"}));
}

TEST(IniLongText, TenThousandByteValueComesBackWhole) {
    std::string value;
    for (int i = 0; value.size() < 10000; ++i) value += "hlaseni_" + std::to_string(i) + ".wav,";
    value.resize(10000);
    const IniFile ini("[Hlaseni]\r\n1=" + value + "\r\n2=\"" + value + "\"\r\n");
    EXPECT_EQ(ini.ReadValue("Hlaseni", "1", ""), value);
    EXPECT_EQ(ini.ReadValue("Hlaseni", "2", ""), value);
    EXPECT_EQ(Entries(ini, "Hlaseni")[0], "1=" + value);
}

TEST(IniLongText, ThreeThousandKeysAreAllListed) {
    std::string file = "[Hlaseni]\r\n";
    Names expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back("Announcement_" + std::to_string(3000 - i));
        file += expected.back() + "=a" + std::to_string(i) + ".wav\r\n";
    }
    const IniFile ini(file);
    EXPECT_EQ(ini.KeyNames("Hlaseni"), expected);
    const Names list = Entries(ini, "Hlaseni");
    ASSERT_EQ(list.size(), 3000u);
    EXPECT_EQ(list[2999], "Announcement_1=a2999.wav");
}

TEST(IniBadInput, BinaryAndEmptyInputGiveDefaults) {
    std::string png = "\x89PNG\r\n\x1A\n";
    for (int i = 0; i < 4096; ++i) png += static_cast<char>((i * 7919) % 256);
    for (const std::string& bytes :
         {png, std::string(), std::string(1, '\0'), std::string("\xEF\xBB\xBF"), std::string("\xFF\xFE"),
          std::string("\xFE\xFF\x00", 3), std::string(100000, '\0'), std::string("[[[[[[[[]"),
          std::string("\r\r\n\n")}) {
        const IniFile ini(bytes);
        EXPECT_EQ(ini.ReadValue("Info", "Name", "def"), "def");
        EXPECT_EQ(ini.ReadValue("Info", "Klavesy_odjezd", "Pp"), "Pp");
        EXPECT_TRUE(ini.KeyNames("Hlaseni").empty());
        EXPECT_TRUE(ini.SectionEntries("Hlaseni").empty());
    }
}

TEST(IniBadInput, ZeroBytesEndNamesAndValues) {
    const std::string z(1, '\0');
    const IniFile ini("[In" + z + "x]\r\nName=Pra" + z + "ha\r\nKey" + z +
                      "tail=v\r\n[Info]\r\nName=second\r\n");
    EXPECT_EQ(ini.ReadValue("In", "Name", "-"), "Pra");
    EXPECT_EQ(ini.ReadValue("In", "Key", "-"), "v");
    EXPECT_EQ(ini.KeyNames("In"), (Names{"Name", "Key"}));
    EXPECT_EQ(ini.ReadValue("Info", "Name", "-"), "second");
}

TEST(IniEncoding, ByteOrderMarksSelectUtf8AndUtf16) {
    const std::string expected = std::string("ěščřžýáíéůúďťň ĚŠČŘŽÝÁÍÉŮÚĎŤŇ");
    const std::u16string text =
        u"[Info]\r\nN\u00e1zev=\u011b\u0161\u010d\u0159\u017e\u00fd\u00e1\u00ed\u00e9\u016f"
        u"\u00fa\u010f\u0165\u0148 \u011a\u0160\u010c\u0158\u017d\u00dd\u00c1\u00cd\u00c9"
        u"\u016e\u00da\u010e\u0164\u0147\r\n";
    for (const std::string& bytes : {"\xEF\xBB\xBF" + Utf16ToUtf8(text), Utf16Le(text), Utf16Be(text),
                                     Utf16ToCp1250(text), Utf16Le(text) + "x"}) {
        const IniFile ini(bytes);
        EXPECT_EQ(ini.ReadValue("Info", std::string("Název"), "-"), expected);
        EXPECT_EQ(ini.KeyNames("Info"), Names{std::string("Název")});
    }
}

TEST(IniEncoding, TextOutsideCodePage1250IsKept) {
    const IniFile ini(
        "\xEF\xBB\xBF[Info]\r\nA=\xC3\xA0 \xE4\xB8\xAD \xF0\x9F\x98\x80\r\nB=\xE3\x80\x80x\xE3\x80\x80\r\n"
        "C=a\xE4\xBDz\xC3\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "A", ""), "à 中 😀");
    EXPECT_EQ(ini.ReadValue("Info", "B", ""),
              "\u3000x\u3000");                                   // the ideographic space is not white space
    EXPECT_EQ(ini.ReadValue("Info", "C", ""), "a\uFFFDz\uFFFD");  // malformed after a mark: as Windows
    // The same Cyrillic name as written in UTF-16: a sound name that CP1250 cannot hold survives.
    const std::u16string text = u"[Hlaseni]\r\n1=\u0416\u0443\u043a.wav\r\n";
    EXPECT_EQ(IniFile(Utf16Le(text)).ReadValue("Hlaseni", "1", ""), "Жук.wav");
}

TEST(IniEncoding, Utf8WithoutAMarkIsToldFromCodePage1250) {
    struct Row {
        std::string bytes;
        TextEncoding encoding;
        const char* name;
    } rows[] = {
        {"[Info]\r\nName=Praha – Kolín\r\n", TextEncoding::kUtf8WithoutMark, "Praha – Kolín"},
        {Utf8ToCp1250("[Info]\r\nName=Praha – Kolín\r\n"), TextEncoding::kCp1250, "Praha – Kolín"},
        {"[Info]\r\nName=Praha\r\n", TextEncoding::kCp1250, "Praha"},  // ASCII reads alike
        // A first byte that looks like half a byte-order mark is a CP1250 letter.
        {"\xFF\r\n[Info]\r\nName=Kol\xEDn\r\n", TextEncoding::kCp1250, "Kolín"},
        {"\xFE\r\n[Info]\r\nName=\xFE\xFF\r\n", TextEncoding::kCp1250, "ţ˙"},
        // One byte that is not UTF-8 makes the whole file CP1250.
        {"[Info]\r\nName=Kolín\r\n; \x9A\r\n", TextEncoding::kCp1250, "Kol\u0102\u00ADn"},
        {"\xEF\xBB\xBF[Info]\r\nName=Kolín\r\n", TextEncoding::kUtf8, "Kolín"},
        {Utf16Le(u"[Info]\nName=\u00ED"), TextEncoding::kUtf16LE, "í"},
        {Utf16Be(u"[Info]\nName=\u00ED"), TextEncoding::kUtf16BE, "í"},
    };
    for (const Row& r : rows) {
        const IniFile ini(r.bytes);
        EXPECT_EQ(ini.encoding(), r.encoding) << r.name;
        EXPECT_EQ(ini.ReadValue("Info", "Name", ""), r.name);
    }
    // A name that CP1250 cannot hold.
    EXPECT_EQ(IniFile("[Хлашени]\nЖ=жук.wav\n").ReadValue("хлашени", "ж", ""), "жук.wav");
}

TEST(IniLines, LineEndsAndWhiteSpace) {
    for (const char* nl : {"\r\n", "\n", "\r", "\n\r", "\r\r\n"}) {
        const std::string n = nl;
        const IniFile ini("[Info]" + n + "Name=x" + n + n + "[Hlaseni]" + n + "1=a.wav" + n + "2=b.wav");
        EXPECT_EQ(ini.ReadValue("Info", "Name", "-"), "x");
        EXPECT_EQ(ini.KeyNames("Hlaseni"), (Names{"1", "2"}));
    }
    const IniFile ini(
        "[Info]\nA=1\rB=2\n \t[ Hlaseni ]  \x1A\n\t 1 \t=\t a.wav , b.wav \x0B\r\n2=\xA0x\xA0\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "A", "-"), "1");  // a bare CR ends a line even before an LF
    EXPECT_EQ(ini.ReadValue("Info", "B", "-"), "2");
    EXPECT_EQ(ini.ReadValue("Hlaseni", "1", "-"), "a.wav , b.wav");
    EXPECT_EQ(ini.ReadValue("Hlaseni", "2", "-"), "\u00A0x\u00A0");  // no-break space is kept
}

TEST(IniLines, SectionHeadersAndQuotes) {
    const IniFile ini(
        "[Info] trailing\r\nA=1\r\n[Open\r\nB=2\r\n[x]y]\r\nC=\"q\"\r\nD='q'\r\nE=\"q'\r\nF=\"\r\nG=\"\"\r\n"
        "H=\"a\" \"b\"\r\n");
    EXPECT_EQ(ini.ReadValue("Info", "A", "-"), "1");
    EXPECT_EQ(ini.ReadValue("Info", "[Open", "-"), "-");  // a "[" line without "]" is a key
    EXPECT_EQ(ini.ReadValue("Info", "B", "-"), "2");
    EXPECT_EQ(ini.ReadValue("x]y", "C", "-"), "q");
    EXPECT_EQ(ini.ReadValue("x]y", "D", "-"), "q");
    EXPECT_EQ(ini.ReadValue("x]y", "E", "-"), "\"q'");
    EXPECT_EQ(ini.ReadValue("x]y", "F", "-"), "\"");
    EXPECT_EQ(ini.ReadValue("x]y", "G", "-"), "");
    EXPECT_EQ(ini.ReadValue("x]y", "H", "-"), "a\" \"b");
}

// Random input never crashes the reader, and what comes out is still made of names and values.
TEST(IniRandomInput, NeverCrashesAndAnswersStayWellFormed) {
    std::uint32_t state = 20240611;
    auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 8; };
    static const char kAlphabet[] =
        "[[]]==;;\"'  \t\r\n\n\x1A\xA0\x00\xEF\xBB\xBF\xFF\xFE\xE8\xC8\x9A"
        "abAB1,+";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(next() % 400, '\0');
        const bool uniform = round % 3 == 0;
        for (char& c : bytes) c = uniform ? static_cast<char>(next()) : alphabet[next() % alphabet.size()];
        const IniFile ini(bytes);
        for (const std::string section : {"", "a", "b", "A", "ab", "ba", "1", "a,+"}) {
            const std::vector<IniEntry> entries = ini.SectionEntries(section);
            for (const std::string& name : ini.KeyNames(section)) {
                const std::string value = ini.ReadValue(section, name, "");
                ASSERT_EQ((name + value).find_first_of(std::string("\r\n\0", 3)), std::string::npos) << round;
                // (Trailing white space can stay: a zero character may end the name after it.)
                ASSERT_TRUE(name.empty() ||
                            (name.front() != ';' && name.front() != ' ' && name.front() != '\t'))
                    << ::testing::PrintToString(name) << " in " << ::testing::PrintToString(bytes);
            }
            for (std::size_t i = 0; i < entries.size(); ++i) {
                ASSERT_FALSE(entries[i].value.empty()) << "an entry without a value";
                for (std::size_t j = 0; j < i; ++j)
                    ASSERT_FALSE(SameTextUtf8(entries[j].name, entries[i].name)) << "a name listed twice";
            }
        }
    }
}

}  // namespace
}  // namespace vkm
