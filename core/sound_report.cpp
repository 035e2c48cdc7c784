#include "core/sound_report.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "core/codepage.h"
#include "core/report_text.h"
#include "core/sequence.h"
#include "core/sound_analysis.h"

namespace vkm {

namespace {

// Characters a file name cannot hold on Windows.
std::string FileNamePart(const std::string& text) {
    std::string out;
    for (char c : text)
        out += std::string("\\/:*?\"<>|").find(c) != std::string::npos || (c >= 0 && c < 32) ? '_' : c;
    return out;
}

std::string Numbered(std::size_t n, std::size_t count) {
    const std::size_t width = std::max<std::size_t>(2, std::to_string(count).size());
    std::string s = std::to_string(n);
    return std::string(width - std::min(width, s.size()), '0') + s;
}

// "hlášení „1“, hlášení „3“ a 5 dalších": where a file is used, the first few places named.
std::string Places(const std::vector<std::string>& labels) {
    constexpr std::size_t kShown = 4;
    std::string out;
    for (std::size_t i = 0; i < labels.size() && i < kShown; ++i) out += (i ? ", " : "") + labels[i];
    if (labels.size() > kShown) out += " a " + Count(labels.size() - kShown, "další", "další", "dalších");
    return out;
}

std::string Level(double value) {
    return Decimal(20 * std::log10(std::max(value, 1e-9)), 1) + " dBFS";
}

// What the report learns of a sound file of the line.
struct SoundFile {
    WaveInfo info;       // its header; fault when it cannot be read as a WAV file
    bool plays = false;  // the player does not put the place-holder in its place
    std::optional<SoundMeasures> measures;
    // Announcements in which it is converted, by the format it is converted to.
    std::map<std::pair<unsigned, unsigned>, std::vector<std::string>> conversions;
};

// Reads each file's header and measures those that play, each once, in pieces.
std::vector<SoundFile> MeasureFiles(const LineSounds& sounds, SoundSources& sources, SoundReport& report) {
    std::vector<SoundFile> files(sounds.files().size());
    std::vector<double> loudness;
    for (std::size_t i = 0; i < files.size(); ++i) {
        SoundFile& f = files[i];
        f.info.fault = WaveFault::kUnreadable;
        std::unique_ptr<ByteSource> source = sources.Open(sounds.files()[i].path);
        if (!source) continue;
        f.info = ParseWave(*source);
        if (f.info.fault != WaveFault::kNone) continue;
        // One that no codec decodes is the place-holder: the check names it, and nothing else is said.
        f.plays = InspectWave(*source, sources.codecs()).playability != Playability::kBroken;
        if (!f.plays) continue;
        f.measures = AnalyseWave(*source, sources.codecs());
        if (!f.measures) continue;
        ++report.measured;
        if (f.measures->loudness) loudness.push_back(*f.measures->loudness);
    }
    if (!loudness.empty()) report.median_lufs = Median(loudness);
    return files;
}

// The announcements' own formats, as the player decides them, and what each converts.
void FindConversions(const Line& line, const LineSounds& sounds, std::vector<SoundFile>& files) {
    for (const PlayedAnnouncement& a : LinePlayback(line)) {
        std::vector<const WaveFormat*> formats;
        for (const LineSound* s : a.sounds) {
            const WaveInfo& info = files[sounds.IndexOf(*s)].info;
            if (info.fault == WaveFault::kNone && formats.size() < AnnouncementStream::kLookAhead)
                formats.push_back(&info.format);
        }
        if (formats.empty()) continue;
        const StreamFormat stream = AnnouncementFormat(formats);
        for (const LineSound* s : a.sounds) {
            SoundFile& f = files[sounds.IndexOf(*s)];
            if (!f.plays) continue;
            if (f.info.format.rate == stream.rate && f.info.format.channels == stream.channels) continue;
            std::vector<std::string>& where = f.conversions[{stream.rate, stream.channels}];
            if (std::find(where.begin(), where.end(), a.label) == where.end()) where.push_back(a.label);
        }
    }
}

// What the measures of a file say to its author.
void NoteMeasures(const SoundMeasures& m, const SoundReport& report,
                  const std::function<void(std::string)>& note) {
    const double rate = m.rate ? m.rate : 1;
    if (m.frames > 0 && m.leading_silence == m.frames) {
        note("je celý ticho (" + Decimal(m.frames / rate, 2) + " s)");
    } else {
        if (m.leading_silence / rate > kLongSilenceSeconds)
            note("začíná " + Decimal(m.leading_silence / rate, 2) +
                 " s ticha, které uprostřed hlášení zazní jako pauza");
        if (m.trailing_silence / rate > kLongSilenceSeconds)
            note("končí " + Decimal(m.trailing_silence / rate, 2) +
                 " s ticha, které uprostřed hlášení zazní jako pauza");
    }
    if (m.loudness && report.median_lufs && std::fabs(*m.loudness - *report.median_lufs) > kLoudnessSpreadLu)
        note("hlasitost " + Decimal(*m.loudness, 1) + " LUFS je o " +
             Decimal(std::fabs(*m.loudness - *report.median_lufs), 1) + " LU " +
             (*m.loudness < *report.median_lufs ? "nižší" : "vyšší") + " než medián linky");
    if (m.clipped_runs > 0)
        note("je přebuzený: " + std::to_string(m.clipped_runs) + "× aspoň " +
             std::to_string(kClippedRunSamples) + " vzorky za sebou na plné úrovni nebo na svém maximu");
    if (m.dc_offset > kDcOffsetLimit)
        note("má stejnosměrnou složku " + Decimal(100 * m.dc_offset, 1) + " % plné úrovně");
    if (m.first_level >= LevelOfDbfs(kEdgeDbfs))
        note("začíná náhle (první vzorek " + Level(m.first_level) + "), na spoji cvakne");
    if (m.last_level >= LevelOfDbfs(kEdgeDbfs))
        note("končí náhle (poslední vzorek " + Level(m.last_level) + "), na spoji cvakne");
}

// The notes on one file, each naming it and where the line uses it.
void NoteFile(const LineSoundFile& file, const SoundFile& f, SoundReport& report) {
    const std::string said = Quoted(file.name) + " (" + Places(file.uses) + "): ";
    auto note = [&](const std::string& text) { report.notes.push_back(said + text); };
    if (f.measures) NoteMeasures(*f.measures, report, note);
    for (const auto& [format, where] : f.conversions)
        note("má " + FrequencyText(f.info.format.rate) + ", " + ChannelsText(f.info.format.channels) +
             " a přehraje se převedený na " + FrequencyText(format.first) + ", " +
             ChannelsText(format.second) + " v " + Places(where));
    if (f.plays && f.info.format.encoding == SampleEncoding::kCompressed && !f.info.fact_frames)
        note("je komprimovaný bez bloku fact: přesnou délku nezná a konec posledního bloku může zaznít");
}

}  // namespace

std::vector<PlayedAnnouncement> LinePlayback(const Line& line) {
    std::vector<PlayedAnnouncement> played;
    const std::size_t count = line.announcements.size();
    auto add = [&](std::string label, std::string file, const std::vector<const SoundList*>& lists) {
        PlayedAnnouncement a{std::move(label), std::move(file), {}};
        for (const SoundList* list : lists)
            for (const LineSound& s : *list) a.sounds.push_back(&s);
        played.push_back(std::move(a));
    };
    // The presses from Start through the line, until one has closed it (after an odd number of
    // announcements, the arrival past the last has one of its own).
    PressSequence presses(count);
    for (bool closed = count == 0; !closed;) {
        const Press press = presses.Advance();
        closed = press.closes;
        const auto i = static_cast<std::size_t>(press.index);
        if (i < count)
            add(PlaceOf(line.announcements[i]),
                Numbered(i + 1, count + 1) +
                    (press.phase == Phase::kDeparture ? "_odjezd.wav" : "_prijezd.wav"),
                PressSounds(line, press));
        else
            add("konec linky", Numbered(count + 1, count + 1) + "_konec.wav", PressSounds(line, press));
    }
    // Names told apart without regard to case, as Windows tells files apart: "A" and "a" are two
    // keys but would be one file.
    std::set<std::u16string> names;
    for (const UserAnnouncement& u : line.user_announcements) {
        std::string file = "u_" + FileNamePart(u.key.text);
        for (int n = 2; !names.insert(UpperCaseUtf16(Utf8ToUtf16(file))).second; ++n)
            file = "u_" + FileNamePart(u.key.text) + "_" + std::to_string(n);
        add(PlaceOf(u), file + ".wav", {&u.sounds});
    }
    return played;
}

SoundReport ReportSounds(const Line& line, const LineSounds& sounds, SoundSources& sources) {
    SoundReport report;
    report.files = sounds.files().size();
    std::vector<SoundFile> files = MeasureFiles(sounds, sources, report);
    FindConversions(line, sounds, files);
    for (std::size_t i = 0; i < files.size(); ++i) NoteFile(sounds.files()[i], files[i], report);
    return report;
}

}  // namespace vkm
