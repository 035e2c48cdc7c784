// IniFile against the Windows profile API, byte for byte.
//
// Every file of a corpus (tests/data/ini, and files this test writes into a temporary folder where
// the bytes are awkward to keep in the repository) is read through GetPrivateProfileStringA and
// through IniFile: every section, every key, and probes around them (absent names, other case,
// surrounding white space, other defaults). The API is called with a 1 MiB buffer, so it returns long
// values and key lists whole, as IniFile does. Generated files get a name of their own and are never
// rewritten, so the API's cache of parsed files cannot answer for a file it has not read.
//
// The ANSI code page must be 1250 (run under Wine with LC_ALL=cs_CZ.UTF-8): the API converts names
// and values through it. IniFile takes and hands out UTF-8, which is converted to CP1250 here as
// Windows converts it. A file that IniFile reads as UTF-8 without a byte-order mark is compared with
// what the API reads from the same text with the mark.
//
// The conversions of core/codepage.h are compared with MultiByteToWideChar and WideCharToMultiByte
// here too.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "core/ini.h"

namespace vkm {
namespace {

constexpr DWORD kBufferSize = 1 << 20;

std::string Escaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return "\"" + out + "\"";
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The Windows path of this file's folder: under Wine the compiler saw a Unix path.
std::string SourceFolder() {
    std::string file = __FILE__;
    if (!file.empty() && file[0] == '/') {
        using ToDos = LPWSTR(CDECL*)(LPCSTR);
        auto to_dos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
        if (!to_dos) return std::string();
        LPWSTR dos = to_dos(file.c_str());
        if (!dos) return std::string();
        char narrow[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, dos, -1, narrow, sizeof narrow, nullptr, nullptr);
        HeapFree(GetProcessHeap(), 0, dos);
        file = narrow;
    }
    std::replace(file.begin(), file.end(), '/', '\\');
    return file.substr(0, file.rfind('\\') + 1);
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(h, nullptr));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(h);
    return bytes;
}

std::vector<std::string> SplitZeroEnded(const char* block, std::size_t length) {
    std::vector<std::string> items;
    for (std::size_t at = 0; at < length;) {
        std::string item(block + at);
        at += item.size() + 1;
        items.push_back(item);
    }
    return items;
}

std::string FlipAsciiCase(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return s;
}

std::wstring AnsiToWide(const std::string& s) {
    std::wstring w(s.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &w[0], static_cast<int>(w.size()));
    w.resize(n > 0 ? n - 1 : 0);
    return w;
}

std::string WideToAnsi(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n =
        WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

struct Counts {
    long files = 0;
    long values = 0;
    long key_lists = 0;
    long section_lists = 0;
    long lists_windows_drops = 0;  // key lists that begin with the empty name (see KeyNames)
    long conversions = 0;
};
Counts g_counts;

// One file read both ways.
class Comparison {
  public:
    // The file at path as IniFile reads it, against the API reading api_path (by default the same).
    explicit Comparison(std::string path, std::string api_path = "")
        : path_(api_path.empty() ? path : std::move(api_path)), ini_(ReadBytes(path)), buffer_(kBufferSize) {}

    // Compares everything this file holds, and probes around it.
    void All() {
        ++g_counts.files;
        std::vector<std::string> sections = SectionNames();
        for (const char* probe : {"", " ", "\t", "NoSuchSection", "Info", "Hlaseni"})
            sections.push_back(probe);
        std::set<std::string> done;
        for (const std::string& section : sections) {
            if (!done.insert(section).second) continue;
            Section(section);
        }
    }

    void Section(const std::string& section) {
        std::vector<std::string> keys = KeyNames(section);
        std::set<std::string> unique(keys.begin(), keys.end());
        for (const std::string& key : unique) {
            for (const char* def : {"Pp", ""}) Value(section, key, def);
            for (const std::string& variant : {FlipAsciiCase(key), "  " + key + " ", "\t" + key + "\t"})
                Value(section, variant, "Pp");
        }
        for (const char* probe : {"", " ", "NoSuchKey", "Name", "name"}) {
            for (const char* def : {"Pp", "", "\"Pp\"", "'q'", "\"", "x   ", "   ", "\xEC\x9A\xE8 "})
                Value(section, probe, def);
        }
        // The section under other spellings: its key list and a few of its keys.
        for (const std::string& variant : {FlipAsciiCase(section), " " + section + " ", "\t" + section}) {
            std::vector<std::string> some = KeyNames(variant);
            if (some.size() > 12) some.resize(12);
            for (const std::string& key : some) Value(variant, key, "Pp");
            Value(variant, "NoSuchKey", "Pp");
        }
    }

    void Value(const std::string& section, const std::string& key, const std::string& def) {
        ++g_counts.values;
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer_.data(),
                                           kBufferSize, path_.c_str());
        std::string windows(buffer_.data(), n);
        std::string ours =
            Utf8ToCp1250(ini_.ReadValue(Cp1250ToUtf8(section), Cp1250ToUtf8(key), Cp1250ToUtf8(def)));
        if (ours != windows)
            Mismatch("value of [" + Escaped(section) + "] " + Escaped(key) + " default " + Escaped(def),
                     Escaped(windows), Escaped(ours));
    }

    // Compares the key list of section and returns it.
    std::vector<std::string> KeyNames(const std::string& section) {
        ++g_counts.key_lists;
        DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer_.data(), kBufferSize,
                                           path_.c_str());
        std::vector<std::string> windows = SplitZeroEnded(buffer_.data(), n);
        std::vector<std::string> whole = KeyNamesOfSectionBlock(section);
        std::vector<std::string> ours = Ansi(ini_.KeyNames(Cp1250ToUtf8(section)));
        if (!whole.empty() && whole.front().empty()) {
            // Windows hands the list over as zero-ended names; one that begins with the empty
            // name reads as no list at all. KeyNames keeps the list whole.
            ++g_counts.lists_windows_drops;
            if (!windows.empty())
                Mismatch("list dropped for [" + Escaped(section) + "]", Joined(windows), "none");
            windows = whole;
        }
        if (ours != windows)
            Mismatch("key names of [" + Escaped(section) + "]", Joined(windows), Joined(ours));
        if (ours != whole)
            Mismatch("key names of [" + Escaped(section) + "] by section", Joined(whole), Joined(ours));
        return windows;
    }

