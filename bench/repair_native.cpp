// The repair of a line (vkmcheck --uprav) against the size of its sounds: a line of 500
// fragments and a line whose one fragment is a 500 MB file, each mended into a fresh folder in
// a process of its own, which prints the time and its peak memory; then the copy is mended
// again (it should change nothing) and timed the same way.
//   repair_native [WORK_DIR [MEGABYTES]]   (default: a temporary folder, 500 MB)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "core/adpcm.h"
#include "core/playout.h"
#include "platform/portable/portable_files.h"
#include "platform/portable/portable_sound.h"
#include "vkmcheck/vkmcheck.h"

namespace fs = std::filesystem;
using namespace vkm;

namespace {

// A WAV file of 16-bit mono at rate: speech-like bursts of a tone with noise, between silences,
// at gain (dB), with half a second of silence at each end; written a second at a time.
void WriteSound(const std::string& path, unsigned rate, double seconds, double gain_db, std::uint32_t seed) {
    std::ofstream f(path, std::ios::binary);
    const auto frames = static_cast<std::uint64_t>(seconds * rate);
    const std::string header = WaveFileHeader(StreamFormat{SampleEncoding::kPcm, rate, 1, 16}, 2 * frames);
    f.write(header.data(), static_cast<std::streamsize>(header.size()));
    const double level = 0.2 * std::pow(10.0, gain_db / 20);
    std::vector<std::int16_t> second(rate);
    for (std::uint64_t at = 0; at < frames;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(rate, frames - at));
        for (std::size_t i = 0; i < n; ++i, ++at) {
            const double t = static_cast<double>(at) / rate;
            seed = seed * 1664525u + 1013904223u;
            const bool voiced = t > 0.5 && t < seconds - 0.5 && std::fmod(t, 1.3) < 1.0;
            const double x =
                voiced ? level * (0.7 * std::sin(2 * M_PI * 180 * t) + 0.6 * (seed / 4294967296.0 - 0.5)) : 0;
            second[i] = static_cast<std::int16_t>(std::lround(x * 32767));
        }
        f.write(reinterpret_cast<const char*>(second.data()), static_cast<std::streamsize>(2 * n));
    }
}

void WriteLine(const std::string& path, const std::vector<std::string>& sounds) {
    std::ofstream f(path, std::ios::binary);
    f << "[Info]\r\nName=Oprava\r\n[Hlaseni]\r\n";
    for (std::size_t i = 0; i < sounds.size(); ++i) f << i + 1 << "=" << sounds[i] << "\r\n";
}

// Runs vkmcheck LINE --uprav OUT in a child process; prints its time and peak memory.
void Mend(const char* what, const std::string& line, const std::string& out) {
    std::fflush(stdout);  // printed once, not again by the child
    const double start = NowMs();
    const pid_t child = fork();
    if (child == 0) {
        PortableFileSystem files;
        PortableFileWriter writer;
        AdpcmCodecs codecs;
        PortableSoundSources sounds(std::nullopt, &codecs);
        std::string said;
        const int code = RunLineCheck({line, "--uprav", out}, files, sounds, writer,
                                      [&](const std::string& t) { said += t; });
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const std::size_t notes = said.find("Poznámky ke zvukům: žádné") != std::string::npos ? 0 : 1;
        std::printf("  exit %d, peak memory %.1f MB, the copy %s\n", code, usage.ru_maxrss / 1024.0,
                    notes ? "has notes" : "has no note");
        std::fflush(stdout);
        _exit(code);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::printf("%-46s %8.2f s\n", what, (NowMs() - start) / 1000);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path work = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "vkm-repair-bench";
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 500;
    fs::remove_all(work);
    fs::create_directories(work / "many");
    fs::create_directories(work / "big");

    std::vector<std::string> names;
    for (int i = 0; i < 500; ++i) {
        const std::string name = "f" + std::to_string(i) + ".wav";
        // Uneven: -8 to +4 dB, every tenth at 8 kHz.
        WriteSound((work / "many" / name).string(), i % 10 ? 22050 : 8000, 3 + i % 3, -8 + i % 13, i + 1);
        names.push_back(name);
    }
    WriteLine((work / "many" / "Linka.vkm").string(), names);
    const double seconds = megabytes * 1e6 / (2 * 22050);
    WriteSound((work / "big" / "velky.wav").string(), 22050, seconds, 0, 7);
    WriteLine((work / "big" / "Linka.vkm").string(), {"velky.wav"});

    std::printf("500 fragments of 3 to 5 s (16-bit, 22.05 kHz, every tenth 8 kHz):\n");
    Mend("mended", (work / "many" / "Linka.vkm").string(), (work / "many-copy").string());
    Mend("mended again (the copy)", (work / "many-copy" / "Linka.vkm").string(),
         (work / "many-copy2").string());
    std::printf("one fragment of %.0f MB (%.0f s of 16-bit mono at 22.05 kHz):\n", megabytes, seconds);
    Mend("mended", (work / "big" / "Linka.vkm").string(), (work / "big-copy").string());
    Mend("mended again (the copy)", (work / "big-copy" / "Linka.vkm").string(),
         (work / "big-copy2").string());
    fs::remove_all(work);
    return 0;
}
