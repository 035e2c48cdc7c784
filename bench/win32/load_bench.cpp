// Times loading a line under Windows (or Wine) against one GetPrivateProfileSectionA call
// that reads the announcements of the same file:
//
//   load_bench.exe [REPS]
//
// For 1,000, 10,000 and 100,000 announcements, best and median of REPS runs (default 7)
// of each, and the ratio of the medians (target for 10,000: at most 2). Every run reads a
// file of its own, written just before, so that the profile API's cache of recently read
// files never answers in place of the file.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "bench/line_file.h"
#include "bench/win32/write_file.h"
#include "core/line.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

int wmain(int argc, wchar_t** argv) {
    const int reps = argc >= 2 ? std::max(1, _wtoi(argv[1])) : 7;
    wchar_t temp[MAX_PATH + 1];
    const std::wstring dir = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"vkm-load-bench-" +
                             std::to_wstring(GetCurrentProcessId()) + L"\\";
    if (!CreateDirectoryW(dir.c_str(), nullptr)) {
        std::fprintf(stderr, "cannot create %ls\n", dir.c_str());
        return 1;
    }
    std::vector<char> section(16 << 20);
    std::vector<std::wstring> written;

    std::printf("%-14s %24s %24s %8s\n", "announcements", "our load (best/median)",
                "GetPrivateProfileSectionA", "ratio");
    int failures = 0;
    for (int count : {1000, 10000, 100000}) {
        const std::string bytes = vkm::LineWithAnnouncements(count);
        std::vector<double> ours, api;
        for (int r = 0; r < reps + 1; ++r) {
            const std::wstring mine =
                dir + L"ours_" + std::to_wstring(count) + L"_" + std::to_wstring(r) + L".vkm";
            const std::wstring theirs =
                dir + L"api_" + std::to_wstring(count) + L"_" + std::to_wstring(r) + L".vkm";
            if (!vkm::WriteWholeFile(mine, bytes) || !vkm::WriteWholeFile(theirs, bytes)) return 1;
            written.push_back(mine);
            written.push_back(theirs);

            // The load of Start: the file read into the line (its sounds as files, its keys parsed).
            vkm::Win32FileSystem files;
            const vkm::Path path = vkm::FromWide(mine);
            double start = vkm::NowMs();
            const vkm::Line line = vkm::ReadLine(vkm::IniFile(files.ReadFile(path).value_or("")), path);
            const double t_ours = vkm::NowMs() - start;

            const std::string ansi_path = vkm::Utf16ToCp1250(vkm::Utf8ToUtf16(vkm::FromWide(theirs)));
            start = vkm::NowMs();
            const DWORD got = GetPrivateProfileSectionA(
                "Hlaseni", section.data(), static_cast<DWORD>(section.size()), ansi_path.c_str());
            const double t_api = vkm::NowMs() - start;

            if (line.announcements.size() != static_cast<std::size_t>(count) || got + 2 >= section.size())
                ++failures;
            if (r == 0) continue;  // the first run warms the caches
            ours.push_back(t_ours);
            api.push_back(t_api);
        }
        const vkm::BenchStats o = vkm::Summarize(ours), a = vkm::Summarize(api);
        std::printf("%-14d %10.2f / %8.2f ms %10.2f / %8.2f ms %8.2f%s\n", count, o.best, o.median, a.best,
                    a.median, o.median / a.median, count == 10000 ? "   (target <= 2)" : "");
    }
    for (const std::wstring& f : written) DeleteFileW(f.c_str());
    RemoveDirectoryW(dir.c_str());
    if (failures) std::fprintf(stderr, "%d runs did not read every announcement\n", failures);
    return failures ? 1 : 0;
}
