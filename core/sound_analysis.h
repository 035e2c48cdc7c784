// Measures of one sound fragment for line authors: its length, the silence at each
// end, its integrated loudness, clipping, DC offset and the level of its first and
// last frame. They are made in one pass over the samples, in memory that does not
// grow with the fragment's length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/byte_source.h"
#include "core/wav.h"

namespace vkm {

// Thresholds for judging the measures. Levels are in dB relative to full scale (a
// sample of +-1); LevelOfDbfs turns them into sample values.
//
// A frame is silent when every channel's |sample| is below -50 dBFS: well under the
// quiet consonants and breath of speech (about -40 dBFS and up), well over the noise of
// a clean 16-bit recording and of a quiet booth. In 8-bit PCM, whose smallest step is
// -42 dBFS, only exact zeros are silent.
constexpr double kSilenceDbfs = -50;
// A fragment whose first or last frame is at or above -30 dBFS starts or ends in the
// middle of a sound: a click, also when fragments are joined.
constexpr double kEdgeDbfs = -30;
// A channel whose mean is 1 % of full scale or more away from zero has a DC offset:
// a click where the fragment starts and ends.
constexpr double kDcOffsetLimit = 0.01;
// Silence of 150 ms or more at either end of a fragment is heard as a gap between
// fragments that the player joins without one.
constexpr double kLongSilenceSeconds = 0.150;
// Fragments of one line whose loudness differs by more than 6 LU sound uneven
// (a voice that jumps nearer and further).
constexpr double kLoudnessSpreadLu = 6;
// Consecutive samples of one channel at full scale, of one sign, that count as clipped; so do as
// many equal samples at the fragment's own highest level of their sign when that is -30 dBFS or
// more (a recording clipped and then made quieter: its flat tops stay).
constexpr unsigned kClippedRunSamples = 3;
constexpr double kClippedTopDbfs = -30;

// The sample value of a level in dB relative to full scale.
double LevelOfDbfs(double dbfs);

// The middle value (of an even count, the mean of the two in the middle); values is not empty.
double Median(std::vector<double> values);

struct SoundMeasures {
    unsigned rate = 0, channels = 0;
    std::uint64_t frames = 0;
    // Silent frames (below kSilenceDbfs) at the start and at the end; both are the
    // whole length when every frame is silent.
    std::uint64_t leading_silence = 0, trailing_silence = 0;
    // Integrated loudness in LUFS as broadcasters measure it (ITU-R BS.1770): K-weighted,
    // in blocks of 400 ms that overlap by 75 %, gated at -70 LUFS and then 10 LU below the
    // mean of the blocks left. None when no block is left (silence, or shorter than a block).
    std::optional<double> loudness;
    // Runs of kClippedRunSamples or more consecutive samples of one channel at full scale (or at
    // the fragment's own highest level), a run ending where the sign flips.
    std::uint64_t clipped_runs = 0;
    // The largest |mean| of a channel, and each channel's mean, full scale = 1.
    double dc_offset = 0;
    std::vector<double> means;
    // Each channel's mean over the frames from the first that is not silent to the last (over all
    // frames when every one is): the offset of what was recorded, without silence that an editor
    // added at an end, which has none.
    std::vector<double> heard_means;
    // The true peak (ITU-R BS.1770): the largest |sample| of the signal oversampled 4 times, or of
    // the samples themselves, full scale = 1; when asked for (SoundAnalyzer), else 0.
    double true_peak = 0;
    // The largest |sample| over the channels of the first and of the last frame, full scale = 1.
    double first_level = 0, last_level = 0;
};

// Takes a fragment's samples in pieces of any size and measures them.
//
// Samples are floating point, full scale at +-1, as DecodeSamples makes them. A
// sample that is not a number counts as 0; one beyond +-4 (+12 dBFS) counts as +-4,
// as the player's decoder has it.
//
// Loudness weights the channels as broadcasters do for the usual WAV channel order:
// 1.0 for the first three (left, right, centre), 1.41 for the others (surround),
// except the fourth of a file of six or more channels, which is the low-frequency
// channel and does not count. Rates under 10 Hz give no loudness; more channels than a
// WAV header can name (65535) are taken as none.
// The true peak of a signal: its samples and three points between every two of them, each
// from the 12 samples around it through a windowed-sinc interpolator (a polyphase FIR of 49
// taps). Samples are taken as NaN-free and within +-4.
class TruePeakMeter {
  public:
    static constexpr int kTaps = 12;  // of each phase

