// Best and median of a benchmark's repeated timings, and the clock they are taken with.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace vkm {

struct BenchStats {
    double best, median;
};

// Milliseconds on a steady clock (QueryPerformanceCounter on Windows).
inline double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

inline BenchStats Summarize(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

}  // namespace vkm
