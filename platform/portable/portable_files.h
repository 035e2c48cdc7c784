// File services on the C++ standard library, for native builds and tools.
// Backslashes in paths are taken as path separators.
#pragma once

#include "platform/platform.h"

namespace vkm {

class PortableFileSystem : public FileSystem {
public:
    bool FileExists(const Path& path) override;
    std::optional<std::string> ReadFile(const Path& path) override;
    // Names beginning with "." count as hidden. A symbolic link to a directory is
    // listed as a file, so a scan never follows a link cycle.
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override;
    Path ExecutablePath() override;
};

// path with every backslash turned into a slash.
std::string NativePath(const Path& path);

}  // namespace vkm
