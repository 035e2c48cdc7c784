// vkmcheck on Linux: files through POSIX calls, text out as UTF-8.
#include <cstdio>

#include "platform/portable/portable_files.h"
#include "platform/portable/portable_sound.h"
#include "vkmcheck/vkmcheck.h"

int main(int argc, char** argv) {
    vkm::PortableFileSystem files;
    vkm::PortableSoundSources sounds;  // no codecs here: compressed sounds are said to need Windows' codec
    vkm::PortableFileWriter writer;
    return vkm::RunLineCheck(
        std::vector<std::string>(argv + 1, argv + argc), files, sounds, writer,
        [](const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }, vkm::NativePath);
}
