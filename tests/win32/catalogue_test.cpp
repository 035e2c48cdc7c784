// The catalogue on the Windows file search, on a real folder tree made through the
// wide API (Czech names, hidden and system attributes), and the open-file dialog.
// The results must not depend on the ANSI code page: under LANG=C.UTF-8 the code
// page is 1252, which cannot spell "ť", and Cyrillic is in neither 1250 nor 1252.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "fakes/fakes.h"
#include "frm_main/frm_main.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace vkm::testing {
namespace {

std::wstring W(const char* utf8) {
    return ToWide(utf8);
}

// A folder tree in the user's temporary folder, removed afterwards.
class WideTree {
  public:
    WideTree() {
        wchar_t temp[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        root_ = std::wstring(temp, n) + L"vkm-catalogue-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"\\";
        ok_ = CreateDirectoryW(root_.c_str(), nullptr) != 0;
    }
    ~WideTree() { Remove(root_); }
    WideTree(const WideTree&) = delete;
    WideTree& operator=(const WideTree&) = delete;

    bool ok() const { return ok_; }
    const std::wstring& root() const { return root_; }
    std::string root_utf8() const { return FromWide(root_); }

    bool Folder(const std::wstring& rel) { return CreateDirectoryW((root_ + rel).c_str(), nullptr) != 0; }
    bool File(const std::wstring& rel, const std::string& contents = std::string()) {
        HANDLE h = CreateFileW((root_ + rel).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok = WriteFile(h, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(h);
        return ok && written == contents.size();
    }
    // Sets the attribute and tells whether it took.
    bool Mark(const std::wstring& rel, DWORD attribute) {
        DWORD now = GetFileAttributesW((root_ + rel).c_str());
        if (now == INVALID_FILE_ATTRIBUTES) return false;
        SetFileAttributesW((root_ + rel).c_str(), (now & ~FILE_ATTRIBUTE_DIRECTORY) | attribute);
        DWORD after = GetFileAttributesW((root_ + rel).c_str());
        return after != INVALID_FILE_ATTRIBUTES && (after & attribute) == attribute;
    }

  private:
    static void Remove(const std::wstring& dir) {
        WIN32_FIND_DATAW d;
        HANDLE h = FindFirstFileW((dir + L"*").c_str(), &d);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = d.cFileName;
                if (name == L"." || name == L"..") continue;
                std::wstring path = dir + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(path + L"\\");
                else
                    DeleteFileW(path.c_str());
            } while (FindNextFileW(h, &d));
            FindClose(h);
        }
        SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(dir.c_str());
    }

    std::wstring root_;
    bool ok_ = false;
};

// The Windows file system with the program placed in the tree's root.
class TreeFileSystem : public Win32FileSystem {
  public:
    Path ExecutablePath() override { return exe; }
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        ++folders;
        return Win32FileSystem::ListDirectory(dir, out);
    }
    Path exe;
    int folders = 0;
};

struct TreeWindow : FakeWindowOn<TreeFileSystem> {
    explicit TreeWindow(const WideTree& tree) { files.exe = tree.root_utf8() + "vlakomluv.exe"; }
};

std::string Definition(const std::string& name) {
    return "[Info]\r\nName=" + name + "\r\n[Hlaseni]\r\n1=a.wav\r\n";
}

// The search's rules applied with the plain wide search (FindFirstFileW), in the
// order in which it returns the entries.
void ReferenceWalk(const std::wstring& dir, std::vector<std::string>& matches) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> subfolders;
    do {
        std::wstring name = d.cFileName;
        if (name == L"." || name == L".." ||
            (d.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            subfolders.push_back(name);
        } else if (name.size() > 4 &&
                   CompareStringOrdinal(name.c_str() + name.size() - 4, 4, L".vkm", 4, TRUE) == CSTR_EQUAL) {
            matches.push_back(FromWide(dir + name));
        }
    } while (FindNextFileW(h, &d));
    FindClose(h);
    for (const std::wstring& s : subfolders) ReferenceWalk(dir + s + L"\\", matches);
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// The tree:
//   a.vkm  B.VKM  noname.vkm (no Info/Name)  x.vkmx  hidden.vkm (hidden)  system.vkm (system)
//   Trať Praha–Kolín\Kolín.vkm  Trať Praha–Kolín\hlášení.wav  Trať Praha–Kolín\Čáslav\c.vkm
//   Доро́га\путь.vkm (a name outside both code pages 1250 and 1252)
//   skryta\in.vkm (hidden folder)  systemova\in.vkm (system folder)  zz\z.vkm  folder.vkm\ (empty)
class CatalogueTree : public ::testing::Test {
  protected:
    void SetUp() override {
        std::printf("ANSI code page %u\n", GetACP());
        ASSERT_TRUE(t.ok());
        ASSERT_TRUE(t.File(L"a.vkm", Definition("A")));
        ASSERT_TRUE(t.File(L"B.VKM", Definition("B")));
        ASSERT_TRUE(t.File(L"noname.vkm", "[Info]\r\nWAV_odjezd=gong.wav\r\n"));
        ASSERT_TRUE(t.File(L"x.vkmx", Definition("X")));
        ASSERT_TRUE(t.File(L"hidden.vkm", Definition("Hidden")));
        ASSERT_TRUE(t.File(L"system.vkm", Definition("System")));
        // Wine stores names in the Unix locale's character set: without a glibc locale
        // for LANG (LANG=cs_CZ.UTF-8 on a machine that has only C.UTF-8) it cannot
        // store non-ASCII names at all, whatever the program does.
        native_names_ = t.Folder(kTrat);
        if (!native_names_) {
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
        } else {
            ASSERT_TRUE(t.File(kTrat + W(u8"\\Kolín.vkm"), Definition(Utf8ToCp1250(u8"Praha – Kolín"))));
            ASSERT_TRUE(t.File(kTrat + W(u8"\\hlášení.wav")));
            ASSERT_TRUE(t.Folder(kTrat + W(u8"\\Čáslav")));
            ASSERT_TRUE(t.File(kTrat + W(u8"\\Čáslav\\c.vkm"), Definition(Utf8ToCp1250(u8"Čáslav"))));
            ASSERT_TRUE(t.Folder(W(u8"Доро́га")));
            ASSERT_TRUE(t.File(W(u8"Доро́га\\путь.vkm"), Definition("Cesta")));
        }
        ASSERT_TRUE(t.Folder(L"skryta"));
        ASSERT_TRUE(t.File(L"skryta\\in.vkm", Definition("In hidden")));
        ASSERT_TRUE(t.Folder(L"systemova"));
        ASSERT_TRUE(t.File(L"systemova\\in.vkm", Definition("In system")));
        ASSERT_TRUE(t.Folder(L"zz"));
        ASSERT_TRUE(t.File(L"zz\\z.vkm", Definition("Z")));
        ASSERT_TRUE(t.Folder(L"folder.vkm"));
        ASSERT_TRUE(t.Mark(L"hidden.vkm", FILE_ATTRIBUTE_HIDDEN)) << "the hidden attribute did not take";
        ASSERT_TRUE(t.Mark(L"system.vkm", FILE_ATTRIBUTE_SYSTEM)) << "the system attribute did not take";
        ASSERT_TRUE(t.Mark(L"skryta", FILE_ATTRIBUTE_HIDDEN)) << "the hidden attribute did not take";
        ASSERT_TRUE(t.Mark(L"systemova", FILE_ATTRIBUTE_SYSTEM)) << "the system attribute did not take";
    }
    void SkipIfNamesWereLeftOut() {
        if (!native_names_)
            GTEST_SKIP() << "the folders with Czech and Cyrillic names were left out: this Wine cannot store "
                            "them in the Unix locale of LANG; run with LANG=C.UTF-8";
    }

    const std::wstring kTrat = W(u8"Trať Praha–Kolín");
    WideTree t;
    bool native_names_ = false;
};

TEST_F(CatalogueTree, FindsTheExpectedFilesInTheExpectedOrder) {
    TreeWindow w(t);
    std::vector<Path> found;
    FindFiles(w.files, t.root_utf8(), "*.vkm", found);

    const std::string r = t.root_utf8();
    const std::string trat = r + u8"Trať Praha–Kolín\\";
    std::vector<std::string> expected = {r + "a.vkm", r + "B.VKM", r + "noname.vkm", r + "zz\\z.vkm"};
    if (native_names_)
        expected.insert(expected.end(),
                        {trat + u8"Kolín.vkm", trat + u8"Čáslav\\c.vkm", r + u8"Доро́га\\путь.vkm"});
    EXPECT_EQ(Sorted(found), Sorted(expected));

    std::vector<std::string> reference;
    ReferenceWalk(t.root(), reference);
    EXPECT_EQ(found, reference);

    // Files of a folder before those of its subfolders; a subfolder completely
    // before the next one.
    auto at = [&](const std::string& p) { return std::find(found.begin(), found.end(), p) - found.begin(); };
    for (const char* root_file : {"a.vkm", "B.VKM", "noname.vkm"}) {
        EXPECT_LT(at(r + root_file), at(r + "zz\\z.vkm"));
        if (native_names_) {
            EXPECT_LT(at(r + root_file), at(trat + u8"Kolín.vkm"));
        }
    }
    if (native_names_) {
        EXPECT_EQ(at(trat + u8"Čáslav\\c.vkm"), at(trat + u8"Kolín.vkm") + 1);
    }
    // The root, zz and folder.vkm; the line's folder, Čáslav and Доро́га.
    EXPECT_EQ(w.files.folders, native_names_ ? 6 : 3);
    SkipIfNamesWereLeftOut();
}

TEST_F(CatalogueTree, ScanOffersTheNamedLines) {
    TreeWindow w(t);
    w.form.ScanDefinitions();
    const std::atomic<bool> never(false);
    std::map<std::string, std::string> name_of;
    std::vector<std::string> names;
    for (const FoundLine& line : ScanCatalogue(w.files, t.root_utf8(), never)) {
        name_of[line.file] = line.name;
        names.push_back(line.name);
    }
    EXPECT_EQ(w.form.cmbLinkaItems, names);
    const std::string r = t.root_utf8();
    const std::string trat = r + u8"Trať Praha–Kolín\\";
    std::map<std::string, std::string> expected = {
        {r + "a.vkm", "A"}, {r + "B.VKM", "B"}, {r + "zz\\z.vkm", "Z"}};
    if (native_names_) {
        expected[trat + u8"Kolín.vkm"] = std::string("Praha – Kolín");
        expected[trat + u8"Čáslav\\c.vkm"] = std::string("Čáslav");
        expected[r + u8"Доро́га\\путь.vkm"] = "Cesta";
    }
    EXPECT_EQ(name_of, expected);
    EXPECT_EQ(w.form.cmbLinkaItemIndex, -1);
    SkipIfNamesWereLeftOut();
}

TEST_F(CatalogueTree, ListingReportsAttributes) {
    Win32FileSystem files;
    std::vector<DirEntry> entries;
    ASSERT_TRUE(files.ListDirectory(t.root_utf8(), entries));
    std::map<std::string, DirEntry> by_name;
    for (const DirEntry& e : entries) by_name[e.name] = e;
    EXPECT_EQ(by_name.size(), native_names_ ? 12u : 10u);
    EXPECT_EQ(by_name.count("."), 0u);
    EXPECT_EQ(by_name.count(".."), 0u);
    EXPECT_TRUE(by_name["hidden.vkm"].hidden);
    EXPECT_TRUE(by_name["system.vkm"].system);
    EXPECT_TRUE(by_name["skryta"].directory && by_name["skryta"].hidden);
    EXPECT_TRUE(by_name["systemova"].directory && by_name["systemova"].system);
    EXPECT_FALSE(by_name["a.vkm"].directory || by_name["a.vkm"].hidden || by_name["a.vkm"].system);
    if (native_names_) {
        EXPECT_TRUE(by_name[u8"Trať Praha–Kolín"].directory);
    }

    entries.clear();
    EXPECT_FALSE(files.ListDirectory(t.root_utf8() + "missing\\", entries));
    EXPECT_TRUE(entries.empty());
    SkipIfNamesWereLeftOut();
}

// ---- Links. ----

// Counts folders and stops a runaway scan: after the limit every folder fails at once.
class LimitedFileSystem : public Win32FileSystem {
  public:
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        if (++folders > 50) throw std::runtime_error("too many folders");
        return Win32FileSystem::ListDirectory(dir, out);
    }
    int folders = 0;
};

// Wine shows a Unix symbolic link to a folder as a folder with the reparse-point
// attribute. The prefix's dosdevices folder holds "z:", a link to the Unix root,
// whose tree holds the prefix again: a cycle, and a way out of any tree.
TEST(CatalogueLinks, LinkedFoldersAreNotFollowed) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    auto unix_file_name = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unix_file_name) GTEST_SKIP() << "not running under Wine";
    char* c_drive = unix_file_name(L"C:\\");
    ASSERT_NE(c_drive, nullptr);
    std::string unix_path = c_drive;  // .../dosdevices/c:/
    HeapFree(GetProcessHeap(), 0, c_drive);
    const std::size_t at = unix_path.rfind("/c:");
    ASSERT_NE(at, std::string::npos) << unix_path;
    std::string dosdevices = "Z:" + unix_path.substr(0, at + 1);
    std::replace(dosdevices.begin(), dosdevices.end(), '/', '\\');

    LimitedFileSystem files;
    std::vector<DirEntry> entries;
    ASSERT_TRUE(files.Win32FileSystem::ListDirectory(dosdevices, entries)) << dosdevices;
    auto z = std::find_if(entries.begin(), entries.end(), [](const DirEntry& e) { return e.name == "z:"; });
    ASSERT_NE(z, entries.end());
    EXPECT_FALSE(z->directory);

    std::vector<Path> found;
    FindFiles(files, dosdevices, "*", found);
    EXPECT_EQ(files.folders, 1) << "the scan went into linked folders";
    EXPECT_NE(std::find(found.begin(), found.end(), dosdevices + "z:"), found.end());
}

