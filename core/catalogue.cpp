#include "core/catalogue.h"

#include <exception>
#include <string_view>
#include <utility>

#include "core/definition_keys.h"
#include "core/ini_value_reader.h"
#include "core/wildcard.h"

namespace vkm {

namespace {

// Neither a match nor searched: hidden and system entries.
bool IsLeftOut(const DirEntry& e) {
    return e.hidden || e.system;
}

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

// One folder and, depth first, its subfolders. A single listing serves both the
// folder's matching files and its subfolders. An error while a folder is processed
// ends that folder's part only; what has been appended stays.
void SearchFolder(FileSystem& files, Path dir, const WildcardMask& mask, std::vector<Path>& list,
                  const std::atomic<bool>* stop) {
    try {
        if (Stopped(stop)) return;
        if (!EndsWithPathDelimiter(dir)) dir += '\\';
        std::vector<DirEntry> entries;
        if (!files.ListDirectory(dir, entries)) return;
        for (const DirEntry& e : entries)
            if (!e.directory && !IsLeftOut(e) && mask.Matches(e.name)) list.push_back(dir + e.name);
        for (const DirEntry& e : entries)
            if (e.directory && !IsLeftOut(e) && !IsDotEntry(e.name))
                SearchFolder(files, dir + e.name, mask, list, stop);
    } catch (const std::exception&) {
        // This folder's part of the search ends here; the caller goes on.
    }
}

}  // namespace

std::vector<Path> FindDefinitionFiles(FileSystem& files, const Path& folder) {
    std::vector<Path> found;
    FindFiles(files, folder, "*.vkm", found);
    return found;
}

void FindFiles(FileSystem& files, const Path& dir, const std::string& mask, std::vector<Path>& list,
               const std::atomic<bool>* stop) {
    if (dir.empty()) return;
    SearchFolder(files, dir, WildcardMask(mask), list, stop);
}

std::string DefinitionName(FileSystem& files, const Path& path, const std::atomic<bool>* stop) {
    try {
        IniValueReader name(kInfoSection, kNameKey);
        const bool read = files.ReadFileInPieces(
            path, [&name, stop](std::string_view piece) { return !Stopped(stop) && name.Feed(piece); });
        if (!read || Stopped(stop)) return std::string();
        return name.Value();
    } catch (const std::exception&) {
        return std::string();  // a file that cannot be read names no line
    }
}

std::vector<FoundLine> ScanCatalogue(FileSystem& files, const Path& folder, const std::atomic<bool>& stop) {
    std::vector<Path> found;
    FindFiles(files, folder, "*.vkm", found, &stop);
    std::vector<FoundLine> lines;
    for (const Path& path : found) {
        if (Stopped(&stop)) break;
        std::string name = DefinitionName(files, path, &stop);
        if (!name.empty()) lines.push_back(FoundLine{path, std::move(name)});
    }
    return lines;
}

}  // namespace vkm
