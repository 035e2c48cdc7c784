// Decoders of our own for the two ADPCM formats that Windows has always had a codec for
// (IMA and Microsoft ADPCM), so that a build without the system's codecs (the native line
// check) measures, renders and mends such files as the program plays them.
#pragma once

#include <memory>

#include "core/wav.h"

namespace vkm {

// IMA ADPCM and MS ADPCM; other compressed formats are left to the system's codecs, which
// this build does not have (system() is false).
class AdpcmCodecs : public Codecs {
  public:
    std::unique_ptr<CompressedDecoder> Open(const WaveFormat& format) override;
    bool system() const override { return false; }
};

}  // namespace vkm
