#include "platform/portable/portable_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace vkm {

namespace {

struct Fd {
    int fd;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

struct Dir {
    DIR* d;
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    ~Dir() {
        if (d) closedir(d);
    }
};

bool IsDotEntry(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

}  // namespace

std::string NativePath(const Path& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

bool PortableFileSystem::FileExists(const Path& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::u8path(NativePath(path)), ec);
}

std::optional<std::string> PortableFileSystem::ReadFile(const Path& path) {
    std::string bytes;
    const bool read = ReadFileInPieces(path, [&bytes](std::string_view piece) {
        bytes.append(piece.data(), piece.size());
        return true;
    });
    if (!read) return std::nullopt;
    return bytes;
}

bool PortableFileSystem::ReadFileInPieces(const Path& path,
                                          const std::function<bool(std::string_view)>& consume) {
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    Fd f{open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (f.fd < 0) return false;
    struct stat st;
    if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::unique_ptr<char[]> piece(new char[kFilePiece]);
    for (;;) {
        std::size_t got = 0;
        while (got < kFilePiece) {
            const ssize_t n = read(f.fd, piece.get() + got, kFilePiece - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        if (got > 0 && !consume(std::string_view(piece.get(), got))) return true;
        if (got < kFilePiece) return true;
    }
}

bool PortableFileSystem::ListDirectory(const Path& dir, std::vector<DirEntry>& out) {
    Dir d{opendir(NativePath(dir).c_str())};
    if (!d.d) return false;
    for (;;) {
        errno = 0;
        const dirent* de = readdir(d.d);
        if (!de) return errno == 0;
        const char* name = de->d_name;
        if (IsDotEntry(name)) continue;
        unsigned char type = de->d_type;
        if (type == DT_UNKNOWN) {  // file systems that do not give the type in the listing
            struct stat st;
            if (fstatat(dirfd(d.d), name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
                type = S_ISDIR(st.st_mode)   ? DT_DIR
                       : S_ISREG(st.st_mode) ? DT_REG
                       : S_ISLNK(st.st_mode) ? DT_LNK
                                             : DT_FIFO;
            }
        }
        DirEntry e;
        e.name = name;
        e.directory = type == DT_DIR;
        e.hidden = name[0] == '.';
        e.system = type == DT_FIFO || type == DT_SOCK || type == DT_CHR || type == DT_BLK;
        out.push_back(std::move(e));
    }
}

namespace {

WriteError FromErrno(int e) {
    using Kind = WriteError::Kind;
    switch (e) {
        case ENOSPC:
        case EDQUOT:
            return {Kind::kDiskFull, e};
        case EACCES:
        case EPERM:
            return {Kind::kAccessDenied, e};
        case EROFS:
            return {Kind::kReadOnly, e};
        case EEXIST:
            return {Kind::kExists, e};
        default:
            return {Kind::kOther, e};
    }
}

// Puts temp at target: over what is there only when overwrite. errno tells why not.
bool PutInPlace(const char* temp, const char* target, bool overwrite) {
    if (overwrite) return rename(temp, target) == 0;
    if (renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
    // A file system that cannot rename without replacing: a second name, then the first one goes.
    if (link(temp, target) != 0) return false;
    unlink(temp);
    return true;
}

class FdOutputFile : public OutputFile {
  public:
    FdOutputFile(int fd, std::string temp, std::string target, bool overwrite)
        : fd_{fd}, temp_(std::move(temp)), target_(std::move(target)), overwrite_(overwrite) {}
    ~FdOutputFile() override {
        if (!committed_) unlink(temp_.c_str());
    }
    bool Write(const void* data, std::size_t n) override { return WriteAll(data, n, -1); }
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
        return WriteAll(data, n, static_cast<off_t>(offset));
    }
    bool Commit() override {
        if (error_ || fd_.fd < 0) return false;
        const int fd = std::exchange(fd_.fd, -1);
        if (close(fd) != 0 || !PutInPlace(temp_.c_str(), target_.c_str(), overwrite_)) {
            error_ = FromErrno(errno);
            return false;
        }
        committed_ = true;
        return true;
    }
    WriteError error() const override { return error_; }

  private:
    // At offset, or at the end of what was written when offset is -1.
    bool WriteAll(const void* data, std::size_t n, off_t offset) {
        const char* p = static_cast<const char*>(data);
        while (n > 0 && !error_) {
            const ssize_t done = offset < 0 ? write(fd_.fd, p, n) : pwrite(fd_.fd, p, n, offset);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) error_ = FromErrno(done < 0 ? errno : ENOSPC);
            if (done <= 0) return false;
            p += done;
            n -= static_cast<std::size_t>(done);
            if (offset >= 0) offset += done;
        }
        return !error_;
    }
    Fd fd_;
    std::string temp_, target_;
    bool overwrite_, committed_ = false;
    WriteError error_;
};

}  // namespace

FileWriter::Created PortableFileWriter::Create(const Path& path, bool overwrite) {
    const std::string target = NativePath(path);
    struct stat st;
    if (!overwrite && lstat(target.c_str(), &st) == 0) return {nullptr, FromErrno(EEXIST)};
    for (unsigned n = 1;; ++n) {
        const std::string temp =
            NativePath(TemporaryPathBeside(path, static_cast<unsigned long>(getpid()), n));
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) return {std::make_unique<FdOutputFile>(fd, temp, target, overwrite), {}};
        if (errno != EEXIST || n == 100) return {nullptr, FromErrno(errno)};
    }
}

std::optional<FileIdentity> PortableFileSystem::Identity(const Path& path) {
    struct stat st;
    if (stat(NativePath(path).c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool PortableFileWriter::MakeFolder(const Path& path) {
    std::error_code ec;
    fs::create_directory(fs::u8path(NativePath(path)), ec);
    return fs::is_directory(fs::u8path(NativePath(path)), ec);
}

Path PortableFileSystem::FullPath(const Path& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return path;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    return ec ? path : here.u8string() + "/" + path;
}

Path PortableFileSystem::ExecutablePath() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? Path() : p.u8string();
}

}  // namespace vkm
