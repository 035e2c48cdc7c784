// Times the catalogue scan of a large folder tree against `find TREE -name '*.vkm'`
// on the same tree, in the same run, with warm caches.
//
//   scan_native                  generate a tree in a temporary folder, time, remove it
//   scan_native TREE [REPS]      time on an existing tree
//   scan_native --make-tree DIR  only generate the tree into DIR (must not exist)
//   scan_native --memory DIR     the peak memory of one catalogue scan of DIR, and of reading
//                                each definition file whole instead, as the scan did before
//
// The generated tree has about 100,000 files in 10,000 folders, a few hundred of
// them definition files, plus a few hidden folders and decoys ("x.vkmx").
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "bench/catalogue_before.h"
#include "frm_main/frm_main.h"
#include "platform/portable/portable_files.h"

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// A small deterministic generator, so that every run builds the same tree.
struct Random {
    unsigned long long s = 0x9E3779B97F4A7C15ull;
    unsigned Next(unsigned n) {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<unsigned>(s % n);
    }
};

std::string Name(Random& r, std::size_t min_len, std::size_t max_len) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-";
    std::size_t len = min_len + r.Next(static_cast<unsigned>(max_len - min_len + 1));
    std::string s;
    for (std::size_t i = 0; i < len; ++i) s += kChars[r.Next(sizeof(kChars) - 1)];
    return s;
}

struct TreeCounts {
    int folders = 0, files = 0, definitions = 0;
};

void Touch(const fs::path& p, const std::string& contents = std::string()) {
    std::ofstream out(p, std::ios::binary);
    out << contents;
}

TreeCounts MakeTree(const fs::path& root) {
    const int kFolders = 10000, kFiles = 100000, kDefinitions = 300;
    static const char* kExt[] = {".s", ".ace", ".wav", ".sd", ".t", ".w", ".dat", ".sms", ".eng", ".wag"};
    static const char* kFolderNames[] = {"SHAPES", "TEXTURES", "SOUND",  "TILES",
                                         "WORLD",  "TRAINSET", "CABVIEW"};
    Random r;
    TreeCounts c;
    struct Folder {
        fs::path path;
        int depth;
    };
    std::vector<Folder> folders{{root, 0}};
    fs::create_directories(root);
    c.folders = 1;
    while (static_cast<int>(folders.size()) < kFolders) {
        const Folder& parent = folders[r.Next(static_cast<unsigned>(folders.size()))];
        if (parent.depth >= 8) continue;
        std::string name =
            r.Next(4) == 0 ? std::string(kFolderNames[r.Next(7)]) + "_" + Name(r, 1, 4) : Name(r, 3, 18);
        if (r.Next(60) == 0) name = u8"Trať_" + name;
        if (r.Next(500) == 0) name = "." + name;  // hidden: left out by the scan, not by find
        fs::path p = parent.path / fs::u8path(name);
        int depth = parent.depth + 1;
        if (!fs::create_directory(p)) continue;  // the name was taken
        folders.push_back({p, depth});
        ++c.folders;
    }
    for (int i = 0; i < kFiles - kDefinitions; ++i) {
        const Folder& f = folders[r.Next(static_cast<unsigned>(folders.size()))];
        std::string name = Name(r, 4, 22) + (r.Next(1000) == 0 ? ".vkmx" : kExt[r.Next(10)]);
        Touch(f.path / name);
        ++c.files;
    }
    for (int i = 0; i < kDefinitions; ++i) {
        const Folder& f = folders[r.Next(static_cast<unsigned>(folders.size()))];
        std::string name = "line_" + std::to_string(i) + (i % 10 == 0 ? ".VKM" : ".vkm");
        Touch(f.path / name, "[Info]\r\nName=Line " + std::to_string(i) + "\r\n[Hlaseni]\r\n1=a.wav\r\n");
        ++c.files;
        ++c.definitions;
    }
    return c;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs `find TREE -name '*.vkm'` with its output thrown away; the time includes
// starting the process (about a millisecond).
double TimeFind(const std::string& tree) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"find", tree.c_str(), "-name", "*.vkm", nullptr};
    auto start = Clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::perror("find");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto end = Clock::now();
    posix_spawn_file_actions_destroy(&actions);
    return Ms(end - start);
}

int CountFindMatches(const std::string& tree) {
    std::string cmd = "find '" + tree + "' -name '*.vkm' | wc -l";
    FILE* p = popen(cmd.c_str(), "r");
    int n = -1;
    if (p) {
        if (std::fscanf(p, "%d", &n) != 1) n = -1;
        pclose(p);
    }
    return n;
}