    // The names of the sections, as Windows lists them.
    std::vector<std::string> SectionNames() {
        ++g_counts.section_lists;
        DWORD n = GetPrivateProfileSectionNamesA(buffer_.data(), kBufferSize, path_.c_str());
        return SplitZeroEnded(buffer_.data(), n);
    }

    int mismatches() const { return mismatches_; }

  private:
    // The key names as the section's block (name=value lines) shows them, read as UTF-16 so that no
    // best-fit "=" can split a name.
    std::vector<std::string> KeyNamesOfSectionBlock(const std::string& section) {
        std::vector<wchar_t> block(kBufferSize);
        DWORD n = GetPrivateProfileSectionW(AnsiToWide(section).c_str(), block.data(), kBufferSize,
                                            AnsiToWide(path_).c_str());
        std::vector<std::string> names;
        for (DWORD at = 0; at < n;) {
            std::wstring entry(block.data() + at);
            at += static_cast<DWORD>(entry.size()) + 1;
            std::size_t eq = entry.find(L'=');
            if (eq != std::wstring::npos) names.push_back(WideToAnsi(entry.substr(0, eq)));
        }
        return names;
    }

    static std::vector<std::string> Ansi(std::vector<std::string> utf8) {
        for (std::string& s : utf8) s = Utf8ToCp1250(s);
        return utf8;
    }

    static std::string Joined(const std::vector<std::string>& items) {
        std::string out = "{";
        for (const std::string& s : items) out += Escaped(s) + " ";
        return out + "}";
    }

    void Mismatch(const std::string& what, const std::string& windows, const std::string& ours) {
        if (++mismatches_ <= 25)
            ADD_FAILURE() << path_ << ": " << what << "\n  Windows: " << windows << "\n  IniFile: " << ours;
    }

    std::string path_;
    IniFile ini_;
    std::vector<char> buffer_;
    int mismatches_ = 0;
};

