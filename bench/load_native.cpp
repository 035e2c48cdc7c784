// Times loading a line (Start: the definition file read and parsed, the announcements and
// user keys listed) against the number of announcements, natively:
//
//   load_native [REPS]
//
// Then Start and one press with values and key strings far beyond what lines hold (an
// announcement and a description of 10 MB, 64 KB of keys), at an eighth, a quarter, a half
// and the full size, with the growth (8 for time in proportion to the size).
//
// For 1,000, 10,000 and 100,000 announcements, best and median of REPS loads (default 7)
// of a file written to the temporary folder, and the growth from 1,000 to 100,000
// (100 for a load that takes time in proportion to the line; target: 100,000 in under
// one second).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "bench/line_file.h"
#include "core/line.h"
#include "platform/portable/portable_files.h"
#include "tests/fakes/fakes.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int reps = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path dir = fs::temp_directory_path() / ("vkm-load-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);

    std::printf("%-14s %12s %12s %16s\n", "announcements", "best", "median", "per announcement");
    vkm::BenchStats first{}, last{};
    for (int count : {1000, 10000, 100000}) {
        const fs::path file = dir / ("line_" + std::to_string(count) + ".vkm");
        std::ofstream(file, std::ios::binary) << vkm::LineWithAnnouncements(count);

        vkm::testing::FakeWindowOn<vkm::PortableFileSystem> w;
        w.form.AddDefinition(file.string());
        w.form.cmbLinkaChange(0);
        std::vector<double> ms;
        for (int r = 0; r < reps + 1; ++r) {
            const auto start = Clock::now();
            w.form.btnStartClick();  // the line read and its keys bound (on fakes)
            const double t = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (r > 0) ms.push_back(t);  // the first run warms the caches
        }
        vkm::PortableFileSystem files;
        const std::size_t loaded =
            vkm::ReadLine(vkm::IniFile(files.ReadFile(file.string()).value_or("")), file.string())
                .announcements.size();
        if (loaded != static_cast<std::size_t>(count)) {
            std::fprintf(stderr, "loaded %zu announcements, not %d\n", loaded, count);
            return 1;
        }
        const vkm::BenchStats s = vkm::Summarize(ms);
        std::printf("%-14d %9.2f ms %9.2f ms %13.2f us\n", count, s.best, s.median,
                    1000.0 * s.median / count);
        if (count == 1000) first = s;
        last = s;
    }
    std::printf("growth 1,000 -> 100,000 announcements: best %.0f x, median %.0f x (100 x is linear)\n",
                last.best / first.best, last.median / first.median);
    std::printf("100,000 announcements load in %.0f ms (median; target < 1000 ms)\n", last.median);

    // Values and key strings far beyond what lines hold: Start (load and bind) and one press,
    // for a tenth and for the whole size; linear growth is 10 x.
    std::printf("\n%-30s %10s %10s %10s %10s %8s\n", "Start and one press", "1/8 size", "1/4 size",
                "1/2 size", "full size", "growth");
    struct Big {
        const char* what;
        std::string (*line)(std::size_t bytes);
        std::size_t bytes;
    } bigs[] = {
        {"an announcement of 10 MB",
         [](std::size_t n) {
             std::string sounds;
             while (sounds.size() < n) sounds += "zvuk.wav,";
             return "[Info]\r\nName=Big\r\n[Hlaseni]\r\n1=" + sounds + "\r\n";
         },
         10u << 20},
        {"a description of 10 MB",
         [](std::size_t n) {
             return "[Info]\r\nName=Big\r\n[Uzivatelske_klavesy]\r\nu=ALT+B;u.wav;" + std::string(n, 'd') +
                    "\r\n";
         },
         10u << 20},
        {"64 KB of arrival keys",
         [](std::size_t n) {
             std::string keys;
             for (std::size_t i = 0; keys.size() < n; ++i) keys += static_cast<char>('A' + i % 26);
             return "[Info]\r\nName=Big\r\nKlavesy_prijezd=" + keys + "\r\n[Hlaseni]\r\n1=a.wav\r\n";
         },
         64u << 10},
    };
    for (const Big& big : bigs) {
        std::printf("%-30s", big.what);
        double medians[4] = {0, 0, 0, 0};
        for (int k = 0; k < 4; ++k) {
            const fs::path file = dir / "big.vkm";
            std::ofstream(file, std::ios::binary) << big.line(big.bytes >> (3 - k));
            std::vector<double> ms;
            for (int r = 0; r < 5; ++r) {
                vkm::testing::FakeWindowOn<vkm::PortableFileSystem> w;
                w.form.AddDefinition(file.string());
                w.form.cmbLinkaChange(0);
                const auto start = Clock::now();
                w.form.btnStartClick();
                w.form.btnPlayClick();
                w.form.WMHotKey(vkm::kUserIdBase);  // the user key, where the line has one
                ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }
            medians[k] = vkm::Summarize(ms).median;
            std::printf(" %7.1f ms", medians[k]);
        }
        std::printf(" %7.1f x\n", medians[3] / medians[0]);
    }
    std::printf("(growth from 1/8 to the full size: 8 x is linear)\n");
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
