// The files the tools write (the program itself writes nothing), on Windows.
#pragma once

#include "core/file_system.h"

namespace vkm {

// Each file written to a temporary name beside it and moved into place when complete
// (MoveFileExW; without overwrite, never over a file that is there).
class Win32FileWriter : public FileWriter {
  public:
    Created Create(const Path& path, bool overwrite) override;
    bool MakeFolder(const Path& path) override;
};

}  // namespace vkm
