// Decoders of our own for the two ADPCM formats that Windows has always had a codec for
// (IMA and Microsoft ADPCM), so that a build without the system's codecs (the native line
// check) measures, renders and mends such files as the program plays them.
#pragma once

#include <memory>

#include "core/wav.h"

namespace vkm {

// Whether our decoders take a format: the IMA and MS ADPCM files that the system's codecs for them
// take (the program plays these formats through them), one rule for the native check, the render
// and the repair. Those take 4 bits a sample, 1 or 2 channels, under their own format tag (not
// inside WAVE_FORMAT_EXTENSIBLE); besides a header that ParseWave accepts, they need:
// - IMA ADPCM, as Windows' IMA ADPCM codec checks it: an extra part of 2 bytes (the frames per
//   block), blocks of whole 4-byte words of each channel after the block headers, every nibble of
//   them a frame: (block - 4 c) * 2 / c + 1 frames, 5 or more;
// - MS ADPCM: an extra part of 32 bytes, the frames per block and the seven usual coefficient pairs
//   (Wine's codec decodes every file with those, whatever the file says).
// Wine's codecs also take IMA ADPCM stereo blocks that are not whole 8-byte words (which they
// decode past the block) and MS ADPCM with pairs of its own (which they decode with the usual ones).
bool AdpcmTakes(const WaveFormat& format);

// IMA ADPCM and MS ADPCM as AdpcmTakes has it; other compressed formats are left to the system's
// codecs, which this build does not have. For the ADPCM formats the rule decides (Decides): one it
// does not take plays nowhere.
class AdpcmCodecs : public Codecs {
  public:
    std::unique_ptr<CompressedDecoder> Open(const WaveFormat& format) override;
    bool Decides(const WaveFormat& format) const override;
};

}  // namespace vkm
