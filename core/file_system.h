// The file system as the program's logic reads it (the catalogue, the line check), and the files
// the line check writes; the platform implements both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_source.h"
#include "core/path.h"

namespace vkm {

// The size of the pieces FileSystem::ReadFileInPieces hands out.
constexpr std::size_t kFilePiece = 64 * 1024;

// What tells one file from every other while it exists, whatever path leads to it: natively the
// device and the inode, on Windows the volume's serial number and the file's index.
struct FileIdentity {
    std::uint64_t volume = 0, index = 0;
    bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
    bool operator!=(const FileIdentity& o) const { return !(*this == o); }
    bool operator<(const FileIdentity& o) const {
        return volume < o.volume || (volume == o.volume && index < o.index);
    }
};

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
    // The identity of the file or folder at path, every link and junction on the way followed;
    // none when nothing is there or it cannot be opened. Here: none, for file systems without links,
    // whose files are told apart by their paths alone.
    virtual std::optional<FileIdentity> Identity(const Path&) { return std::nullopt; }
};

// Why a file could not be written, as the system said it.
struct WriteError {
    enum class Kind { kNone, kDiskFull, kAccessDenied, kReadOnly, kExists, kOther };
    Kind kind = Kind::kNone;
    long code = 0;  // the system's own number for it (errno, GetLastError)

    explicit operator bool() const { return kind != Kind::kNone; }
};

// The reason in Czech, for the end of a sentence about the file: "na disku není místo".
std::string WriteErrorText(const WriteError& error);

// A file of the line check being written. Its bytes go to a temporary file beside its path, named
// so that it is neither a sound nor a definition file (TemporaryPathBeside); Commit puts the file,
// whole, at its path. One that is not committed is removed when it goes, so that a run that fails
// or is cut short leaves no file that looks finished (a run killed leaves the temporary one).
class OutputFile : public ByteSink {
  public:
    // Puts the file at its path: over a file already there only when the writer was asked to
    // overwrite (then a link there is replaced, not what it leads to). False when it cannot.
    virtual bool Commit() = 0;
    // Why the last write or the commit failed.
    virtual WriteError error() const = 0;
};

// Files written by the tools (the program itself writes nothing).
class FileWriter {
  public:
    struct Created {
        std::unique_ptr<OutputFile> file;  // nullptr when it cannot be made
        WriteError error;
    };
    virtual ~FileWriter() = default;
    // A new file for path (a full path). Unless overwrite, one that exists already is refused
    // (kExists) now and again when the file is committed.
    virtual Created Create(const Path& path, bool overwrite) = 0;
    // Makes the folder (its parents must exist) unless it is there; false when it cannot.
    virtual bool MakeFolder(const Path& path) = 0;
};

// The temporary file beside path that the n-th try of process number process writes:
// "vkmcheck-PROCESS-N.tmp" in path's folder.
Path TemporaryPathBeside(const Path& path, unsigned long process, unsigned n);

}  // namespace vkm
