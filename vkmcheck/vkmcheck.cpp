#include "vkmcheck/vkmcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

#include "core/catalogue.h"
#include "core/ini.h"
#include "core/line_check.h"
#include "core/line_output.h"
#include "core/line_sounds.h"
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

// What the arguments ask for.
struct Command {
    enum class Kind { kCheck, kRender, kRepair, kKeys, kUsage, kRefused } kind = Kind::kCheck;
    std::vector<std::string> paths;  // definition files and folders
    bool analyse = true, overwrite = false;
    std::size_t announcement = 0;  // --wav N; 0 with --wav-all: every one
    Path out;                      // of --wav, --wav-all or --uprav
    int outputs = 0;               // how many of those were given
    RepairOptions repair;
    bool repair_option = false;
    std::string refusal;  // Czech: why the arguments are refused (kRefused)
};

// A number from text, with a decimal point or comma; none when it is not one within [lo, hi].
std::optional<double> Number(std::string text, double lo, double hi) {
    std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    const double v = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= lo && v <= hi)) return std::nullopt;
    return v;
}

// What an option makes of the values after it: "" or why they are refused.
using Apply = std::string (*)(Command& c, const std::string* values);

std::string Output(Command& c, Command::Kind kind, const Path& out) {
    c.kind = kind;
    c.out = out;
    ++c.outputs;
    return "";
}
std::string Wav(Command& c, const std::string* v) {
    const bool number =
        v[0].size() < 9 && v[0].find_first_not_of("0123456789") == std::string::npos && std::stoul(v[0]) > 0;
    if (!number) return "--wav chce číslo hlášení od 1";
    c.announcement = std::stoul(v[0]);
    return Output(c, Command::Kind::kRender, v[1]);
}
std::string WavAll(Command& c, const std::string* v) {
    c.announcement = 0;
    return Output(c, Command::Kind::kRender, v[0]);
}
std::string Mend(Command& c, const std::string* v) {
    return Output(c, Command::Kind::kRepair, v[0]);
}
std::string Rate(Command& c, const std::string* v) {
    const std::optional<double> n = Number(v[0], 1000, 384000);
    if (!n || *n != std::floor(*n))
        return "--frekvence " + v[0] + ": frekvence je celé číslo od 1000 do 384000 Hz";
    c.repair.rate = static_cast<unsigned>(*n);
    c.repair_option = true;
    return "";
}
std::string Loudness(Command& c, const std::string* v) {
    const std::optional<double> n = Number(v[0], -70, 0);
    if (!n) return "--hlasitost " + v[0] + ": hlasitost je od -70 do 0 LUFS";
    c.repair.loudness = *n;
    c.repair_option = true;
    return "";
}
std::string Margin(Command& c, const std::string* v) {
    const std::optional<double> n = Number(v[0], 0, 10000);
    if (!n) return "--okraj " + v[0] + ": okraj je od 0 do 10000 ms";
    c.repair.margin_seconds = *n / 1000;
    c.repair_option = true;
    return "";
}

// The options, each with how many values follow it (none of them empty).
// clang-format off
const struct Option {
    const char* name;
    std::size_t values;
    Apply apply;
} kOptions[] = {
    {"--bez-rozboru", 0, [](Command& c, const std::string*) { c.analyse = false; return std::string(); }},
    {"--prepsat",     0, [](Command& c, const std::string*) { c.overwrite = true; return std::string(); }},
    {"--wav",         2, Wav},
    {"--wav-all",     1, WavAll},
    {"--uprav",       1, Mend},
    {"--frekvence",   1, Rate},
    {"--hlasitost",   1, Loudness},
    {"--okraj",       1, Margin},
};
// clang-format on

Command Refused(std::string why) {
    Command c;
    c.kind = Command::Kind::kRefused;
    c.refusal = std::move(why);
    return c;
}

// The command the arguments give; an empty argument (an unset variable in a script: never the
// whole disk) or an option without its values is the usage note.
Command ParseCommand(const std::vector<std::string>& arguments) {
    Command c;
    const Command usage = [] {
        Command u;
        u.kind = Command::Kind::kUsage;
        return u;
    }();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].empty()) return usage;
        const Option* option = nullptr;
        for (const Option& o : kOptions) option = arguments[i] == o.name ? &o : option;
        if (!option) {
            c.paths.push_back(arguments[i]);
            continue;
        }
        for (std::size_t k = 1; k <= option->values; ++k)
            if (i + k >= arguments.size() || arguments[i + k].empty()) return usage;
        if (std::string why = option->apply(c, &arguments[i + 1]); !why.empty()) return Refused(why);
        i += option->values;
    }
    const std::vector<std::string>& p = c.paths;
    if (p.empty() || p[0] == "--help" || p[0] == "-h" || p[0] == "/?") return usage;
    if (p[0] == "--klavesy") c.kind = Command::Kind::kKeys;
    if (c.kind == Command::Kind::kKeys) return c;
    if (c.outputs > 1) return Refused("--wav, --wav-all a --uprav nejdou použít spolu: každý zapisuje jinam");
    if (c.repair_option && c.kind != Command::Kind::kRepair)
        return Refused("--frekvence, --hlasitost a --okraj patří k --uprav");
    if (c.outputs == 1 && p.size() != 1)
        return Refused("--wav, --wav-all a --uprav chtějí právě jeden soubor linky");
    return c;
}

