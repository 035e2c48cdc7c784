#include "vkmcheck/vkmcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "core/catalogue.h"
#include "core/ini.h"
#include "core/line_check.h"
#include "core/path.h"
#include "core/playout.h"
#include "core/report_text.h"
#include "core/sound_repair.h"
#include "core/sound_report.h"

namespace vkm {

namespace {

const char kUsage[] =
    "Kontrola definičních souborů linek Vlakomluvu.\n"
    "\n"
    "  vkmcheck SOUBOR.vkm|SLOŽKA...        zkontroluje soubory (ve složkách všechny *.vkm)\n"
    "                                       i jejich zvuky (ticho, hlasitost, přebuzení, cvakání)\n"
    "  vkmcheck --bez-rozboru SOUBOR...     zkontroluje soubory bez rozboru zvuků (rychle)\n"
    "  vkmcheck SOUBOR.vkm --uprav SLOŽKA   zapíše do složky opravenou kopii linky: zvuky v jednom\n"
    "                                       formátu, bez stejnosměrné složky, s tichem na koncích\n"
    "                                       zkráceným na okraj, stejně hlasité, s krátkým\n"
    "                                       roztmíváním a stmíváním; pak kopii zkontroluje\n"
    "      --frekvence HZ                   frekvence kopie (jinak ta, kterou má většina zvuků)\n"
    "      --hlasitost LUFS                 hlasitost kopie (jinak medián linky)\n"
    "      --okraj MS                       ticho ponechané na koncích zvuku (jinak 50 ms)\n"
    "  vkmcheck SOUBOR.vkm --wav N VÝSTUP.wav\n"
    "                                       zapíše N-té hlášení tak, jak ho program přehraje\n"
    "  vkmcheck SOUBOR.vkm --wav-all SLOŽKA zapíše všechna hlášení linky do složky\n"
    "  (--prepsat přepíše soubory, které už existují; soubory linky nepřepíše nikdy)\n"
    "  vkmcheck --klavesy                   vypíše, který znak je která klávesa\n"
    "\n"
    "Návratový kód: 0 bez chyb, 1 linka má chyby, 2 soubor nelze přečíst nebo zapsat.\n";

using Print = std::function<void(const std::string&)>;
using Show = std::function<std::string(const Path&)>;

// A number from text, with a decimal point or comma; none when it is not one within [lo, hi].
std::optional<double> Number(std::string text, double lo, double hi) {
    std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    const double v = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) return std::nullopt;
    return v;
}

// What a rendered announcement's fragment became, when it is not the file's own sound.
std::string Replaced(const FragmentReport& r, const std::string& name, SoundSources& sounds) {
    if (r.result != FragmentResult::kDefaultSound && r.result != FragmentResult::kTone) return "";
    const std::string said = "zvuk " + Quoted(name);
    if (r.fault == WaveFault::kUnsupported) {
        // A compressed file that this build's own decoders do not take plays where the system has a codec.
        std::unique_ptr<ByteSource> source = sounds.Open(r.path);
        if (source && InspectWave(*source, sounds.codecs()).playability == Playability::kNeedsSystemCodec)
            return said +
                   " tato verze vkmcheck neumí dekódovat (ve Windows ho přehraje kodek systému); v souboru "
                   "je "
                   "místo něj tón";
    }
    return said + (r.fault == WaveFault::kUnreadable ? " chybí" : " nelze přehrát") + ": místo něj zazní " +
           (r.result == FragmentResult::kDefaultSound ? "výchozí zvuk systému" : "tón");
}

// Refuses, before anything is written, an output that is a file the line reads.
bool RefusedOntoInput(const std::vector<Path>& outputs, const std::vector<Path>& inputs, const Print& print,
                      const Show& show) {
    for (const Path& out : outputs)
        for (const Path& in : inputs)
            if (SameFile(out, in)) {
                print(show(out) +
                      ": tento soubor linka čte (je to její definiční soubor nebo zvuk); vkmcheck do "
                      "souborů linky nikdy nezapisuje, ani s --prepsat. Nic nebylo zapsáno.\n");
                return true;
            }
    return false;
}

// Loads the line at line_path (a full path) for writing from it; prints why not.
std::optional<LineFile> LoadForOutput(FileSystem& files, const Path& line_path, const Print& print,
                                      const Show& show) {
    LineFile file = LoadLineFile(files, line_path);
    if (file.error == LineFileError::kMissing || file.error == LineFileError::kUnreadable) {
        print(show(line_path) + ": " + LineFileErrorText(file.error) + "\n");
        return std::nullopt;
    }
    return file;
}

// Renders the announcements of the line at line_path: which (1-based, among the announcements
// in the order of presses) or every one, with the user announcements, into folder.
int Render(const Path& line_path, std::size_t which, const Path& out, bool overwrite, FileSystem& files,
           SoundSources& sounds, FileWriter& writer, const Print& print, const Show& show) {
    const std::optional<LineFile> file = LoadForOutput(files, line_path, print, show);
    if (!file) return 2;
    const Line& line = file->line;
    const std::vector<PlayedAnnouncement> played = LinePlayback(line);
    const std::size_t presses = played.size() - line.user_announcements.size();
    std::vector<std::pair<const PlayedAnnouncement*, Path>> jobs;
    if (which > 0) {
        if (which > presses) {
            print("linka má " + std::to_string(presses) + " hlášení; hlášení " + std::to_string(which) +
                  " v ní není\n");
            return 2;
        }
        jobs.emplace_back(&played[which - 1], out);
    } else {
        if (played.empty()) {
            print(show(line_path) + ": linka nemá žádné hlášení ani uživatelské hlášení; není co zapsat\n");
            return 0;
        }
        for (const PlayedAnnouncement& a : played) jobs.emplace_back(&a, IncludeBackslash(out) + a.file_name);
    }
    std::vector<Path> outputs;
    for (const auto& job : jobs) outputs.push_back(job.second);
    if (RefusedOntoInput(outputs, LineInputs(line, line_path), print, show)) return 2;
    if (which == 0 && !writer.MakeFolder(out)) {
        print("složku " + show(out) + " nelze vytvořit\n");
        return 2;
    }
    int exit_code = 0;
    for (const auto& [announcement, path] : jobs) {
        std::unique_ptr<ByteSink> sink = writer.Create(path, overwrite);
        if (!sink) {
            print(show(path) + ": soubor nelze zapsat" +
                  (overwrite || !files.FileExists(path) ? "" : " (už existuje; přepíše ho --prepsat)") +
                  "\n");
            exit_code = 2;
            continue;
        }
        std::vector<Path> paths;
        std::map<Path, std::string> names;
        for (const LineSound* s : announcement->sounds) {
            paths.push_back(line.SoundPath(*s));
            names.emplace(paths.back(), s->name);
        }
        AnnouncementStream stream(paths, sounds);
        if (!WritePlayoutWave(stream, *sink)) {
            print(show(path) + ": zápis selhal\n");
            exit_code = 2;
            continue;
        }
        print(show(path) + "  (" + announcement->label + ")\n");
        for (const FragmentReport& r : stream.reports())
            if (const std::string said = Replaced(r, names[r.path], sounds); !said.empty())
                print("    - " + said + "\n");
    }
    return exit_code;
}

std::string Ms(double ms) {
    return Decimal(ms, 0) + " ms";
}

// Writes a mended copy of the line at line_path into folder, then checks the copy.
int Repair(const Path& line_path, const Path& out, bool overwrite, const RepairOptions& options,
           FileSystem& files, SoundSources& sounds, FileWriter& writer, const Print& print, const Show& show,
           const KeyboardLayout& keyboard) {
    const std::optional<LineFile> file = LoadForOutput(files, line_path, print, show);
    if (!file) return 2;
    const Line& line = file->line;
    const Path folder = IncludeBackslash(out);
    const Path copy = folder + ExtractFileName(line_path);
    std::vector<Path> outputs{copy};
    for (const SoundRepair& s : LineSoundFiles(line))
        if (!s.relative.empty()) outputs.push_back(folder + s.relative);
    if (RefusedOntoInput(outputs, LineInputs(line, line_path), print, show)) return 2;
    std::vector<DirEntry> entries;
    if (files.ListDirectory(folder, entries) && !entries.empty() && !overwrite) {
        print("složka " + show(out) +
              " není prázdná; kopii do ní zapíše jen --prepsat. Nic nebylo zapsáno.\n");
        return 2;
    }
    if (!writer.MakeFolder(out)) {
        print("složku " + show(out) + " nelze vytvořit\n");
        return 2;
    }
    int exit_code = 0;
    auto create = [&](const Path& path) {
        std::unique_ptr<ByteSink> sink = writer.Create(path, overwrite);
        if (!sink) {
            print(show(path) + ": soubor nelze zapsat\n");
            exit_code = 2;
        }
        return sink;
    };
    if (std::unique_ptr<ByteSink> sink = create(copy);
        sink && !sink->Write(file->bytes.data(), file->bytes.size())) {
        print(show(copy) + ": zápis selhal\n");
        exit_code = 2;
    }
    const LineRepair repair = RepairLine(line, sounds, options, [&](const SoundRepair& s) {
        // The sound's sub-folders, each made once it is needed.
        for (std::size_t at = s.relative.find_first_of("\\/"); at != std::string::npos;
             at = s.relative.find_first_of("\\/", at + 1))
            writer.MakeFolder(folder + s.relative.substr(0, at));
        const Path path = folder + s.relative;
        std::unique_ptr<ByteSink> sink = create(path);
        if (sink && !WriteRepairedSound(s, sounds, *sink)) {
            print(show(path) + ": zápis selhal\n");
            exit_code = 2;
        }
    });

    print("Opravená kopie linky: " + show(copy) + "\n");
    print("  Formát zvuků: PCM 16 bitů, " + FrequencyText(repair.rate) + ", " +
          ChannelsText(repair.channels) + "\n");
    if (repair.target_lufs)
        print("  Hlasitost: " + Decimal(*repair.target_lufs, 1) + " LUFS" +
              (repair.target_is_median ? " (medián linky)" : "") + ", skutečná špička nejvýš " +
              Decimal(kRepairPeakDbtp, 0) + " dBTP\n");
    print("  Ticho na koncích: " + Ms(1000 * repair.margin_seconds) + "\n");
    print("  Zvuky (" + std::to_string(repair.sounds.size()) + "):\n");
    std::vector<std::string> unmended;
    for (const SoundRepair& s : repair.sounds) {
        std::string said = "    " + Quoted(s.name) + ": ";
        if (!s.relative.empty())
            said += (s.gain_db > 0 ? "+" : "") + Decimal(s.gain_db, 1) + " dB, oříznuto " +
                    Ms(s.trimmed_start_ms) + " na začátku a " + Ms(s.trimmed_end_ms) + " na konci, " +
                    s.before + " → " + s.after;
        else
            said += "nezkopírován";
        print(said + "\n");
        for (const std::string& u : s.unmended) print("      - " + u + "\n");
        if (!s.unmended.empty()) unmended.push_back(Quoted(s.name));
    }
    if (!unmended.empty()) {
        std::string names;
        for (const std::string& n : unmended) names += (names.empty() ? "" : ", ") + n;
        print("  Neopraveno (" + std::to_string(unmended.size()) + "): " + names + "\n");
    }
    print("\nKontrola opravené kopie:\n");
    LineReport report = CheckLine(copy, files, sounds, true, keyboard);
    report.path = show(report.path);
    print(FormatLineReport(report));
    return std::max(exit_code, report.ExitCode());
}

}  // namespace

