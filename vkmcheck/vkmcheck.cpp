#include "vkmcheck/vkmcheck.h"

#include <algorithm>

#include "core/catalogue.h"
#include "core/line_check.h"
#include "core/path.h"

namespace vkm {

namespace {

const char kUsage[] =
    "Kontrola definičních souborů linek Vlakomluvu.\n"
    "\n"
    "  vkmcheck SOUBOR.vkm|SLOŽKA...   zkontroluje soubory (ve složkách všechny *.vkm)\n"
    "  vkmcheck --klavesy              vypíše, který znak je která klávesa\n"
    "\n"
    "Návratový kód: 0 bez chyb, 1 linka má chyby, 2 soubor nelze přečíst.\n";

}  // namespace

int RunLineCheck(const std::vector<std::string>& args, FileSystem& files, SoundSources& sounds,
                 const std::function<void(const std::string&)>& print,
                 const std::function<std::string(const Path&)>& show_path) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?") {
        print(kUsage);
        return 2;
    }
    if (args[0] == "--klavesy") {
        print(KeyCharacterTable());
        return 0;
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
            LineReport report = CheckLine(path, files, sounds);
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
