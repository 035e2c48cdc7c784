// vkmcheck on Linux: files through POSIX calls, text out as UTF-8.
#include <cstdio>

#include "core/adpcm.h"
#include "platform/portable/portable_files.h"
#include "platform/portable/portable_sound.h"
#include "vkmcheck/vkmcheck.h"

int main(int argc, char** argv) {
    vkm::PortableFileSystem files;
    // No system codecs here: IMA and MS ADPCM through our own decoders, other compressed sounds are
    // said to need Windows' codec.
    vkm::AdpcmCodecs codecs;
    vkm::PortableSoundSources sounds(std::nullopt, &codecs);
    vkm::PortableFileWriter writer;
    return vkm::RunLineCheck(
        std::vector<std::string>(argv + 1, argv + argc), files, sounds, writer,
        [](const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }, vkm::NativePath);
}
