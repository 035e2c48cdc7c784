// The catalogue of lines: every definition file (*.vkm) in a folder and below it that names a line.
// Portable: it uses the file system only, and runs on a worker thread while the window shows.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "core/file_system.h"

namespace vkm {

// A line the catalogue offers: its definition file and the name that file gives it.
struct FoundLine {
    Path file;
    std::string name;  // UTF-8
    bool operator==(const FoundLine& o) const { return file == o.file && name == o.name; }
};

// Appends to list the path of every file below dir whose name matches mask (without regard to
// case): depth first, a folder's files before its subfolders, each in the file system's order;
// hidden and system entries are left out, and linked folders (listed as files) are not entered.
// A folder that cannot be listed contributes nothing; an error inside a folder ends that folder's
// part only. When stop is set (it is looked at before each folder) the search ends early.
void FindFiles(FileSystem& files, const Path& dir, const std::string& mask, std::vector<Path>& list,
               const std::atomic<bool>* stop = nullptr);

// Every definition file (*.vkm) in folder and below it, found as FindFiles finds them.
std::vector<Path> FindDefinitionFiles(FileSystem& files, const Path& folder);

// The name a definition file gives its line (IniFile(file).ReadValue("Info", "Name", "")),
// reading only as much of the file as that takes; "" when the file cannot be read or stop is set.
std::string DefinitionName(FileSystem& files, const Path& path, const std::atomic<bool>* stop = nullptr);

// The lines below folder: every "*.vkm" file found by FindFiles that names a line, in that order.
// When stop is set (looked at between folders and between files) it ends early with what it has.
std::vector<FoundLine> ScanCatalogue(FileSystem& files, const Path& folder, const std::atomic<bool>& stop);

}  // namespace vkm
