// The catalogue as it was made before the scan read each definition file only as
// far as its name: every file found read whole. The benchmarks time it beside the
// scan of today.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/ini.h"
#include "frm_main/frm_main.h"

namespace vkm {

// The number of definition files below tree that name a line.
inline std::size_t CountLinesReadingWhole(FileSystem& files, const Path& tree) {
    std::vector<Path> list;
    FindFiles(files, tree, "*.vkm", list);
    std::size_t lines = 0;
    for (const Path& path : list)
        if (const std::optional<std::string> bytes = files.ReadFile(path))
            lines += !IniFile(*bytes).ReadValue("Info", "Name", "").empty();
    return lines;
}

}  // namespace vkm
