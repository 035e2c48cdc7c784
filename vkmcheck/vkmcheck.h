// The line check for authors, as a console program: vkmcheck on Windows and on
// Linux alike, around the program's own reading of definition files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/announcement.h"
#include "core/file_system.h"
#include "core/simulator_keys.h"
#include "platform/platform.h"

namespace vkm {

// Runs the check for the command-line arguments (UTF-8): definition files and
// folders (searched as the program searches its own folder), with their sounds
// measured unless --bez-rozboru; or --klavesy for the table of key characters; or,
// for one definition file, --wav N OUT.wav (announcement N as the program plays it),
// --wav-all FOLDER (every announcement) or --uprav FOLDER (a mended copy of the line,
// with --frekvence, --hlasitost, --okraj), written through writer (each file renamed into
// place when whole, the copy's definition file last), existing files overwritten only
// with --prepsat and never a file the line reads, by path or by identity. Every path is
// made full first (files.FullPath). Writes its Czech report through print; returns the
// exit code: 0 no fault, 1 a line has faults, 2 a file cannot be read or written (or
// bad use). show_path writes a path as the system writes it; the line's keys are compared with
// the simulator's in the keyboard layout given.
int RunLineCheck(const std::vector<std::string>& args, FileSystem& files, SoundSources& sounds,
                 FileWriter& writer, const std::function<void(const std::string&)>& print,
                 const std::function<std::string(const Path&)>& show_path = {},
                 const KeyboardLayout& keyboard = UsKeyboardLayout());

}  // namespace vkm