// ---- The open-file dialog, driven from a timer of this thread while it is open. ----

// Acts once on the dialog when it is up; if anything is still open three seconds
// later (a refusal, a message box), cancels it, so that a failing test ends.
std::function<void(HWND)> g_act;
int g_ticks_since_act = -1;

std::vector<HWND> OpenDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM p) -> BOOL {
            wchar_t cls[64] = {};
            if (IsWindowVisible(h) && GetClassNameW(h, cls, 64) && std::wstring(cls) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    std::vector<HWND> dialogs = OpenDialogs();
    if (dialogs.empty()) return;
    if (g_ticks_since_act < 0) {
        g_ticks_since_act = 0;
        g_act(dialogs.front());
    } else if (++g_ticks_since_act >= 30) {
        for (HWND d : dialogs) PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
    }
}

// Runs open (which shows the dialog) while act drives the dialog.
void WithDialog(const std::function<void()>& open, std::function<void(HWND)> act) {
    g_act = std::move(act);
    g_ticks_since_act = -1;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, OnTimer);
    open();
    KillTimer(nullptr, timer);
    EXPECT_GE(g_ticks_since_act, 0) << "the dialog did not show";
}

std::optional<Path> ShowWhile(const OpenFileRequest& request, std::function<void(HWND)> act) {
    std::optional<Path> result;
    WithDialog([&] { result = Win32OpenFileDialog().Show(request); }, std::move(act));
    return result;
}

