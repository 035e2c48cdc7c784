// File services of a POSIX system, for native builds and tools.
// Backslashes in paths are taken as path separators.
#pragma once

#include "platform/platform.h"

namespace vkm {

class PortableFileSystem : public FileSystem {
  public:
    bool FileExists(const Path& path) override;
    // Only regular files are read: a directory, a pipe or a device gives nothing
    // (and never blocks).
    std::optional<std::string> ReadFile(const Path& path) override;
    bool ReadFileInPieces(const Path& path, const std::function<bool(std::string_view)>& consume) override;
    // One readdir pass in the file system's order. Names beginning with "." count
    // as hidden; pipes, sockets and devices count as system files. A symbolic link
    // is listed as a file, also when it points to a directory, so a scan never
    // follows a link cycle.
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override;
    Path ExecutablePath() override;
    // Against the current folder; "\\" is a separator here as everywhere.
    Path FullPath(const Path& path) override;
    // Device and inode, links followed (stat).
    std::optional<FileIdentity> Identity(const Path& path) override;
};

// Each file written to a temporary name beside it and renamed into place when complete; without
// overwrite, never over a file that is there (renameat2 with RENAME_NOREPLACE, or link and unlink
// where the file system lacks it).
class PortableFileWriter : public FileWriter {
  public:
    Created Create(const Path& path, bool overwrite) override;
    bool MakeFolder(const Path& path) override;
};

// path with every backslash turned into a slash.
std::string NativePath(const Path& path);

}  // namespace vkm
