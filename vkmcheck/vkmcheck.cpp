#include "vkmcheck/vkmcheck.h"

#include <algorithm>
#include <map>

#include "core/catalogue.h"
#include "core/ini.h"
#include "core/line_check.h"
#include "core/path.h"
#include "core/playout.h"
#include "core/report_text.h"
#include "core/sound_report.h"

namespace vkm {

namespace {

const char kUsage[] =
    "Kontrola definičních souborů linek Vlakomluvu.\n"
    "\n"
    "  vkmcheck SOUBOR.vkm|SLOŽKA...        zkontroluje soubory (ve složkách všechny *.vkm)\n"
    "                                       i jejich zvuky (ticho, hlasitost, přebuzení, cvakání)\n"
    "  vkmcheck --bez-rozboru SOUBOR...     zkontroluje soubory bez rozboru zvuků (rychle)\n"
    "  vkmcheck SOUBOR.vkm --wav N VÝSTUP.wav\n"
    "                                       zapíše N-té hlášení tak, jak ho program přehraje\n"
    "  vkmcheck SOUBOR.vkm --wav-all SLOŽKA zapíše všechna hlášení linky do složky\n"
    "  (--prepsat přepíše soubory, které už existují)\n"
    "  vkmcheck --klavesy                   vypíše, který znak je která klávesa\n"
    "\n"
    "Návratový kód: 0 bez chyb, 1 linka má chyby, 2 soubor nelze přečíst nebo zapsat.\n";

// What a rendered announcement's fragment became, when it is not the file's own sound.
std::string Replaced(const FragmentReport& r, const std::string& name) {
    if (r.result != FragmentResult::kDefaultSound && r.result != FragmentResult::kTone) return "";
    return "zvuk " + Quoted(name) + (r.fault == WaveFault::kUnreadable ? " chybí" : " nelze přehrát") +
           ": místo něj zazní " +
           (r.result == FragmentResult::kDefaultSound ? "výchozí zvuk systému" : "tón");
}

// Renders the announcements of the line at line_path: which (1-based, among the announcements
// in the order of presses) or every one, with the user announcements, into folder.
int Render(const Path& line_path, std::size_t which, const Path& out, bool overwrite, FileSystem& files,
           SoundSources& sounds, FileWriter& writer, const std::function<void(const std::string&)>& print,
           const std::function<std::string(const Path&)>& show) {
    const LineFile file = LoadLineFile(files, line_path);
    if (file.error == LineFileError::kMissing || file.error == LineFileError::kUnreadable) {
        print(show(line_path) + ": " + LineFileErrorText(file.error) + "\n");
        return 2;
    }
    const Line& line = file.line;
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
        if (!writer.MakeFolder(out)) {
            print("složku " + show(out) + " nelze vytvořit\n");
            return 2;
        }
        for (const PlayedAnnouncement& a : played) jobs.emplace_back(&a, IncludeBackslash(out) + a.file_name);
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
            if (const std::string said = Replaced(r, names[r.path]); !said.empty())
                print("    - " + said + "\n");
    }
    return exit_code;
}

}  // namespace

int RunLineCheck(const std::vector<std::string>& arguments, FileSystem& files, SoundSources& sounds,
                 FileWriter& writer, const std::function<void(const std::string&)>& print,
                 const std::function<std::string(const Path&)>& show_path) {
    std::vector<std::string> args;
    bool analyse = true, overwrite = false;
    std::optional<std::size_t> wav;  // 0: every announcement
    Path out;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--bez-rozboru") {
            analyse = false;
        } else if (a == "--prepsat") {
            overwrite = true;
        } else if (a == "--wav" && i + 2 < arguments.size()) {
            const std::string& n = arguments[++i];
            const bool number =
                !n.empty() && n.size() < 9 && n.find_first_not_of("0123456789") == std::string::npos;
            wav = number ? std::stoul(n) : 0;
            out = arguments[++i];
            if (*wav == 0) {
                print("--wav chce číslo hlášení od 1\n");
                return 2;
            }
        } else if (a == "--wav-all" && i + 1 < arguments.size()) {
            wav = 0;
            out = arguments[++i];
        } else {
            args.push_back(a);
        }
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?") {
        print(kUsage);
        return 2;
    }
    if (args[0] == "--klavesy") {
        print(KeyCharacterTable());
        return 0;
    }
    if (wav) {
        if (args.size() != 1) {
            print("--wav a --wav-all chtějí právě jeden soubor linky\n");
            return 2;
        }
        return Render(
            args[0], *wav, out, overwrite, files, sounds, writer, print,
            show_path ? show_path : [](const Path& p) { return p; });
    }
    int exit_code = 0, lines = 0, with_faults = 0;
    for (const std::string& arg : args) {
        std::vector<Path> found;
        std::vector<DirEntry> entries;
        const Path folder = EndsWithPathDelimiter(arg) ? arg : arg + "\\";
        if (files.ListDirectory(folder, entries)) {
            found = FindDefinitionFiles(files, folder);
            if (found.empty()) print("Ve složce " + arg + " není žádný soubor .vkm.\n\n");
        } else {
            found.push_back(arg);
        }
        for (const Path& path : found) {
            LineReport report = CheckLine(path, files, sounds, analyse);
            if (show_path) report.path = show_path(report.path);
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