// A folder for written files, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "vkm_ini_reference_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::string& f : files_) DeleteFileA(f.c_str());
        RemoveDirectoryA(path_.c_str());
    }
    // Writes a file under a name not used before.
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = path_ + std::to_string(files_.size()) + "_" + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
        files_.push_back(path);
        return path;
    }

  private:
    std::string path_;
    std::vector<std::string> files_;
};

class IniReference : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 1250u)
            << "The ANSI code page must be 1250: under Wine run with LC_ALL=cs_CZ.UTF-8.";
    }

    void Compare(const std::string& path) {
        SCOPED_TRACE(path);
        std::string api_path;
        const std::string bytes = ReadBytes(path);
        if (DetectEncoding(bytes) == TextEncoding::kUtf8WithoutMark)
            api_path = temp_.Write("marked.ini", "\xEF\xBB\xBF" + bytes);
        Comparison c(path, api_path);
        c.All();
        EXPECT_EQ(c.mismatches(), 0) << path;
    }

    static std::string DataFolder() { return SourceFolder() + "..\\data\\ini\\"; }

    TempFolder temp_;
};

std::string Utf16Bytes(const std::u16string& text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += big_endian ? hi : lo;
        bytes += big_endian ? lo : hi;
    }
    return bytes;
}

// A deterministic source of bytes.
class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    std::size_t Below(std::size_t n) { return Next() % n; }

  private:
    std::uint32_t state_;
};

TEST_F(IniReference, CommittedFiles) {
    const std::string folder = DataFolder();
    std::vector<std::string> files;
    for (const char* mask : {"*.ini", "*.vkm"}) {
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + mask).c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) continue;
        do {
            files.push_back(folder + found.cFileName);
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    ASSERT_GE(files.size(), 10u) << "corpus not found in " << folder;
    for (const std::string& f : files) Compare(f);
}

TEST_F(IniReference, Utf16AndOddEncodings) {
    const std::string utf8 = ReadBytes(DataFolder() + "czech_utf8.ini");
    ASSERT_GT(utf8.size(), 3u);
    const std::u16string text = Utf8ToUtf16(utf8.substr(3));
    Compare(temp_.Write("utf16le.ini", Utf16Bytes(text, false)));
    Compare(temp_.Write("utf16be.ini", Utf16Bytes(text, true)));
    // An odd last byte: the line it would end holds no "=" and stays out of every answer.
    Compare(temp_.Write("utf16le_odd.ini", Utf16Bytes(text + u"\r\nQ", false) + "x"));
    // UTF-16 without a byte-order mark is read as CP1250 text with zero bytes in it.
    Compare(temp_.Write("utf16_no_bom.ini",
                        Utf16Bytes(u"[Info]\r\nName=x\r\n[\u0160]\r\nk=v\r\n", false).substr(2)));
    // The marks alone, and a CP1250 file that only starts like UTF-8.
    Compare(temp_.Write("bom_utf8_only.ini", "\xEF\xBB\xBF"));
    Compare(temp_.Write("bom_le_only.ini", "\xFF\xFE"));
    Compare(temp_.Write("bom_be_only.ini", "\xFE\xFF"));
    Compare(temp_.Write("half_bom.ini", "\xEF\xBB[Info]\r\nName=half a mark\r\n"));
    // UTF-8 without the mark, as Notepad saves it; and with one malformed byte, which makes it CP1250.
    Compare(temp_.Write("utf8_no_mark.ini", utf8.substr(3)));
    Compare(temp_.Write("utf8_no_mark_malformed.ini", utf8.substr(3) + "; \x9A\r\n"));
    // Malformed UTF-8 after the mark.
    Compare(
        temp_.Write("utf8_malformed.ini",
                    "\xEF\xBB\xBF[Info]\r\nName=a\xE4\xBDx\xC3\r\nB=\xED\xA0\x80\xF4\x90\x80\x80\xC0\xAF\r\n"
                    "C=\xF0\x9F\x98\x80 \xE2\x82\r\n\xFF\xFE=bad name\r\n[\x80\x80]\r\nk=v\r\n"));
}