int RunLineCheck(const std::vector<std::string>& arguments, FileSystem& files, SoundSources& sounds,
                 FileWriter& writer, const Print& print, const Show& show_path,
                 const KeyboardLayout& keyboard) {
    const Show show = show_path ? show_path : [](const Path& p) { return p; };
    auto usage = [&] {
        print(kUsage);
        return 2;
    };
    std::vector<std::string> args;
    bool analyse = true, overwrite = false;
    std::optional<std::size_t> wav;  // 0: every announcement
    std::optional<Path> mend;        // --uprav
    RepairOptions repair;
    bool repair_option = false;
    Path out;
    int outputs = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool value = i + 1 < arguments.size() && !arguments[i + 1].empty();
        if (a.empty()) {
            return usage();  // an unset variable in a script: never the whole disk
        } else if (a == "--bez-rozboru") {
            analyse = false;
        } else if (a == "--prepsat") {
            overwrite = true;
        } else if (a == "--wav") {
            if (!value || i + 2 >= arguments.size() || arguments[i + 2].empty()) return usage();
            const std::string& n = arguments[++i];
            const bool number =
                n.size() < 9 && n.find_first_not_of("0123456789") == std::string::npos && std::stoul(n) > 0;
            if (!number) {
                print("--wav chce číslo hlášení od 1\n");
                return 2;
            }
            wav = std::stoul(n);
            out = arguments[++i];
            ++outputs;
        } else if (a == "--wav-all" || a == "--uprav") {
            if (!value) return usage();
            if (a == "--uprav")
                mend = arguments[i + 1];
            else
                wav = 0;
            out = arguments[++i];
            ++outputs;
        } else if (a == "--frekvence" || a == "--hlasitost" || a == "--okraj") {
            if (!value) return usage();
            const std::string& v = arguments[++i];
            const std::optional<double> n = a == "--frekvence"   ? Number(v, 1000, 384000)
                                            : a == "--hlasitost" ? Number(v, -70, 0)
                                                                 : Number(v, 0, 10000);
            if (!n || (a == "--frekvence" && *n != std::floor(*n))) {
                print(a + " " + v + ": " +
                      (a == "--frekvence"   ? "frekvence je celé číslo od 1000 do 384000 Hz"
                       : a == "--hlasitost" ? "hlasitost je od -70 do 0 LUFS"
                                            : "okraj je od 0 do 10000 ms") +
                      "\n");
                return 2;
            }
            if (a == "--frekvence") repair.rate = static_cast<unsigned>(*n);
            if (a == "--hlasitost") repair.loudness = *n;
            if (a == "--okraj") repair.margin_seconds = *n / 1000;
            repair_option = true;
        } else {
            args.push_back(a);
        }
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?") return usage();
    if (args[0] == "--klavesy") {
        print(KeyCharacterTable());
        return 0;
    }
    if (outputs > 1) {
        print("--wav, --wav-all a --uprav nejdou použít spolu: každý zapisuje jinam\n");
        return 2;
    }
    if (repair_option && !mend) {
        print("--frekvence, --hlasitost a --okraj patří k --uprav\n");
        return 2;
    }
    // Paths made full first, whatever was typed: a line's sounds are resolved against its folder as
    // the program resolves them, and outputs are compared with the files the line reads.
    for (std::string& a : args) a = NormalizePath(files.FullPath(a));
    if (outputs == 1 && args.size() != 1) {
        print("--wav, --wav-all a --uprav chtějí právě jeden soubor linky\n");
        return 2;
    }
    out = NormalizePath(files.FullPath(out));
    if (mend) return Repair(args[0], out, overwrite, repair, files, sounds, writer, print, show, keyboard);
    if (wav) return Render(args[0], *wav, out, overwrite, files, sounds, writer, print, show);
    int exit_code = 0, lines = 0, with_faults = 0;
    for (const std::string& arg : args) {
        std::vector<Path> found;
        std::vector<DirEntry> entries;
        const Path folder = EndsWithPathDelimiter(arg) ? arg : arg + "\\";
        if (files.ListDirectory(folder, entries)) {
            found = FindDefinitionFiles(files, folder);
            if (found.empty()) print("Ve složce " + show(arg) + " není žádný soubor .vkm.\n\n");
        } else {
            found.push_back(arg);
        }
        for (const Path& path : found) {
            LineReport report = CheckLine(path, files, sounds, analyse, keyboard);
            report.path = show(report.path);
            print(FormatLineReport(report) + "\n");
            exit_code = std::max(exit_code, report.ExitCode());
            ++lines;
            if (report.ExitCode() != 0) ++with_faults;
        }
    }
    if (lines > 1)
        print("Zkontrolováno souborů: " + std::to_string(lines) +
              ", s chybami: " + std::to_string(with_faults) + "\n");
    return exit_code;
}

}  // namespace vkm