// The program's folder is the tree's root.
class TreeFileSystem : public vkm::PortableFileSystem {
  public:
    explicit TreeFileSystem(std::string root) : root_(std::move(root)) {}
    vkm::Path ExecutablePath() override { return root_ + "vlakomluv.exe"; }
    bool ListDirectory(const vkm::Path& dir, std::vector<vkm::DirEntry>& out) override {
        ++folders;
        return PortableFileSystem::ListDirectory(dir, out);
    }
    int folders = 0;

  private:
    std::string root_;
};

// The process's peak resident memory so far (VmHWM), in MB.
double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return -1;
}

int Memory(std::string dir) {
    if (dir.back() != '/') dir += '/';
    TreeFileSystem files(dir);
    const std::atomic<bool> never(false);
    const double start = PeakMb();
    const std::size_t lines = vkm::ScanCatalogue(files, dir, never).size();
    const double scan = PeakMb();
    std::printf("ScanCatalogue of %s: %zu lines, peak memory %.1f MB (%.1f MB at the start: +%.1f MB)\n",
                dir.c_str(), lines, scan, start, scan - start);
    const std::size_t named = vkm::CountLinesReadingWhole(files, dir);
    const double whole = PeakMb();
    std::printf(
        "each definition file read whole instead (as before): %zu lines, peak memory %.1f MB (+%.1f MB)\n",
        named, whole, whole - start);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--memory") return Memory(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--make-tree") {
        if (fs::exists(argv[2])) {
            std::fprintf(stderr, "%s exists already\n", argv[2]);
            return 2;
        }
        TreeCounts c = MakeTree(argv[2]);
        std::printf("tree %s: %d folders, %d files, %d definition files\n", argv[2], c.folders, c.files,
                    c.definitions);
        return 0;
    }
    std::string tree;
    bool generated = false;
    int reps = 7;
    if (argc >= 2) {
        tree = argv[1];
        if (argc >= 3) reps = std::max(1, std::atoi(argv[2]));
    } else {
        tree = (fs::temp_directory_path() / ("vkm-scan-tree-" + std::to_string(getpid()))).string();
        std::printf("generating %s ...\n", tree.c_str());
        std::fflush(stdout);
        TreeCounts c = MakeTree(tree);
        std::printf("%d folders, %d files, %d definition files\n", c.folders, c.files, c.definitions);
        generated = true;
    }
    if (tree.back() != '/') tree += '/';

    TreeFileSystem files(tree);
    const std::atomic<bool> never(false);

    std::size_t found = 0;
    auto scan = [&] {
        std::vector<vkm::Path> list;
        auto start = Clock::now();
        vkm::FindFiles(files, tree, "*.vkm", list);
        auto end = Clock::now();
        found = list.size();
        return Ms(end - start);
    };
    std::size_t lines = 0, lines_before = 0;
    auto catalogue = [&] {
        auto start = Clock::now();
        lines = vkm::ScanCatalogue(files, tree, never).size();
        return Ms(Clock::now() - start);
    };
    auto catalogue_before = [&] {
        auto start = Clock::now();
        lines_before = vkm::CountLinesReadingWhole(files, tree);
        return Ms(Clock::now() - start);
    };

    // Warm the caches once, then alternate so that both see the same conditions.
    scan();
    TimeFind(tree);
    files.folders = 0;
    std::vector<double> t_scan, t_find, t_catalogue, t_before;
    for (int i = 0; i < reps; ++i) {
        t_scan.push_back(scan());
        t_find.push_back(TimeFind(tree));
        t_catalogue.push_back(catalogue());
        t_before.push_back(catalogue_before());
    }
    const int folders_visited = files.folders / (3 * reps);
    vkm::BenchStats s = vkm::Summarize(t_scan), f = vkm::Summarize(t_find), c = vkm::Summarize(t_catalogue);
    vkm::BenchStats b = vkm::Summarize(t_before);

    std::printf("tree: %s (%d folders searched)\n", tree.c_str(), folders_visited);
    std::printf("matches: scan %zu, find %d (find -name minds case and looks into hidden folders)\n", found,
                CountFindMatches(tree));
    std::printf("%-36s best %8.1f ms   median %8.1f ms   (%d runs)\n", "FindFiles (portable)", s.best,
                s.median, reps);
    std::printf("%-36s best %8.1f ms   median %8.1f ms\n", "find TREE -name '*.vkm'", f.best, f.median);
    std::printf("%-36s best %8.1f ms   median %8.1f ms   (%zu lines)\n", "ScanCatalogue (scan + read names)",
                c.best, c.median, lines);
    std::printf("%-36s best %8.1f ms   median %8.1f ms   (%zu lines)\n", "as before (each file read whole)",
                b.best, b.median, lines_before);
    std::printf("ratio FindFiles / find: best %.2f   median %.2f   (target <= 1.5)\n", s.best / f.best,
                s.median / f.median);

    if (generated) {
        std::error_code ec;
        fs::remove_all(tree, ec);
    }
    return 0;
}