TEST_F(IniReference, ZeroBytesEndNamesAndValues) {
    const std::string z(1, '\0');
    Compare(temp_.Write("zeros.ini", "[Info]\r\nName=before" + z + "after\r\nKey" + z + "tail=value\r\n" + z +
                                         "hidden=v\r\n" + z + "=after a zero name\r\n=nameless\r\n[Hl" + z +
                                         "aseni]\r\n1=a.wav\r\n[" + z + "]\r\nk=v\r\n" + z + "\r\n" + z + z +
                                         "\r\n[Zero]\r\n" + z + "x=1\r\n=2\r\n" + z + "=3\r\n=4\r\n"));
    // A section whose first listed name is empty: Windows gives no list for it.
    Compare(temp_.Write("nameless_first.ini", "[Info]\r\n=first\r\nName=x\r\n=y\r\nOther=z\r\n"));
}

TEST_F(IniReference, LongValuesAndKeyLists) {
    std::string value(5000, 'v');
    for (std::size_t i = 0; i < value.size(); i += 7)
        value[i] = static_cast<char>("a,b=c;d+\xE8\xF8"[i % 10]);
    std::string file = "[Info]\r\nName=" + value + "\r\nQuoted=\"" + value + "\"\r\n[Hlaseni]\r\n";
    std::size_t list_bytes = 0;
    for (int i = 0; i < 2000; ++i) {
        std::string name = "Announcement_" + std::to_string(10000 + i);
        list_bytes += name.size() + 1;
        file += name + "=odjezd_" + std::to_string(i) + ".wav,pristi.wav\r\n";
    }
    ASSERT_GT(list_bytes, 16384u);
    Compare(temp_.Write("long.ini", file));
}

TEST_F(IniReference, RandomBytesNeverDiffer) {
    // Uniform bytes, zero bytes included.
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        Random r(seed);
        std::string bytes(4096, '\0');
        for (char& c : bytes) c = static_cast<char>(r.Next());
        Compare(temp_.Write("uniform" + std::to_string(seed) + ".ini", bytes));
    }
    // Bytes weighted towards what INI syntax is made of. The letters are drawn from one case only
    // where they are not ASCII: see CzechLettersCompareAsInWindows.
    static const char kAlphabet[] =
        "[[]]]====;;\"\"''  \t\t\r\r\n\n\n\n\x1A\xA0\x00\x00"
        "abcABCxyzXYZ019_.,+#\xEC\x9A\xE8\xF8\x9E\xFD\xE1\xED\xE9";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    for (std::uint32_t seed = 10; seed < 26; ++seed) {
        Random r(seed);
        std::string bytes;
        const std::size_t size = 200 + r.Below(3000);
        while (bytes.size() < size) bytes += alphabet[r.Below(alphabet.size())];
        Compare(temp_.Write("weighted" + std::to_string(seed) + ".ini", bytes));
    }
}

// Windows compares names with its full upper-case table: "Č" and "č" are one name. Wine's profile
// code folds ASCII letters only, so there Czech names that differ in case are two names. IniFile
// follows Windows: the program relies on duplicate names in other case being one entry.
TEST_F(IniReference, CzechLettersCompareAsInWindows) {
    const std::string path =
        temp_.Write("czech_case.ini", Utf8ToCp1250("[Hlášení]\r\nČ=1\r\nč=2\r\n[HLÁŠENÍ]\r\nx=3\r\n"));
    IniFile ini(ReadBytes(path));
    EXPECT_EQ(ini.ReadValue("hlášení", "č", "-"), "1");
    EXPECT_EQ(ini.ReadValue("HLÁŠENÍ", "x", "-"), "-");
    EXPECT_EQ(ini.KeyNames("HLÁŠENÍ"), (std::vector<std::string>{"Č", "č"}));

    char buffer[64];
    auto windows = [&](const std::string& section, const std::string& key) {
        return std::string(
            buffer, GetPrivateProfileStringA(Utf8ToCp1250(section).c_str(), Utf8ToCp1250(key).c_str(), "-",
                                             buffer, sizeof buffer, path.c_str()));
    };
    if (RunningUnderWine()) {
        // When this fails, Wine has learnt to fold Czech letters: let the corpus test cover them.
        EXPECT_EQ(windows("hlášení", "č"), "2") << "Wine now folds Czech letters";
        EXPECT_EQ(windows("HLÁŠENÍ", "x"), "3") << "Wine now folds Czech letters";
    } else {
        EXPECT_EQ(windows("hlášení", "č"), "1");
        EXPECT_EQ(windows("HLÁŠENÍ", "x"), "-");
    }
}

