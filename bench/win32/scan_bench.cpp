// Times the catalogue scan on the Windows file search against a plain two-pass
// FindFirstFileA scan (one search for "*.vkm", one for "*" to find the subfolders)
// on the same tree, with warm caches; and the whole catalogue (the scan and the lines'
// names) against the way it was read before, each definition file whole:
//   scan_bench.exe TREE [REPS]
// TREE is a Windows path (under Wine, for example Z:\tmp\tree).
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "bench/catalogue_before.h"
#include "frm_main/frm_main.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace {

// The search as the ANSI API offers it: names in the ANSI code page, two searches per folder.
void TwoPassScan(const std::string& dir, std::vector<std::string>& list) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*.vkm").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(d.dwFileAttributes &
                  (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
                list.push_back(dir + d.cFileName);
        } while (FindNextFileA(h, &d));
        FindClose(h);
    }
    h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> subfolders;
    do {
        std::string name = d.cFileName;
        // Links are left alone, as the program does, so that a cycle cannot hold the benchmark.
        if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(d.dwFileAttributes &
              (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            name != "." && name != "..")
            subfolders.push_back(name);
    } while (FindNextFileA(h, &d));
    FindClose(h);
    for (const std::string& s : subfolders) TwoPassScan(dir + s + "\\", list);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_bench TREE [REPS]\n");
        return 2;
    }
    std::string tree = vkm::FromWide(argv[1]);
    if (tree.back() != '\\') tree += '\\';
    const int reps = argc >= 3 ? std::max(1, _wtoi(argv[2])) : 7;
    // The ANSI scan gets the tree's path in the ANSI code page.
    std::string ansi_tree(
        static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, argv[1], -1, nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_ACP, 0, argv[1], -1, &ansi_tree[0], static_cast<int>(ansi_tree.size()), nullptr,
                        nullptr);
    ansi_tree.resize(ansi_tree.size() - 1);
    if (ansi_tree.back() != '\\') ansi_tree += '\\';

    vkm::Win32FileSystem files;

    std::size_t ours = 0, plain = 0;
    auto scan = [&] {
        std::vector<vkm::Path> list;
        double start = vkm::NowMs();
        vkm::FindFiles(files, tree, "*.vkm", list);
        double ms = vkm::NowMs() - start;
        ours = list.size();
        return ms;
    };
    auto two_pass = [&] {
        std::vector<std::string> list;
        double start = vkm::NowMs();
        TwoPassScan(ansi_tree, list);
        double ms = vkm::NowMs() - start;
        plain = list.size();
        return ms;
    };

    // The whole catalogue: the scan and the names, read as far as each name (now), or each
    // definition file read whole (as before).
    const std::atomic<bool> never(false);
    std::size_t lines = 0, lines_before = 0;
    auto catalogue = [&] {
        double start = vkm::NowMs();
        lines = vkm::ScanCatalogue(files, tree, never).size();
        return vkm::NowMs() - start;
    };
    auto catalogue_before = [&] {
        double start = vkm::NowMs();
        lines_before = vkm::CountLinesReadingWhole(files, tree);
        return vkm::NowMs() - start;
    };

    scan();  // warm the caches
    two_pass();
    std::vector<double> t_scan, t_plain, t_catalogue, t_before;
    for (int i = 0; i < reps; ++i) {
        t_scan.push_back(scan());
        t_plain.push_back(two_pass());
        t_catalogue.push_back(catalogue());
        t_before.push_back(catalogue_before());
    }
    vkm::BenchStats s = vkm::Summarize(t_scan), p = vkm::Summarize(t_plain);
    vkm::BenchStats c = vkm::Summarize(t_catalogue), b = vkm::Summarize(t_before);
    std::printf("tree: %s (ANSI code page %u)\n", tree.c_str(), GetACP());
    std::printf("matches: FindFiles %zu, two-pass FindFirstFileA %zu\n", ours, plain);
    std::printf("%-38s best %8.1f ms   median %8.1f ms   (%d runs)\n",
                "FindFiles (FindFirstFileExW, one pass)", s.best, s.median, reps);
    std::printf("%-38s best %8.1f ms   median %8.1f ms\n", "two-pass FindFirstFileA", p.best, p.median);
    std::printf("ratio FindFiles / two-pass: best %.2f   median %.2f\n", s.best / p.best,
                s.median / p.median);
    std::printf("%-38s best %8.1f ms   median %8.1f ms   (%zu lines)\n",
                "ScanCatalogue (names read in pieces)", c.best, c.median, lines);
    std::printf("%-38s best %8.1f ms   median %8.1f ms   (%zu lines)\n", "as before (each file read whole)",
                b.best, b.median, lines_before);
    return 0;
}
