// Best and median of a benchmark's repeated timings.
#pragma once

#include <algorithm>
#include <vector>

namespace vkm {

struct BenchStats {
    double best, median;
};

inline BenchStats Summarize(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

}  // namespace vkm