    explicit TruePeakMeter(unsigned channels);
    void Push(const float* interleaved, std::size_t frames);
    double peak() const { return peak_; }

  private:
    unsigned channels_;
    float phase_[3][kTaps];  // the taps of the points 1/4, 2/4 and 3/4 of the way, newest sample first
    double bound_ = 0;       // the most any point can be over the largest sample around it
    std::vector<float> history_, work_;
    double peak_ = 0;
};

class SoundAnalyzer {
  public:
    // full_scale: the largest positive sample of the stored format in the float scale:
    // (2^(n-1) - 1) / 2^(n-1) for n-bit integer PCM, 1.0 for float, 32767/32768 for a
    // codec's 16-bit output. A sample counts as clipped when |x| reaches it.
    // With true_peak, the true peak is measured too (it costs more than the rest); else it is 0.
    SoundAnalyzer(unsigned rate, unsigned channels, float full_scale, bool true_peak = false);

    // Adds frames (interleaved, channels samples each).
    void Push(const float* interleaved, std::size_t frames);
    // The measures of every frame pushed so far.
    SoundMeasures Finish() const;

  private:
    struct Channel {
        double shelf[2] = {0, 0}, highpass[2] = {0, 0};  // the K-weighting filters' state
        double energy = 0;                               // sum of the filtered squares this quarter
        double weight = 1;
        double sum = 0;                              // of the samples, for the mean
        double sum_before_heard = 0, sum_heard = 0;  // sum before the first frame heard, and up to the last
        unsigned clip_run = 0;  // consecutive samples at full scale of one sign until now
        bool clip_negative = false;
        float last = 0;     // the last sample
        unsigned same = 0;  // consecutive samples equal to it
    };
    // Energy of the gating blocks whose loudness falls in one bin.
    struct Bin {
        std::uint64_t blocks = 0;
        double energy = 0;
    };

    void EndQuarter();

    unsigned rate_, channels_;
    float full_scale_, silence_level_;
    double shelf_[5] = {1, 0, 0, 0, 0}, highpass_[5] = {1, 0, 0, 0, 0};  // b0, b1, b2, a1, a2
    std::vector<Channel> channel_;

    std::uint64_t frames_ = 0;
    bool heard_ = false;  // a frame not silent came
    std::uint64_t first_heard_ = 0, last_heard_ = 0;
    float first_level_ = 0, last_level_ = 0;
    std::uint64_t clipped_runs_ = 0;
    float top_[2] = {0, 0};               // the highest |sample| of each sign (positive, negative)
    std::uint64_t top_runs_[2] = {0, 0};  // runs of equal samples at it
    std::optional<TruePeakMeter> true_peak_;
    std::vector<float> clean_;

    // Blocks are made of four quarters of 100 ms: quarter k ends at frame (k + 1) * rate / 10.
    std::uint64_t quarters_ = 0, quarter_end_ = 0;
    double quarter_energy_[4] = {0, 0, 0, 0};  // weighted, of the last four quarters
    std::uint64_t quarter_frames_[4] = {0, 0, 0, 0};
    std::vector<Bin> bins_;  // a histogram of block loudness above the absolute gate
};

// Measures a whole WAV file from source, read in pieces through the player's own
// readers: ParseWave and DecodeSamples for plain formats, a decoder from codecs for
// compressed ones. Measures what the player would play (a file that cannot be read to
// its end, or whose codec fails, up to there). None when the file cannot be played:
// a broken header, or a compressed format without codecs or without one that takes it.
std::optional<SoundMeasures> AnalyseWave(ByteSource& source, Codecs* codecs);

}  // namespace vkm