// What the line check works with.
struct Tools {
    FileSystem& files;
    SoundSources& sounds;
    FileWriter& writer;
    const Print& print;
    Show show;
    const KeyboardLayout& keyboard;  // the simulator's keys are found in it
};

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

// Loads the line at line_path (a full path) for writing from it; prints why not.
std::optional<LineFile> LoadForOutput(const Tools& t, const Path& line_path) {
    LineFile file = LoadLineFile(t.files, line_path);
    if (file.error == LineFileError::kMissing || file.error == LineFileError::kUnreadable) {
        t.print(t.show(line_path) + ": " + LineFileErrorText(file.error) + "\n");
        return std::nullopt;
    }
    return file;
}

// Refuses, before anything is written, an output that is a file the line reads.
bool RefusedOntoInput(const Tools& t, const std::vector<Path>& outputs, const LineSounds& sounds,
                      const Path& definition) {
    const std::optional<Path> onto = OutputOntoInput(t.files, outputs, LineInputs(sounds, definition));
    if (onto) t.print(OntoInputText(t.show(*onto)) + "\n");
    return onto.has_value();
}

// Makes the output folder unless it is there; prints why not.
bool MadeFolder(const Tools& t, const Path& folder) {
    if (t.writer.MakeFolder(folder)) return true;
    t.print("složku " + t.show(folder) + " nelze vytvořit\n");
    return false;
}

// The announcements to render, each with its file: the one asked for, or every one into the folder.
std::vector<std::pair<const PlayedAnnouncement*, Path>> RenderJobs(
    const Command& c, const std::vector<PlayedAnnouncement>& played) {
    std::vector<std::pair<const PlayedAnnouncement*, Path>> jobs;
    if (c.announcement > 0)
        jobs.emplace_back(&played[c.announcement - 1], c.out);
    else
        for (const PlayedAnnouncement& a : played)
            jobs.emplace_back(&a, IncludeBackslash(c.out) + a.file_name);
    return jobs;
}

// Writes one announcement as the player hands it to the device; false when it cannot.
bool RenderOne(const Tools& t, const LineSounds& sounds, const PlayedAnnouncement& a, const Path& path,
               bool overwrite) {
    std::vector<Path> paths;
    for (const LineSound* s : a.sounds) paths.push_back(sounds.FileOf(*s).path);
    AnnouncementStream stream(paths, t.sounds);
    const std::string failed = WriteWhole(
        t.writer, path, overwrite, [&](ByteSink& sink) { return WritePlayoutWave(stream, sink); }, "");
    if (!failed.empty()) {
        t.print(t.show(path) + ": soubor nelze zapsat (" + failed + ")\n");
        return false;
    }
    t.print(t.show(path) + "  (" + a.label + ")\n");
    for (std::size_t i = 0; i < stream.reports().size(); ++i)
        if (const std::string said =
                Replaced(stream.reports()[i], sounds.FileOf(*a.sounds[i]).name, t.sounds);
            !said.empty())
            t.print("    - " + said + "\n");
    return true;
}

// Renders the announcement asked for (1-based, among the announcements in the order of presses),
// or every one with the user announcements into the folder.
int Render(const Command& c, const Tools& t) {
    const Path& line_path = c.paths[0];
    const std::optional<LineFile> file = LoadForOutput(t, line_path);
    if (!file) return 2;
    const LineSounds sounds(file->line);
    const std::vector<PlayedAnnouncement> played = LinePlayback(file->line);
    const std::size_t presses = played.size() - file->line.user_announcements.size();
    if (c.announcement > presses) {
        t.print("linka má " + std::to_string(presses) + " hlášení; hlášení " +
                std::to_string(c.announcement) + " v ní není\n");
        return 2;
    }
    if (played.empty()) {
        t.print(t.show(line_path) + ": linka nemá žádné hlášení ani uživatelské hlášení; není co zapsat\n");
        return 0;
    }
    const auto jobs = RenderJobs(c, played);
    std::vector<Path> outputs;
    for (const auto& job : jobs) outputs.push_back(job.second);
    if (RefusedOntoInput(t, outputs, sounds, line_path)) return 2;
    if (c.announcement == 0 && !MadeFolder(t, c.out)) return 2;
    int exit_code = 0;
    for (const auto& [announcement, path] : jobs)
        if (!RenderOne(t, sounds, *announcement, path, c.overwrite)) exit_code = 2;
    return exit_code;
}

