#include "platform/portable/portable_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

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

class FdSink : public ByteSink {
  public:
    explicit FdSink(int fd) : fd_{fd} {}
    bool Write(const void* data, std::size_t n) override { return WriteAll(data, n, -1); }
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
        return WriteAll(data, n, static_cast<off_t>(offset));
    }

  private:
    // At offset, or at the end of what was written when offset is -1.
    bool WriteAll(const void* data, std::size_t n, off_t offset) {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            const ssize_t done = offset < 0 ? write(fd_.fd, p, n) : pwrite(fd_.fd, p, n, offset);
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return false;
            p += done;
            n -= static_cast<std::size_t>(done);
            if (offset >= 0) offset += done;
        }
        return true;
    }
    Fd fd_;
};

}  // namespace

std::unique_ptr<ByteSink> PortableFileWriter::Create(const Path& path, bool overwrite) {
    const int fd =
        open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? O_TRUNC : O_EXCL), 0644);
    if (fd < 0) return nullptr;
    return std::make_unique<FdSink>(fd);
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
