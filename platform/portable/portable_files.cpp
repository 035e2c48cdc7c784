#include "platform/portable/portable_files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace vkm {

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
    std::ifstream in(fs::u8path(NativePath(path)), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool PortableFileSystem::ListDirectory(const Path& dir, std::vector<DirEntry>& out) {
    std::error_code ec;
    fs::directory_iterator it(fs::u8path(NativePath(dir)), ec), end;
    if (ec) return false;
    for (; it != end; it.increment(ec)) {
        if (ec) return false;
        DirEntry e;
        e.name = it->path().filename().u8string();
        std::error_code tec;
        e.directory = it->is_directory(tec) && !it->is_symlink(tec);
        e.hidden = !e.name.empty() && e.name[0] == '.';
        out.push_back(std::move(e));
    }
    return !ec;
}

Path PortableFileSystem::ExecutablePath() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? Path() : p.u8string();
}

}  // namespace vkm
