#include "platform/win32/win32_file_writer.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace vkm {

namespace {

WriteError FromLastError(DWORD e) {
    using Kind = WriteError::Kind;
    switch (e) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return {Kind::kDiskFull, static_cast<long>(e)};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return {Kind::kAccessDenied, static_cast<long>(e)};
        case ERROR_WRITE_PROTECT:
            return {Kind::kReadOnly, static_cast<long>(e)};
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return {Kind::kExists, static_cast<long>(e)};
        default:
            return {Kind::kOther, static_cast<long>(e)};
    }
}

class Win32OutputFile : public OutputFile {
  public:
    Win32OutputFile(FileHandle file, std::wstring temp, std::wstring target, bool overwrite)
        : file_(std::move(file)), temp_(std::move(temp)), target_(std::move(target)), overwrite_(overwrite) {}
    ~Win32OutputFile() override {
        file_ = FileHandle();
        if (!committed_) DeleteFileW(temp_.c_str());
    }
    bool Write(const void* data, std::size_t n) override {
        LARGE_INTEGER end{};
        return Failed(SetFilePointerEx(file_.get(), end, nullptr, FILE_END) && WriteAll(data, n));
    }
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        return Failed(SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) && WriteAll(data, n));
    }
    bool Commit() override {
        if (error_ || !file_.valid()) return false;
        const bool closed = CloseHandle(file_.release()) != 0;
        if (!Failed(closed &&
                    MoveFileExW(temp_.c_str(), target_.c_str(), overwrite_ ? MOVEFILE_REPLACE_EXISTING : 0)))
            return false;
        committed_ = true;
        return true;
    }
    WriteError error() const override { return error_; }

  private:
    // done, with the reason kept when it is false.
    bool Failed(bool done) {
        if (!done && !error_) error_ = FromLastError(GetLastError());
        return done;
    }
    bool WriteAll(const void* data, std::size_t n) {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            DWORD done = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
            if (!::WriteFile(file_.get(), p, want, &done, nullptr)) return false;
            if (done == 0) {
                SetLastError(ERROR_DISK_FULL);
                return false;
            }
            p += done;
            n -= done;
        }
        return true;
    }
    FileHandle file_;
    std::wstring temp_, target_;
    bool overwrite_, committed_ = false;
    WriteError error_;
};

}  // namespace

FileWriter::Created Win32FileWriter::Create(const Path& path, bool overwrite) {
    if (!overwrite && GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return {nullptr, FromLastError(ERROR_FILE_EXISTS)};
    for (unsigned n = 1;; ++n) {
        std::wstring temp = ToWide(TemporaryPathBeside(path, GetCurrentProcessId(), n));
        FileHandle f(CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f.valid())
            return {std::make_unique<Win32OutputFile>(std::move(f), std::move(temp), ToWide(path), overwrite),
                    {}};
        const DWORD e = GetLastError();
        if ((e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) || n == 100)
            return {nullptr, FromLastError(e)};
    }
}

bool Win32FileWriter::MakeFolder(const Path& path) {
    if (CreateDirectoryW(ToWide(path).c_str(), nullptr)) return true;
    const DWORD attrs = GetFileAttributesW(ToWide(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace vkm
