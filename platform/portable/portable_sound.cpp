#include "platform/portable/portable_sound.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/portable/portable_files.h"

namespace vkm {

std::unique_ptr<PortableFileSource> PortableFileSource::Open(const Path& path) {
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const int fd = open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<PortableFileSource>(
        new PortableFileSource(fd, static_cast<std::uint64_t>(st.st_size)));
}

PortableFileSource::~PortableFileSource() {
    close(fd_);
}

std::size_t PortableFileSource::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got =
            pread(fd_, static_cast<char*>(out) + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace vkm
