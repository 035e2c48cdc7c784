// The catalogue of lines: the search of the program's folder tree (on real folders
// and on fakes) and the open-file button.
#include <dirent.h>
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/codepage.h"
#include "fakes/fakes.h"
#include "platform/portable/portable_files.h"

namespace vkm::testing {
namespace {

namespace fs = std::filesystem;

const char* const kNamed = "[Info]\r\nName=%s\r\n[Hlaseni]\r\n1=a.wav\r\n";

std::string Definition(const std::string& name) {
    std::string s = kNamed;
    return s.replace(s.find("%s"), 2, name);
}

// A folder tree in the temporary folder, removed afterwards.
class TempTree {
  public:
    TempTree() {
        std::string tmpl = (fs::temp_directory_path() / "vkm-catalogue-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder");
        root_ = tmpl + "/";
    }
    ~TempTree() {
        for (const std::string& dir : locked_) chmod(dir.c_str(), 0700);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // Paths relative to the root, UTF-8, with "/".
    const std::string& root() const { return root_; }
    void Folder(const std::string& rel) { fs::create_directories(fs::u8path(root_ + rel)); }
    void File(const std::string& rel, const std::string& contents = std::string()) {
        fs::path p = fs::u8path(root_ + rel);
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << contents;
    }
    void Link(const std::string& rel, const std::string& target) {
        fs::create_symlink(fs::u8path(target), fs::u8path(root_ + rel));
    }
    void Lock(const std::string& rel) {
        locked_.push_back(root_ + rel);
        chmod(locked_.back().c_str(), 0);
    }

  private:
    std::string root_;
    std::vector<std::string> locked_;
};

// The real file system, with the program placed in the tree's root.
class TreeFileSystem : public PortableFileSystem {
  public:
    Path ExecutablePath() override { return exe; }
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        listed.push_back(dir);
        return PortableFileSystem::ListDirectory(dir, out);
    }
    Path exe;
    std::vector<Path> listed;
};

// A fake file system whose listing fails with an error in the given folders.
class FailingFileSystem : public FakeFileSystem {
  public:
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        if (failing.count(dir)) {
            listed.push_back(dir);
            throw std::runtime_error("read error");
        }
        return FakeFileSystem::ListDirectory(dir, out);
    }
    std::set<Path> failing;
};

struct TreeWindow : FakeWindowOn<TreeFileSystem> {
    explicit TreeWindow(const TempTree& tree) { files.exe = tree.root() + "vlakomluv.exe"; }
};

DirEntry F(const std::string& name, bool hidden = false, bool system = false) {
    return DirEntry{name, false, hidden, system};
}
DirEntry D(const std::string& name, bool hidden = false, bool system = false) {
    return DirEntry{name, true, hidden, system};
}

// The search's rules applied with plain POSIX calls to the order in which readdir
// returns the entries: the order the program must keep.
struct Reference {
    std::vector<std::string> matches;  // full paths with "/"
    int folders = 0;
};
void ReferenceWalk(const std::string& dir, const char* mask, Reference& ref) {
    ++ref.folders;
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> subfolders;
    while (const dirent* de = readdir(d)) {
        const std::string name = de->d_name;
        if (name[0] == '.') continue;  // ".", ".." and hidden entries
        struct stat st;
        if (lstat((dir + name).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            subfolders.push_back(name);
        else if ((S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) &&
                 fnmatch(mask, name.c_str(), FNM_CASEFOLD) == 0)
            ref.matches.push_back(dir + name);
    }
    closedir(d);
    for (const std::string& s : subfolders) ReferenceWalk(dir + s + "/", mask, ref);
}

std::vector<std::string> Native(const std::vector<Path>& paths) {
    std::vector<std::string> out;
    for (const Path& p : paths) out.push_back(NativePath(p));
    return out;
}

// Relative to root, with "/", sorted: the set of paths found.
std::vector<std::string> RelativeSet(const std::vector<Path>& paths, const std::string& root) {
    std::vector<std::string> out;
    for (const Path& p : paths) {
        std::string n = NativePath(p);
        EXPECT_EQ(n.compare(0, root.size(), root), 0) << n;
        out.push_back(n.substr(root.size()));
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Depth first with files before subfolders: the matches of every folder's subtree
// form one run, and no file of a folder follows a match in one of its subfolders.
void ExpectDepthFirst(const std::vector<Path>& found) {
    std::vector<std::string> paths = Native(found);
    auto folder_of = [](const std::string& p) { return p.substr(0, p.rfind('/') + 1); };
    std::map<std::string, std::vector<std::size_t>> subtree;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string folder = folder_of(paths[i]);
        for (std::size_t k = folder.find('/'); k != std::string::npos; k = folder.find('/', k + 1))
            subtree[folder.substr(0, k + 1)].push_back(i);
        for (std::size_t j = 0; j < i; ++j) {
            const std::string earlier = folder_of(paths[j]);
            EXPECT_FALSE(earlier.size() > folder.size() && earlier.compare(0, folder.size(), folder) == 0)
                << paths[i] << " comes after " << paths[j] << ", a match in one of its subfolders";
        }
    }
    for (const auto& [folder, indices] : subtree)
        EXPECT_EQ(indices.back() - indices.front() + 1, indices.size())
            << "the matches below " << folder << " are not together";
}

// ---- The search on a real folder tree. ----

TEST(CatalogueSearch, FilesBeforeSubfoldersDepthFirstInFileSystemOrder) {
    TempTree t;
    for (const char* name :
         {"a1.vkm", "a2.vkm", "a3.VKM", "readme.txt", "x.vkmx", "vkm", "a.vkm.bak", "b.vk"})
        t.File(name);
    t.File("sub1/b1.vkm");
    t.File("sub1/deep/c1.vkm");
    t.File("sub1/deep/c2.wav");
    t.File("sub1/deep/deeper/d1.Vkm");
    t.File("sub1/b2.vkm");
    t.File("sub2/e1.vkm");
    t.File("sub2/e2.vkm");
    t.Folder("sub3");
    t.File("sub4/nothing.txt");
    for (int i = 0; i < 20; ++i) t.File("many/m" + std::to_string(i) + ".vkm");

    TreeWindow w(t);
    std::vector<Path> found;
    FindFiles(w.files, t.root(), "*.vkm", found);

    std::vector<std::string> expected = {"a1.vkm",
                                         "a2.vkm",
                                         "a3.VKM",
                                         "sub1/b1.vkm",
                                         "sub1/b2.vkm",
                                         "sub1/deep/c1.vkm",
                                         "sub1/deep/deeper/d1.Vkm",
                                         "sub2/e1.vkm",
                                         "sub2/e2.vkm"};
    for (int i = 0; i < 20; ++i) expected.push_back("many/m" + std::to_string(i) + ".vkm");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(RelativeSet(found, t.root()), expected);

    Reference ref;
    ReferenceWalk(t.root(), "*.vkm", ref);
    EXPECT_EQ(Native(found), ref.matches);
    ExpectDepthFirst(found);

    // Paths are put together Windows fashion: folder, backslash, name.
    EXPECT_NE(std::find(found.begin(), found.end(), t.root() + "sub1\\deep\\c1.vkm"), found.end());
    EXPECT_EQ(static_cast<int>(w.files.listed.size()), ref.folders);
}

TEST(CatalogueSearch, MaskIgnoresCase) {
    TempTree t;
    for (const char* name : {"lower.vkm", "UPPER.VKM", "Mixed.vKm", "x.vkmx", "y.wav"}) t.File(name);
    t.File("sub/inner.vkm");
    TreeWindow w(t);
    std::vector<Path> upper, lower;
    FindFiles(w.files, t.root(), "*.VKM", upper);
    FindFiles(w.files, t.root(), "*.vkm", lower);
    const std::vector<std::string> expected = {"Mixed.vKm", "UPPER.VKM", "lower.vkm", "sub/inner.vkm"};
    EXPECT_EQ(RelativeSet(upper, t.root()), expected);
    EXPECT_EQ(upper, lower);

    std::vector<Path> some;
    FindFiles(w.files, t.root(), "?o*.VKM", some);
    EXPECT_EQ(RelativeSet(some, t.root()), std::vector<std::string>{"lower.vkm"});
}

TEST(CatalogueSearch, HiddenFilesAndFoldersAreLeftOut) {
    TempTree t;
    t.File(".hidden.vkm");
    t.File("seen.vkm");
    t.File(".skryta/in.vkm");
    t.File(".skryta/sub/in2.vkm");
    t.File("visible/v.vkm");
    t.File("visible/.h.vkm");
    t.Folder("empty");
    TreeWindow w(t);
    std::vector<Path> found;
    FindFiles(w.files, t.root(), "*.vkm", found);
    EXPECT_EQ(RelativeSet(found, t.root()), (std::vector<std::string>{"seen.vkm", "visible/v.vkm"}));
    // Hidden folders are not even listed.
    std::vector<Path> listed = w.files.listed;
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<Path>{t.root(), t.root() + "empty\\", t.root() + "visible\\"}));
    EXPECT_EQ(w.files.listed.size(), 3u);
}

TEST(CatalogueSearch, SymbolicLinkCyclesEnd) {
    TempTree t;
    t.File("a.vkm");
    t.File("sub/b.vkm");
    t.Link("loop", ".");
    t.Link("sub/up", "..");
    t.Link("sub/self", "../sub");
    t.Link("sub/elsewhere", "/");
    TreeWindow w(t);
    std::vector<Path> found;
    FindFiles(w.files, t.root(), "*.vkm", found);
    EXPECT_EQ(RelativeSet(found, t.root()), (std::vector<std::string>{"a.vkm", "sub/b.vkm"}));
    EXPECT_EQ(w.files.listed.size(), 2u);
}

// Runs f as a user without rights of its own (nobody) when the tests run as root, who
// reads any folder whatever its permissions; returns what f returned, or "failed".
std::string AsUserWithoutRights(const std::function<std::string()>& f) {
    if (geteuid() != 0) return f();
    int fds[2];
    if (pipe(fds) != 0) return "failed";
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        std::string out = "failed";
        if (setgid(65534) == 0 && setuid(65534) == 0) out = f();
        const ssize_t written = write(fds[1], out.data(), out.size());
        _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return out;
}

TEST(CatalogueSearch, UnreadableFolderInTheMiddleContributesNothing) {
    TempTree t;
    chmod(t.root().c_str(), 0755);  // the tree is open to everyone but the locked folder
    t.File("a.vkm");
    t.File("first/f.vkm");
    t.File("locked/l.vkm");
    t.File("locked/inner/i.vkm");
    t.File("last/z.vkm");
    t.Lock("locked");
    const std::string found = AsUserWithoutRights([&] {
        TreeWindow w(t);
        std::vector<Path> list;
        FindFiles(w.files, t.root(), "*.vkm", list);
        std::string out;
        for (const std::string& rel : RelativeSet(list, t.root())) out += rel + ";";
        return out + std::to_string(w.files.listed.size());
    });
    EXPECT_EQ(found, "a.vkm;first/f.vkm;last/z.vkm;4");  // the locked folder was tried
}

TEST(CatalogueSearch, CzechFolderAndFileNames) {
    TempTree t;
    t.File(u8"Trať Praha–Kolín/Čáslav.vkm", Definition(Utf8ToCp1250(u8"Praha – Kolín")));
    t.File(u8"Trať Praha–Kolín/ŽĎÁR.VKM", Definition(Utf8ToCp1250(u8"Žďár")));
    t.File(u8"Trať Praha–Kolín/řeč.wav");
    t.File(u8"Доро́га/путь.vkm", Definition("Cesta"));
    TreeWindow w(t);
    const std::atomic<bool> never(false);
    std::map<Path, std::string> found;
    for (const FoundLine& line : ScanCatalogue(w.files, t.root(), never)) found[line.file] = line.name;
    EXPECT_EQ(found,
              (std::map<Path, std::string>{{t.root() + u8"Trať Praha–Kolín\\Čáslav.vkm", u8"Praha – Kolín"},
                                           {t.root() + u8"Trať Praha–Kolín\\ŽĎÁR.VKM", u8"Žďár"},
                                           {t.root() + u8"Доро́га\\путь.vkm", "Cesta"}}));
}

// ---- The catalogue built at start-up. ----

TEST(CatalogueScan, OffersNamedDefinitionsInSearchOrder) {
    TempTree t;
    t.File("named.vkm", Definition("Praha - Kolin"));
    t.File("noname.vkm", "[Info]\r\nWAV_odjezd=gong.wav\r\n");
    t.File("emptyname.vkm", "[Info]\r\nName=\r\n");
    t.File("noinfo.vkm", "[Other]\r\nName=X\r\n");
    const char garbage[] = "\x00\xFF\xFE[Info\x00Name=\x01\n\r\x80";
    t.File("garbage.vkm", std::string(garbage, sizeof garbage - 1));
    t.File("utf16.vkm", std::string("\xFF\xFE[\0I\0n\0f\0o\0]\0\n\0N\0a\0m\0e\0=\0", 26));  // a name cut off
    t.File("empty.vkm");
    t.File("dup1/a.vkm", Definition("Same"));
    t.File("dup2/b.vkm", Definition("Same"));
    t.File("folder.vkm/inner.vkm", Definition("Inner"));  // a folder is searched, not read
    t.File("other.ini", Definition("Ini"));
    ASSERT_EQ(mkfifo((t.root() + "pipe.vkm").c_str(), 0600), 0);  // must neither match nor block
    t.Link("dirlink.vkm", "dup1");                                // not followed, has no name

    TreeWindow w(t);
    w.form.ScanDefinitions();

    std::vector<Path> found;
    FindFiles(w.files, t.root(), "*.vkm", found);
    std::map<Path, std::string> named = {{t.root() + "named.vkm", "Praha - Kolin"},
                                         {t.root() + "dup1\\a.vkm", "Same"},
                                         {t.root() + "dup2\\b.vkm", "Same"},
                                         {t.root() + "folder.vkm\\inner.vkm", "Inner"}};
    std::vector<FoundLine> expected;
    for (const Path& p : found)
        if (named.count(p)) expected.push_back(FoundLine{p, named[p]});
    EXPECT_EQ(expected.size(), 4u);
    const std::atomic<bool> never(false);
    EXPECT_EQ(ScanCatalogue(w.files, t.root(), never), expected);
    std::vector<std::string> names;
    for (const FoundLine& line : expected) names.push_back(line.name);
    EXPECT_EQ(w.form.cmbLinkaItems, names);
    EXPECT_EQ(w.form.cmbLinkaItemIndex, -1);
    ASSERT_FALSE(w.files.listed.empty());
    EXPECT_EQ(w.files.listed.front(), t.root());  // the program's folder first
}

TEST(CatalogueScan, ProgramFolderWithoutDefinitionsGivesAnEmptyList) {
    TempTree t;
    t.File("readme.txt", Definition("Not a definition"));
    t.Folder("sounds");
    TreeWindow w(t);
    w.form.ScanDefinitions();
    EXPECT_TRUE(w.form.cmbLinkaItems.empty());
    EXPECT_EQ(w.form.cmbLinkaItemIndex, -1);
    EXPECT_EQ(w.files.listed.size(), 2u);
}

TEST(PortableFiles, ReadsOnlyRegularFiles) {
    TempTree t;
    t.File("a.vkm", "abc");
    t.Folder("dir");
    ASSERT_EQ(mkfifo((t.root() + "pipe").c_str(), 0600), 0);
    PortableFileSystem files;
    EXPECT_EQ(files.ReadFile(t.root() + "a.vkm"), std::optional<std::string>("abc"));
    EXPECT_EQ(files.ReadFile(t.root() + "dir"), std::nullopt);
    EXPECT_EQ(files.ReadFile(t.root() + "pipe"), std::nullopt);
    EXPECT_EQ(files.ReadFile(t.root() + "missing"), std::nullopt);

    std::vector<DirEntry> entries;
    EXPECT_FALSE(files.ListDirectory(t.root() + "missing/", entries));
    EXPECT_FALSE(files.ListDirectory(t.root() + "a.vkm/", entries));
    ASSERT_TRUE(files.ListDirectory(t.root(), entries));
    std::map<std::string, DirEntry> by_name;
    for (const DirEntry& e : entries) by_name[e.name] = e;
    ASSERT_EQ(by_name.size(), 3u);
    EXPECT_FALSE(by_name["a.vkm"].directory);
    EXPECT_TRUE(by_name["dir"].directory);
    EXPECT_TRUE(by_name["pipe"].system);
}

TEST(PortableFiles, ReadsInPiecesUntilToldToStop) {
    TempTree t;
    const std::string big(3 * kFilePiece + 5, 'x');
    t.File("big", big);
    t.File("empty");
    t.Folder("dir");
    ASSERT_EQ(mkfifo((t.root() + "pipe").c_str(), 0600), 0);
    PortableFileSystem files;
    std::vector<std::size_t> sizes;
    std::string all;
    auto keep = [&](std::string_view piece) {
        sizes.push_back(piece.size());
        all.append(piece.data(), piece.size());
        return true;
    };
    EXPECT_TRUE(files.ReadFileInPieces(t.root() + "big", keep));
    EXPECT_EQ(sizes, (std::vector<std::size_t>{kFilePiece, kFilePiece, kFilePiece, 5}));
    EXPECT_EQ(all, big);
    sizes.clear();
    EXPECT_TRUE(files.ReadFileInPieces(t.root() + "big", [&](std::string_view piece) {
        sizes.push_back(piece.size());
        return false;
    }));
    EXPECT_EQ(sizes.size(), 1u);
    sizes.clear();
    EXPECT_TRUE(files.ReadFileInPieces(t.root() + "empty", keep));
    EXPECT_TRUE(sizes.empty());
    for (const char* not_a_file : {"dir", "pipe", "missing"})
        EXPECT_FALSE(files.ReadFileInPieces(t.root() + not_a_file, keep)) << not_a_file;
}

// ---- The search on fakes: failures real folders cannot show. (Hidden and system entries, the
// file system's order and unreadable folders are searched on real folders, here and under Wine.) ----

struct FakeSearchTest : ::testing::Test {
    FakeWindowOn<FailingFileSystem> w;
    void Listing(const Path& dir, std::vector<DirEntry> entries) {
        w.files.directories[dir] = std::move(entries);
    }
    std::vector<Path> Find(const Path& dir) {
        std::vector<Path> found;
        FindFiles(w.files, dir, "*.vkm", found);
        return found;
    }
};

TEST_F(FakeSearchTest, ErrorInsideAFolderEndsThatFolderOnly) {
    Listing("C:\\p\\", {F("a.vkm"), D("A"), D("B"), D("C"), D("E")});
    Listing("C:\\p\\A\\", {F("x.vkm")});
    Listing("C:\\p\\B\\", {F("b.vkm"), D("inner"), D("z")});
    Listing("C:\\p\\B\\inner\\", {F("never.vkm")});
    Listing("C:\\p\\B\\z\\", {F("z.vkm")});
    Listing("C:\\p\\C\\", {F("never.vkm"), D("under")});
    Listing("C:\\p\\C\\under\\", {F("never.vkm")});
    Listing("C:\\p\\E\\", {F("e.vkm")});
    w.files.failing = {"C:\\p\\B\\inner\\", "C:\\p\\C\\"};
    std::vector<Path> found = {"C:\\kept.vkm"};
    FindFiles(w.files, "C:\\p\\", "*.vkm", found);
    EXPECT_EQ(found, (std::vector<Path>{"C:\\kept.vkm", "C:\\p\\a.vkm", "C:\\p\\A\\x.vkm", "C:\\p\\B\\b.vkm",
                                        "C:\\p\\B\\z\\z.vkm", "C:\\p\\E\\e.vkm"}));
    EXPECT_EQ(w.files.listed.size(), 7u);  // p, A, B, inner, z, C, E
}

TEST_F(FakeSearchTest, EmptyFolderNameDoesNothingAndAMissingBackslashIsAdded) {
    std::vector<Path> found = {"C:\\kept.vkm"};
    FindFiles(w.files, "", "*.vkm", found);
    EXPECT_EQ(found, std::vector<Path>{"C:\\kept.vkm"});
    EXPECT_EQ(w.files.listed.size(), 0u);
    EXPECT_TRUE(w.files.listed.empty());

    Listing("C:\\p\\", {F("a.vkm")});
    FindFiles(w.files, "C:\\p", "*.vkm", found);
    EXPECT_EQ(found, (std::vector<Path>{"C:\\kept.vkm", "C:\\p\\a.vkm"}));
    EXPECT_EQ(w.files.listed, std::vector<Path>{"C:\\p\\"});
}

TEST_F(FakeSearchTest, ScanStartsInTheProgramFolderAndSkipsFilesThatCannotBeRead) {
    w.files.exe = "C:\\vlakomluv\\vlakomluv.exe";
    Listing("C:\\vlakomluv\\", {F("gone.vkm"), F("a.vkm"), D("trate"), F("b.vkm")});
    Listing("C:\\vlakomluv\\trate\\", {F("c.vkm")});
    w.files.files["C:\\vlakomluv\\a.vkm"] = Definition("A");
    w.files.files["C:\\vlakomluv\\b.vkm"] = Definition("B");
    w.files.files["C:\\vlakomluv\\trate\\c.vkm"] = Definition("C");
    w.form.ScanDefinitions();
    EXPECT_EQ(w.form.cmbLinkaItems, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(w.FileOfItem(2), "C:\\vlakomluv\\trate\\c.vkm");
    EXPECT_EQ(w.files.listed.size(), 2u);
}

// ---- The search as the window runs it on a worker, and what the form does with its result. ----

struct SearchingFormTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;
    std::atomic<bool> stop{false};
    SearchingFormTest() {
        w.files.exe = "C:\\vlakomluv\\vlakomluv.exe";
        w.files.directories["C:\\vlakomluv\\"] = {F("b.vkm"), D("sub"), F("a.vkm"), F("noname.vkm")};
        w.files.directories["C:\\vlakomluv\\sub\\"] = {F("c.vkm")};
        w.files.files["C:\\vlakomluv\\b.vkm"] = Definition("B");
        w.files.files["C:\\vlakomluv\\a.vkm"] = Definition("A");
        w.files.files["C:\\vlakomluv\\noname.vkm"] = "[Info]\r\n";
        w.files.files["C:\\vlakomluv\\sub\\c.vkm"] = Definition("C");
        w.files.files["D:\\x.vkm"] = Definition("X");
        w.files.files["D:\\noname.vkm"] = "";
    }
    std::vector<FoundLine> Search() { return ScanCatalogue(w.files, f.CatalogueFolder(), stop); }
    // The list shows the names, and Start reads the file of the line chosen.
    void ExpectLines(const std::vector<std::string>& names, const std::vector<Path>& files) {
        EXPECT_EQ(f.cmbLinkaItems, names);
        EXPECT_FALSE(f.Scanning());
        EXPECT_TRUE(f.btnStartEnabled);
        const int selected = f.cmbLinkaItemIndex;
        for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(w.FileOfItem(static_cast<int>(i)), files[i]);
        f.cmbLinkaChange(selected);
    }
    const std::vector<std::string> kNames = {"B", "A", "C"};
    const std::vector<Path> kFiles = {"C:\\vlakomluv\\b.vkm", "C:\\vlakomluv\\a.vkm",
                                      "C:\\vlakomluv\\sub\\c.vkm"};
};

TEST_F(SearchingFormTest, WhileSearchingTheListShowsItAndNothingCanBeStarted) {
    f.FormCreate();
    EXPECT_TRUE(f.Scanning());
    EXPECT_EQ(f.cmbLinkaItems, std::vector<std::string>{u8"Hledám linky…"});
    EXPECT_EQ(f.cmbLinkaItemIndex, -1);
    EXPECT_FALSE(f.btnStartEnabled);
    f.cmbLinkaChange(0);  // the searching item is no line
    EXPECT_EQ(f.cmbLinkaItemIndex, -1);
    f.btnStartClick();
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_TRUE(w.hotkeys.registrations.empty());
    EXPECT_TRUE(w.files.listed.empty()) << "the form leaves the search to the window";

    f.ScanFinished(Search());
    EXPECT_EQ(f.cmbLinkaItemIndex, -1);
    ExpectLines(kNames, kFiles);
    EXPECT_FALSE(w.hotkeys.registrations.empty());

    // The same as the search done at once.
    FakeWindow at_once;
    at_once.files = w.files;
    at_once.form.FormCreate();
    at_once.form.ScanDefinitions();
    EXPECT_EQ(at_once.form.cmbLinkaItems, kNames);
}

TEST_F(SearchingFormTest, LinesAddedMeanwhileComeAfterTheSearchsAndTheLastIsSelected) {
    f.FormCreate();
    w.dialog.answer = Path("D:\\x.vkm");
    f.sbtnOpenFileClick();
    w.dialog.answer = Path("D:\\noname.vkm");  // names no line
    f.sbtnOpenFileClick();
    w.dialog.answer = std::nullopt;
    f.sbtnOpenFileClick();
    EXPECT_EQ(w.dialog.requests.size(), 3u);
    EXPECT_EQ(f.cmbLinkaItems, std::vector<std::string>{kSearchingItem});
    EXPECT_EQ(f.cmbLinkaItemIndex, -1);
    f.ScanFinished(Search());
    ExpectLines({"B", "A", "C", "X"}, {kFiles[0], kFiles[1], kFiles[2], "D:\\x.vkm"});
    EXPECT_EQ(f.cmbLinkaItemIndex, 3);
    f.sbtnOpenFileClick();  // the last file chosen is offered again
    EXPECT_EQ(w.dialog.requests.back().file_name, "D:\\noname.vkm");

    // A cancelled dialog alone selects the last line found, as after the search.
    FakeWindow cancelled;
    cancelled.files = w.files;
    cancelled.form.FormCreate();
    cancelled.form.sbtnOpenFileClick();
    cancelled.form.ScanFinished(ScanCatalogue(cancelled.files, cancelled.form.CatalogueFolder(), stop));
    EXPECT_EQ(cancelled.form.cmbLinkaItems, kNames);
    EXPECT_EQ(cancelled.form.cmbLinkaItemIndex, 2);
}

TEST_F(SearchingFormTest, AResultThatComesWhenNoSearchIsOnIsIgnored) {
    f.FormCreate();
    f.FormDestroy();  // the window started closing
    f.ScanFinished(Search());
    EXPECT_EQ(f.cmbLinkaItems, std::vector<std::string>{kSearchingItem});
    EXPECT_FALSE(f.btnStartEnabled);

    FakeWindow twice;
    twice.files = w.files;
    twice.form.FormCreate();
    twice.form.ScanFinished({FoundLine{"C:\\first.vkm", "First"}});
    twice.form.ScanFinished({FoundLine{"C:\\second.vkm", "Second"}});
    EXPECT_EQ(twice.form.cmbLinkaItems, std::vector<std::string>{"First"});
}

// Sets the stop flag while listing the given folder, as a closing window would.
class StoppingFileSystem : public FakeFileSystem {
  public:
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        if (dir == stop_in && stop) *stop = true;
        return FakeFileSystem::ListDirectory(dir, out);
    }
    Path stop_in;
    std::atomic<bool>* stop = nullptr;
};

TEST(CatalogueSearch, StopsBetweenFoldersAndFilesWhenAsked) {
    FakeWindowOn<StoppingFileSystem> w;
    std::atomic<bool> stop{false};
    w.files.directories["C:\\p\\"] = {F("a.vkm"), D("x"), D("y")};
    w.files.directories["C:\\p\\x\\"] = {F("b.vkm")};
    w.files.directories["C:\\p\\y\\"] = {F("c.vkm")};
    for (const char* file : {"C:\\p\\a.vkm", "C:\\p\\x\\b.vkm", "C:\\p\\y\\c.vkm"})
        w.files.files[file] = Definition("L");
    w.files.stop = &stop;
    w.files.stop_in = "C:\\p\\x\\";
    EXPECT_TRUE(ScanCatalogue(w.files, "C:\\p\\", stop).empty()) << "no file is read once stopped";
    EXPECT_EQ(w.files.listed, (std::vector<Path>{"C:\\p\\", "C:\\p\\x\\"}));
    EXPECT_TRUE(w.files.bytes_handed.empty());
    EXPECT_EQ(DefinitionName(w.files, "C:\\p\\a.vkm", &stop), "");
}

TEST(DefinitionName, ReadsOnlyWhatTheNameNeeds) {
    FakeFileSystem files;
    std::string big = Utf8ToCp1250(u8"[Info]\r\nName=Velká trať\r\n[Hlaseni]\r\n");
    while (big.size() < 4 * kFilePiece) big += "1=odjezd.wav,prijezd.wav\r\n";
    files.files["C:\\big.vkm"] = big;
    EXPECT_EQ(DefinitionName(files, "C:\\big.vkm"), std::string(u8"Velká trať"));
    EXPECT_EQ(files.bytes_handed["C:\\big.vkm"], kFilePiece);
    files.piece_size = 7;
    files.bytes_handed.clear();
    EXPECT_EQ(DefinitionName(files, "C:\\big.vkm"), std::string(u8"Velká trať"));
    EXPECT_LT(files.bytes_handed["C:\\big.vkm"], 70u);
    EXPECT_EQ(DefinitionName(files, "C:\\missing.vkm"), "");
}

// ---- The open-file button. ----

const char kFilter[] = "vlakomluv MSTS (*.vkm)|*.vkm|ini soubory (*.*)|*.ini|všechny soubory (*.*)|*.*";

struct OpenFileTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;
    void Line(const Path& path, const std::string& name) { w.Select(path, Definition(name)); }
};

