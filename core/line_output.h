// What the line check writes (a render, a mended copy) and the guard that keeps it off every file
// the line reads.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_source.h"
#include "core/file_system.h"

namespace vkm {

// The first of outputs that is a file the line reads (inputs; all full paths): one of them by its
// path as Windows compares paths (FoldedPath), or, for an output that exists, by its identity
// (FileSystem::Identity: a link or a hard link to one, or a path through a folder that is a link
// or a junction). None when no output is one.
std::optional<Path> OutputOntoInput(FileSystem& files, const std::vector<Path>& outputs,
                                    const std::vector<Path>& inputs);

// What the line check says when it refuses such an output (shown as the system writes it).
std::string OntoInputText(const std::string& shown);

// Writes the file at path (a full path) through writer: fill writes its bytes to a temporary file
// beside path, which is put at path only once fill has succeeded, over a file already there only
// with overwrite. Returns "" when the file was written, else why not in Czech: the system's reason,
// or fill_failed when fill failed without the file failing.
std::string WriteWhole(FileWriter& writer, const Path& path, bool overwrite,
                       const std::function<bool(ByteSink&)>& fill, const std::string& fill_failed);

// Makes each folder on the way to relative below folder (which is there), as needed.
void MakeFoldersBelow(FileWriter& writer, const Path& folder, const Path& relative);

}  // namespace vkm
