#include "core/wav.h"

#include <gtest/gtest.h>

#include <string>

namespace vkm {
namespace {

std::string Le32(unsigned v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id + Le32(static_cast<unsigned>(body.size())) + body;
    if (body.size() % 2) c += '\0';
    return c;
}

std::string Wave(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<unsigned>(4 + chunks.size())) + "WAVE" + chunks;
}

TEST(IsWaveData, RecognisesWaveFilesAndRejectsTheRest) {
    const std::string fmt = Chunk("fmt ", std::string(16, '\1'));
    const std::string data = Chunk("data", std::string(100, '\0'));
    EXPECT_TRUE(IsWaveData(Wave(fmt + data)));
    EXPECT_TRUE(IsWaveData(Wave(fmt + Chunk("LIST", "odd") + data)));  // padded odd chunk skipped

    EXPECT_FALSE(IsWaveData(""));
    EXPECT_FALSE(IsWaveData("RIFF"));
    EXPECT_FALSE(IsWaveData(Wave(data)));                           // no format
    EXPECT_FALSE(IsWaveData(Wave(fmt)));                            // no data
    EXPECT_FALSE(IsWaveData(Wave(Chunk("fmt ", "short") + data)));  // format too short
    EXPECT_FALSE(IsWaveData("RIFX" + Wave(fmt + data).substr(4)));
    std::string huge = Wave(fmt) + "LIST" + Le32(0xFFFFFFF0u);  // size past the end
    EXPECT_FALSE(IsWaveData(huge + data));
    std::string junk(5000, '\xAB');
    EXPECT_FALSE(IsWaveData(junk));
}

}  // namespace
}  // namespace vkm