TEST_F(OpenFileTest, ConfirmedNamedFileIsAddedAndSelected) {
    Line("C:\\vlakomluv\\a.vkm", "A");
    w.files.files["D:\\jine\\trat.ini"] = Definition(Utf8ToCp1250(u8"Jiná trať"));
    w.dialog.answer = "D:\\jine\\trat.ini";
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItems, (std::vector<std::string>{"A", std::string("Jiná trať")}));
    EXPECT_EQ(f.cmbLinkaItemIndex, 1);
    // The same file again is a second entry.
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItems.size(), 3u);
    EXPECT_EQ(f.cmbLinkaItemIndex, 2);
    EXPECT_EQ(w.FileOfItem(2), "D:\\jine\\trat.ini");
    EXPECT_EQ(w.FileOfItem(0), "C:\\vlakomluv\\a.vkm");
}

TEST_F(OpenFileTest, ConfirmedFileWithoutNameAddsNothingAndSelectsTheLastLine) {
    Line("C:\\a.vkm", "A");
    Line("C:\\b.vkm", "B");
    f.cmbLinkaChange(0);
    w.files.files["C:\\noname.vkm"] = "[Info]\r\nWAV_odjezd=gong.wav\r\n";
    w.dialog.answer = "C:\\noname.vkm";
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItems, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(f.cmbLinkaItemIndex, 1);

    // A typed name of a missing file is accepted and adds nothing either.
    f.cmbLinkaChange(0);
    w.dialog.answer = "C:\\typed\\missing.vkm";
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItems.size(), 2u);
    EXPECT_EQ(f.cmbLinkaItemIndex, 1);
}