std::wstring Text(HWND h) {
    wchar_t buf[1024] = {};
    GetWindowTextW(h, buf, 1024);
    return buf;
}

struct Control {
    int id;
    const wchar_t* cls;
    HWND found = nullptr;
};

// A control of the dialog by its id and class, at any depth (the name field is an
// edit inside a combo box inside an extended combo box, all with the same id).
HWND FindControl(HWND dialog, int id, const wchar_t* cls) {
    Control c{id, cls};
    EnumChildWindows(
        dialog,
        [](HWND h, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Control*>(p);
            wchar_t name[64] = {};
            GetClassNameW(h, name, 64);
            if (GetDlgCtrlID(h) != c->id || std::wstring(name) != c->cls) return TRUE;
            c->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&c));
    return c.found;
}

// The ids of the common dialog's controls.
constexpr int kReadOnly = 0x410, kFilterCombo = 0x470, kLookIn = 0x471, kFileName = 0x47c;

void Choose(HWND dialog, const std::wstring& typed) {
    SetWindowTextW(FindControl(dialog, kFileName, L"Edit"), typed.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

const char kFilter[] = "vlakomluv MSTS (*.vkm)|*.vkm|ini soubory (*.*)|*.ini|všechny soubory (*.*)|*.*";

OpenFileRequest Request(const std::string& initial_dir, const std::string& file_name) {
    OpenFileRequest r;
    r.filter = kFilter;
    r.default_ext = "*.vkm";
    r.initial_dir = initial_dir;
    r.file_name = file_name;
    return r;
}

TEST(OpenFileDialog, ShowsTheSettingsAndAcceptsAMissingFile) {
    WideTree t;
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE(t.File(L"a.vkm", Definition("A")));
    std::vector<std::wstring> filters;
    int selected_filter = -1, filter_count = -1;
    bool read_only_shown = true, single_selection = false;
    std::wstring name_shown;
    std::optional<Path> got = ShowWhile(Request(t.root_utf8(), t.root_utf8() + "a.vkm"), [&](HWND d) {
        HWND combo = FindControl(d, kFilterCombo, L"ComboBox");
        filter_count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < filter_count; ++i) {
            wchar_t buf[256] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
            filters.push_back(buf);
        }
        selected_filter = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        HWND read_only = GetDlgItem(d, kReadOnly);
        read_only_shown = read_only && IsWindowVisible(read_only);
        HWND list = FindControl(d, 1, L"SysListView32");
        single_selection = list && (GetWindowLongW(list, GWL_STYLE) & LVS_SINGLESEL);
        name_shown = Text(FindControl(d, kFileName, L"Edit"));
        Choose(d, L"missing.vkm");
    });
    EXPECT_EQ(filter_count, 3);
    EXPECT_EQ(filters, (std::vector<std::wstring>{L"vlakomluv MSTS (*.vkm)", L"ini soubory (*.*)",
                                                  W(u8"všechny soubory (*.*)")}));
    EXPECT_EQ(selected_filter, 0);
    EXPECT_FALSE(read_only_shown);
    EXPECT_TRUE(single_selection);
    EXPECT_EQ(name_shown, L"a.vkm");  // the path chosen before, offered again
    EXPECT_EQ(got, std::optional<Path>(t.root_utf8() + "missing.vkm"));
}

TEST(OpenFileDialog, CancelGivesNothing) {
    WideTree t;
    ASSERT_TRUE(t.ok());
    std::optional<Path> got =
        ShowWhile(Request(t.root_utf8(), ""), [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(got, std::nullopt);
}

// The open-file button on the real dialog, in a folder with a Czech name.
TEST(OpenFileDialog, ButtonAddsAFilePickedInACzechFolder) {
    WideTree t;
    ASSERT_TRUE(t.ok());
    const std::wstring trat = W(u8"Trať Praha–Kolín");
    if (!t.Folder(trat)) GTEST_SKIP() << "this Wine cannot store Czech names in the Unix locale of LANG";
    ASSERT_TRUE(t.File(trat + W(u8"\\Kolín.vkm"), Definition(Utf8ToCp1250(u8"Praha – Kolín"))));

    TreeFileSystem files;
    files.exe = t.root_utf8() + "vlakomluv.exe";
    FakePlayer player;
    FakeHotkeys hotkeys;
    FakeBoxes boxes;
    Win32OpenFileDialog dialog;
    Platform platform{files, player, hotkeys, boxes, dialog};
    TfrmMain form(platform);

    std::wstring look_in;
    WithDialog([&] { form.sbtnOpenFileClick(); },
               [&](HWND d) {
                   look_in = Text(FindControl(d, kLookIn, L"ComboBox"));
                   Choose(d, t.root() + trat + W(u8"\\Kolín.vkm"));
               });

    // The program's folder is shown first.
    std::wstring program_folder = t.root().substr(0, t.root().size() - 1);
    EXPECT_EQ(look_in, program_folder.substr(program_folder.rfind(L'\\') + 1));
    const std::string chosen = t.root_utf8() + u8"Trať Praha–Kolín\\Kolín.vkm";
    EXPECT_EQ(form.cmbLinkaItems, std::vector<std::string>{std::string("Praha – Kolín")});
    EXPECT_EQ(form.cmbLinkaItemIndex, 0);
}

}  // namespace
}  // namespace vkm::testing
