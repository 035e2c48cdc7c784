#include "platform/win32/win32_sound.h"

// After windows.h, which they need.
#include <mmreg.h>
#include <mmsystem.h>
// After mmsystem.h, which it needs.
#include <msacm.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace vkm {

std::unique_ptr<Win32FileSource> Win32FileSource::Open(const Path& path) {
    FileHandle f(OpenForReading(path));
    if (!f.valid()) return nullptr;
    LARGE_INTEGER size;
    // Pipes and devices are not sound files (and reading one may never end).
    if (GetFileType(f.get()) != FILE_TYPE_DISK || !GetFileSizeEx(f.get(), &size)) return nullptr;
    return std::unique_ptr<Win32FileSource>(
        new Win32FileSource(std::move(f), static_cast<std::uint64_t>(size.QuadPart)));
}

std::size_t Win32FileSource::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED at = {};
        const std::uint64_t pos = offset + done;
        at.Offset = static_cast<DWORD>(pos);
        at.OffsetHigh = static_cast<DWORD>(pos >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        if (!ReadFile(file_.get(), static_cast<char*>(out) + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}

namespace {

// The ACM functions the player uses, from msacm32.dll, loaded when a compressed sound first needs
// them.
struct AcmApi {
    decltype(&acmStreamOpen) open = nullptr;
    decltype(&acmStreamClose) close = nullptr;
    decltype(&acmStreamSize) size = nullptr;
    decltype(&acmStreamReset) reset = nullptr;
    decltype(&acmStreamPrepareHeader) prepare = nullptr;
    decltype(&acmStreamUnprepareHeader) unprepare = nullptr;
    decltype(&acmStreamConvert) convert = nullptr;
    bool loaded = false;
};

const AcmApi& Acm() {
    static const AcmApi api = [] {
        AcmApi a;
        SystemLibrary acm = SystemLibrary::Load(L"msacm32.dll");
        acm.Find("acmStreamOpen", a.open);
        acm.Find("acmStreamClose", a.close);
        acm.Find("acmStreamSize", a.size);
        acm.Find("acmStreamReset", a.reset);
        acm.Find("acmStreamPrepareHeader", a.prepare);
        acm.Find("acmStreamUnprepareHeader", a.unprepare);
        acm.Find("acmStreamConvert", a.convert);
        a.loaded = acm.all_found();
        return a;
    }();
    return api;
}

HACMSTREAM AsStream(HANDLE h) {
    return reinterpret_cast<HACMSTREAM>(h);
}

// The fmt chunk as a WAVEFORMATEX whose extra size matches what the chunk holds.
std::vector<std::uint8_t> SourceFormat(const WaveFormat& f) {
    std::vector<std::uint8_t> bytes(std::max<std::size_t>(f.chunk.size(), sizeof(WAVEFORMATEX)), 0);
    std::memcpy(bytes.data(), f.chunk.data(), f.chunk.size());
    const WORD extra = static_cast<WORD>(bytes.size() - sizeof(WAVEFORMATEX));
    std::memcpy(bytes.data() + offsetof(WAVEFORMATEX, cbSize), &extra, sizeof extra);
    return bytes;
}

class AcmDecoder : public CompressedDecoder {
  public:
    AcmDecoder(AcmCodecs& owner, std::string key, AcmStream stream, unsigned block_align,
               std::size_t max_output)
        : owner_(owner),
          api_(Acm()),
          key_(std::move(key)),
          stream_(std::move(stream)),
          block_align_(block_align),
          max_output_(max_output) {}
    ~AcmDecoder() override { owner_.Return(key_, std::move(stream_)); }

    std::size_t Decode(const std::uint8_t* in, std::size_t n, std::vector<std::int16_t>& out) override {
        // As many of the blocks as make at most max_output_ bytes, by the codec's own
        // count: while it says more, fewer blocks in proportion (always fewer).
        std::size_t blocks = std::min<std::size_t>(n, 0x7FFFFFFF) / block_align_;
        DWORD needed = 0;
        for (;;) {
            if (blocks == 0) return 0;
            if (api_.size(AsStream(stream_.get()), static_cast<DWORD>(blocks * block_align_), &needed,
                          ACM_STREAMSIZEF_SOURCE) != 0 ||
                needed == 0)
                return 0;
            if (needed <= max_output_) break;
            if (blocks == 1) return 0;  // one block alone makes too much
            blocks = std::max<std::size_t>(1, static_cast<std::uint64_t>(blocks) * max_output_ / needed);
        }
        const std::size_t n_in = blocks * block_align_;
        source_.assign(in, in + n_in);
        dest_.resize(needed);
        ACMSTREAMHEADER h = {};
        h.cbStruct = sizeof h;
        h.pbSrc = source_.data();
        h.cbSrcLength = static_cast<DWORD>(n_in);
        h.pbDst = dest_.data();
        h.cbDstLength = needed;
        if (api_.prepare(AsStream(stream_.get()), &h, 0) != 0) return 0;
        const DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (started_ ? 0 : ACM_STREAMCONVERTF_START);
        const bool ok = api_.convert(AsStream(stream_.get()), &h, flags) == 0;
        started_ = true;
        const DWORD used = std::min<DWORD>(h.cbSrcLengthUsed, static_cast<DWORD>(n_in));
        const DWORD made = std::min(h.cbDstLengthUsed, needed);
        api_.unprepare(AsStream(stream_.get()), &h, 0);
        if (!ok || used == 0) return 0;
        const std::size_t old = out.size();
        out.resize(old + made / 2);
        std::memcpy(out.data() + old, dest_.data(), made / 2 * 2);
        return used;
    }

  private:
    AcmCodecs& owner_;
    const AcmApi& api_;
    std::string key_;
    AcmStream stream_;
    unsigned block_align_;
    std::size_t max_output_;
    bool started_ = false;
    std::vector<std::uint8_t> source_, dest_;
};

}  // namespace

void AcmStreamTraits::Close(Handle h) {
    Acm().close(AsStream(h), 0);
}

std::unique_ptr<CompressedDecoder> AcmCodecs::Open(const WaveFormat& format) {
    if (format.encoding != SampleEncoding::kCompressed || format.channels == 0 || format.rate == 0 ||
        format.block_align == 0 || !Acm().loaded)
        return nullptr;
    std::vector<std::uint8_t> source = SourceFormat(format);
    const std::string key(source.begin(), source.end());
    auto it = idle_.find(key);
    if (it != idle_.end()) {
        AcmStream stream = std::move(it->second);
        idle_.erase(it);
        Acm().reset(AsStream(stream.get()), 0);
        return std::make_unique<AcmDecoder>(*this, key, std::move(stream), format.block_align, max_output_);
    }
    // 16-bit PCM of the same rate and channels, asked for directly (suggesting a
    // format costs tens of milliseconds).
    WAVEFORMATEX pcm = {};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(format.channels);
    pcm.nSamplesPerSec = format.rate;
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(2 * format.channels);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * format.rate;
    HACMSTREAM stream = nullptr;
    if (Acm().open(&stream, nullptr, reinterpret_cast<WAVEFORMATEX*>(source.data()), &pcm, nullptr, 0, 0,
                   ACM_STREAMOPENF_NONREALTIME) != 0)
        return nullptr;
    return std::make_unique<AcmDecoder>(*this, key, AcmStream(reinterpret_cast<HANDLE>(stream)),
                                        format.block_align, max_output_);
}

void AcmCodecs::Return(const std::string& format_key, AcmStream stream) {
    constexpr std::size_t kKeep = 8;
    if (idle_.size() >= kKeep) idle_.erase(idle_.begin());  // closed as it goes
    idle_.emplace(format_key, std::move(stream));
}

std::optional<Path> DefaultSoundFile() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring value(MAX_PATH, L'\0');
    DWORD type = 0, bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    LONG r = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &bytes);
    if (r == ERROR_MORE_DATA) {
        value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        r = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &bytes);
    }
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    value.resize(std::min<std::size_t>(value.size(), bytes / sizeof(wchar_t)));
    value.resize(std::wcslen(value.c_str()));
    if (value.empty()) return std::nullopt;
    std::wstring expanded(32768, L'\0');
    const DWORD n =
        ExpandEnvironmentStringsW(value.c_str(), &expanded[0], static_cast<DWORD>(expanded.size()));
    if (n == 0 || n > expanded.size()) return std::nullopt;
    expanded.resize(n - 1);
    // A bare name is one of the system's own sounds.
    if (expanded.find(L'\\') == std::wstring::npos) {
        std::wstring windows(MAX_PATH, L'\0');
        const UINT w = GetWindowsDirectoryW(&windows[0], MAX_PATH);
        if (w == 0 || w >= MAX_PATH) return std::nullopt;
        windows.resize(w);
        expanded = windows + L"\\Media\\" + expanded;
    }
    return FromWide(expanded);
}

}  // namespace vkm