TEST(CodePageReference, Cp1250BytesDecodeAsWindows) {
    for (int b = 0; b < 256; ++b) {
        char c = static_cast<char>(b);
        wchar_t w = 0;
        ASSERT_EQ(MultiByteToWideChar(1250, 0, &c, 1, &w, 1), 1);
        EXPECT_EQ(static_cast<unsigned>(Cp1250ToUtf16(std::string(1, c))[0]), static_cast<unsigned>(w)) << b;
        ++g_counts.conversions;
    }
}

TEST(CodePageReference, Utf16ToCp1250AsWindows) {
    for (unsigned u = 0; u < 0x10000; ++u) {
        wchar_t w = static_cast<wchar_t>(u);
        char c = 0;
        ASSERT_EQ(WideCharToMultiByte(1250, 0, &w, 1, &c, 1, nullptr, nullptr), 1) << u;
        std::string ours = Utf16ToCp1250(std::u16string(1, static_cast<char16_t>(u)));
        ASSERT_EQ(ours.size(), 1u);
        EXPECT_EQ(static_cast<unsigned char>(ours[0]), static_cast<unsigned char>(c)) << std::hex << u;
        ++g_counts.conversions;
    }
    const std::u16string pairs = u"a\U0001F600b\xD800\xDC00\xDBFF\xDFFFz";
    char out[32];
    int n = WideCharToMultiByte(1250, 0, reinterpret_cast<const wchar_t*>(pairs.data()),
                                static_cast<int>(pairs.size()), out, sizeof out, nullptr, nullptr);
    EXPECT_EQ(Utf16ToCp1250(pairs), std::string(out, n));
}

// Every sequence of up to four bytes drawn from bytes that matter to UTF-8 decoding.
TEST(CodePageReference, Utf8DecodesAsWindows) {
    const unsigned char interesting[] = {0x41, 0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                                         0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF8, 0xFF};
    const std::size_t k = sizeof interesting;
    int mismatches = 0;
    for (int length = 1; length <= 4; ++length) {
        std::size_t total = 1;
        for (int i = 0; i < length; ++i) total *= k;
        for (std::size_t index = 0; index < total; ++index) {
            std::string bytes;
            for (std::size_t rest = index, i = 0; i < static_cast<std::size_t>(length); ++i, rest /= k)
                bytes += static_cast<char>(interesting[rest % k]);
            wchar_t wide[8];
            int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), length, wide, 8);
            std::u16string windows(reinterpret_cast<const char16_t*>(wide), n);
            ++g_counts.conversions;
            if (Utf8TextToUtf16(bytes) != windows && ++mismatches <= 20)
                ADD_FAILURE() << "Utf8TextToUtf16 " << Escaped(bytes);
            // Utf8ToUtf16 differs only where it keeps an encoded surrogate.
            bool surrogate = false;
            for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
                surrogate |= static_cast<unsigned char>(bytes[i]) == 0xED &&
                             static_cast<unsigned char>(bytes[i + 1]) >= 0xA0;
            if (!surrogate && Utf8ToUtf16(bytes) != windows && ++mismatches <= 20)
                ADD_FAILURE() << "Utf8ToUtf16 " << Escaped(bytes);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

class CountReport : public ::testing::Environment {
  public:
    void TearDown() override {
        std::cout << "Compared with the profile API: " << g_counts.files << " files, " << g_counts.values
                  << " values, " << g_counts.key_lists << " key lists (" << g_counts.lists_windows_drops
                  << " of them dropped by Windows), " << g_counts.section_lists << " section lists; "
                  << g_counts.conversions << " conversions compared" << std::endl;
    }
};
const auto* const kReport = ::testing::AddGlobalTestEnvironment(new CountReport);

}  // namespace
}  // namespace vkm
