// The file system as the program's logic reads it (the catalogue, the line check); the platform
// implements it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/path.h"

namespace vkm {

// The size of the pieces FileSystem::ReadFileInPieces hands out.
constexpr std::size_t kFilePiece = 64 * 1024;

struct DirEntry {
    std::string name;  // UTF-8
    bool directory = false;
    bool hidden = false;
    bool system = false;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // True when a file (not a directory) exists at path.
    virtual bool FileExists(const Path& path) = 0;
    // The whole file, or nothing when it cannot be read.
    virtual std::optional<std::string> ReadFile(const Path& path) = 0;
    // Reads the file from its start in pieces of kFilePiece bytes (the last one shorter, none for an
    // empty file), handing each to consume until consume returns false or the file ends. False when
    // the file cannot be opened or a read fails before consume asked to stop.
    virtual bool ReadFileInPieces(const Path& path, const std::function<bool(std::string_view)>& consume) = 0;
    // The entries of dir in the file system's order, without "." and "..";
    // false when dir cannot be read. dir ends with a path delimiter.
    virtual bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) = 0;
    // The full path of the running executable.
    virtual Path ExecutablePath() = 0;
    // path made absolute as the system makes it (a relative path against the current folder), so
    // that what is resolved against it agrees with the program, which always has full paths.
    // Here: path as it is, for file systems that have only full paths.
    virtual Path FullPath(const Path& path) { return path; }
};

}  // namespace vkm
