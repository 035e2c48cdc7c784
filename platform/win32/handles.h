// Owners of Windows handles: each closes its handle when it goes, and can be moved but
// never copied, so no handle is ever closed twice or left open.
#pragma once

#include <windows.h>

#include <utility>

namespace vkm {

template <class Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;
    explicit UniqueHandle(Handle h = Traits::Invalid()) noexcept : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Traits::Invalid())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) {
            Close();
            h_ = std::exchange(o.h_, Traits::Invalid());
        }
        return *this;
    }
    ~UniqueHandle() { Close(); }

    Handle get() const noexcept { return h_; }
    // Gives up the handle without closing it.
    Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }
    bool valid() const noexcept { return h_ != Traits::Invalid(); }

  private:
    void Close() noexcept {
        if (valid()) Traits::Close(h_);
    }
    Handle h_;
};

// A file opened by CreateFile (INVALID_HANDLE_VALUE when none).
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// A search begun by FindFirstFile.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// An event, a thread or another kernel object that is null when there is none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// A hook set by SetWindowsHookEx: removed when its owner goes.
struct HookHandleTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { UnhookWindowsHookEx(h); }
};
using HookHandle = UniqueHandle<HookHandleTraits>;

// A font made by CreateFont. A control that shows it must be given another font, or be
// destroyed, before its owner goes.
struct FontHandleTraits {
    using Handle = HFONT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using FontHandle = UniqueHandle<FontHandleTraits>;

// An auto-reset event, not signalled.
inline KernelHandle MakeEvent() {
    return KernelHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr));
}

}  // namespace vkm