TEST_F(OpenFileTest, CancelSelectsTheLastLine) {
    Line("C:\\a.vkm", "A");
    Line("C:\\b.vkm", "B");
    Line("C:\\c.vkm", "C");
    f.cmbLinkaChange(0);
    w.dialog.answer = std::nullopt;
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItems.size(), 3u);
    EXPECT_EQ(f.cmbLinkaItemIndex, 2);
}

TEST_F(OpenFileTest, EmptyListSelectsNothing) {
    w.dialog.answer = std::nullopt;
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItemIndex, -1);
    w.files.files["C:\\noname.vkm"] = "[Info]\r\n";
    w.dialog.answer = "C:\\noname.vkm";
    f.sbtnOpenFileClick();
    EXPECT_EQ(f.cmbLinkaItemIndex, -1);
    EXPECT_TRUE(f.cmbLinkaItems.empty());
}

TEST_F(OpenFileTest, DialogSettingsAndTheLastChosenPathOfferedAgain) {
    w.files.exe = "C:\\Program Files\\vlakomluv\\vlakomluv.exe";
    w.files.files["E:\\trate\\x.vkm"] = Definition("X");
    w.dialog.answer = "E:\\trate\\x.vkm";
    f.sbtnOpenFileClick();
    w.dialog.answer = std::nullopt;
    f.sbtnOpenFileClick();  // a cancel forgets nothing
    w.files.files["E:\\jinde\\y.vkm"] = "";
    w.dialog.answer = "E:\\jinde\\y.vkm";  // chosen, even though it names no line
    f.sbtnOpenFileClick();
    f.sbtnOpenFileClick();

    ASSERT_EQ(w.dialog.requests.size(), 4u);
    const std::vector<Path> offered = {"", "E:\\trate\\x.vkm", "E:\\trate\\x.vkm", "E:\\jinde\\y.vkm"};
    for (std::size_t i = 0; i < 4; ++i) {
        const OpenFileRequest& r = w.dialog.requests[i];
        EXPECT_EQ(r.filter, kFilter) << "opening " << i;
        EXPECT_EQ(r.default_ext, "*.vkm") << "opening " << i;
        EXPECT_EQ(r.initial_dir, "C:\\Program Files\\vlakomluv\\") << "opening " << i;
        EXPECT_EQ(r.file_name, offered[i]) << "opening " << i;
    }
    EXPECT_EQ(f.cmbLinkaItems, std::vector<std::string>{"X"});
}

}  // namespace
}  // namespace vkm::testing
