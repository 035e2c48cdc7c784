// The line check for authors, as a console program: vkmcheck on Windows and on
// Linux alike, around the program's own reading of definition files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/announcement.h"
#include "core/file_system.h"

namespace vkm {

// Runs the check for the command-line arguments (UTF-8): definition files and
// folders (searched as the program searches its own folder), or --klavesy for the
// table of key characters. Writes its Czech report through print; returns the exit
// code: 0 no fault, 1 a line has faults, 2 a file cannot be read (or bad use).
// show_path writes a path as the system writes it.
int RunLineCheck(const std::vector<std::string>& args, FileSystem& files, SoundSources& sounds,
                 const std::function<void(const std::string&)>& print,
                 const std::function<std::string(const Path&)>& show_path = {});

}  // namespace vkm
