// Shared by the fuzz harnesses: each defines LLVMFuzzerTestOneInput. Built with
// libFuzzer (clang, -fsanitize=fuzzer) for fuzzing campaigns, or with replay_main.cpp
// to run the seed corpus and any crash found once, as the test command does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A result the harness can check failed: report and abort, so the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace vkm::fuzz {

// Takes the input apart: bytes in front, small numbers taken one byte at a time.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return size_ == 0; }
    std::uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    // A piece of at most max bytes, its length taken from the input.
    std::string Piece(std::size_t max) {
        std::size_t n = Byte();
        n = n * 256 + Byte();
        if (n > max) n = max;
        if (n > size_) n = size_;
        std::string out(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return out;
    }
    std::string Rest() {
        std::string out(reinterpret_cast<const char*>(data_), size_);
        data_ += size_;
        size_ = 0;
        return out;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace vkm::fuzz