// Refuses a folder for the copy that is not empty (without --prepsat) or cannot be made.
bool RefusedFolder(const Command& c, const Tools& t) {
    std::vector<DirEntry> entries;
    if (!c.overwrite && t.files.ListDirectory(IncludeBackslash(c.out), entries) && !entries.empty()) {
        t.print("složka " + t.show(c.out) +
                " není prázdná; kopii do ní zapíše jen --prepsat. Nic nebylo zapsáno.\n");
        return true;
    }
    return !MadeFolder(t, c.out);
}

// Writes a mended copy of the line into the folder: every sound, then its definition file byte for
// byte when they all were written; then checks the copy.
int Repair(const Command& c, const Tools& t) {
    const Path& line_path = c.paths[0];
    const std::optional<LineFile> file = LoadForOutput(t, line_path);
    if (!file) return 2;
    const LineSounds sounds(file->line);
    const Path folder = IncludeBackslash(c.out), copy = folder + ExtractFileName(line_path);
    std::vector<Path> outputs{copy};
    for (const LineSoundFile& f : sounds.files())
        if (f.inside()) outputs.push_back(folder + f.relative);
    if (RefusedOntoInput(t, outputs, sounds, line_path) || RefusedFolder(c, t)) return 2;
    const LineRepair repair = RepairLine(sounds, t.sounds, c.repair, [&](const SoundRepair& s) {
        MakeFoldersBelow(t.writer, folder, s.file.relative);
        return WriteWhole(
            t.writer, folder + s.file.relative, c.overwrite,
            [&](ByteSink& sink) { return WriteRepairedSound(s, t.sounds, sink); }, "zvuk nešel přečíst celý");
    });
    const std::string& bytes = file->bytes;
    const std::string not_written =
        repair.Whole() ? WriteWhole(
                             t.writer, copy, c.overwrite,
                             [&](ByteSink& sink) { return sink.Write(bytes.data(), bytes.size()); }, "")
                       : "";
    t.print(FormatRepairReport(repair, t.show(copy), not_written));
    if (!repair.Whole() || !not_written.empty()) return 2;
    t.print("\nKontrola opravené kopie:\n");
    LineReport report = CheckLine(copy, t.files, t.sounds, true, t.keyboard);
    report.path = t.show(report.path);
    t.print(FormatLineReport(report));
    return report.ExitCode();
}

// Checks each definition file, and every one in each folder as the program searches its own.
int Check(const Command& c, const Tools& t) {
    int exit_code = 0, lines = 0, with_faults = 0;
    for (const std::string& arg : c.paths) {
        std::vector<Path> found;
        std::vector<DirEntry> entries;
        const Path folder = EndsWithPathDelimiter(arg) ? arg : arg + "\\";
        if (t.files.ListDirectory(folder, entries)) {
            found = FindDefinitionFiles(t.files, folder);
            if (found.empty()) t.print("Ve složce " + t.show(arg) + " není žádný soubor .vkm.\n\n");
        } else {
            found.push_back(arg);
        }
        for (const Path& path : found) {
            LineReport report = CheckLine(path, t.files, t.sounds, c.analyse, t.keyboard);
            report.path = t.show(report.path);
            t.print(FormatLineReport(report) + "\n");
            exit_code = std::max(exit_code, report.ExitCode());
            ++lines;
            if (report.ExitCode() != 0) ++with_faults;
        }
    }
    if (lines > 1)
        t.print("Zkontrolováno souborů: " + std::to_string(lines) +
                ", s chybami: " + std::to_string(with_faults) + "\n");
    return exit_code;
}

}  // namespace

int RunLineCheck(const std::vector<std::string>& arguments, FileSystem& files, SoundSources& sounds,
                 FileWriter& writer, const Print& print, const Show& show_path,
                 const KeyboardLayout& keyboard) {
    Command c = ParseCommand(arguments);
    const Tools t{files,   sounds, writer, print, show_path ? show_path : [](const Path& p) { return p; },
                  keyboard};
    if (c.kind == Command::Kind::kUsage) print(kUsage);
    if (c.kind == Command::Kind::kRefused) print(c.refusal + "\n");
    if (c.kind == Command::Kind::kKeys) print(KeyCharacterTable());
    if (c.kind == Command::Kind::kUsage || c.kind == Command::Kind::kRefused) return 2;
    if (c.kind == Command::Kind::kKeys) return 0;
    // Paths made full first, whatever was typed: a line's sounds are resolved against its folder as
    // the program resolves them, and outputs are compared with the files the line reads.
    for (std::string& p : c.paths) p = NormalizePath(files.FullPath(p));
    c.out = NormalizePath(files.FullPath(c.out));
    if (c.kind == Command::Kind::kRepair) return Repair(c, t);
    if (c.kind == Command::Kind::kRender) return Render(c, t);
    return Check(c, t);
}

}  // namespace vkm
