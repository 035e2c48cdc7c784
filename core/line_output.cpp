#include "core/line_output.h"

#include <map>
#include <set>

#include "core/line_sounds.h"

namespace vkm {

std::optional<Path> OutputOntoInput(FileSystem& files, const std::vector<Path>& outputs,
                                    const std::vector<Path>& inputs) {
    std::set<std::string> paths;
    for (const Path& in : inputs) paths.insert(FoldedPath(in));
    // The outputs that exist already, by identity: only they can be an input through a link.
    std::map<FileIdentity, Path> existing;
    for (const Path& out : outputs) {
        if (paths.count(FoldedPath(out))) return out;
        if (const std::optional<FileIdentity> id = files.Identity(out)) existing.emplace(*id, out);
    }
    for (std::size_t i = 0; i < inputs.size() && !existing.empty(); ++i)
        if (const std::optional<FileIdentity> id = files.Identity(inputs[i]))
            if (auto it = existing.find(*id); it != existing.end()) return it->second;
    return std::nullopt;
}

std::string OntoInputText(const std::string& shown) {
    return shown +
           ": tento soubor linka čte (je to její definiční soubor nebo zvuk); vkmcheck do souborů linky "
           "nikdy nezapisuje, ani s --prepsat. Nic nebylo zapsáno.";
}

std::string WriteWhole(FileWriter& writer, const Path& path, bool overwrite,
                       const std::function<bool(ByteSink&)>& fill, const std::string& fill_failed) {
    FileWriter::Created created = writer.Create(path, overwrite);
    if (!created.file) return WriteErrorText(created.error);
    OutputFile& file = *created.file;
    if (!fill(file)) return file.error() ? WriteErrorText(file.error()) : fill_failed;
    return file.Commit() ? "" : WriteErrorText(file.error());
}

void MakeFoldersBelow(FileWriter& writer, const Path& folder, const Path& relative) {
    for (std::size_t at = relative.find_first_of("\\/"); at != std::string::npos;
         at = relative.find_first_of("\\/", at + 1))
        writer.MakeFolder(folder + relative.substr(0, at));
}

}  // namespace vkm
