#include "core/file_system.h"

namespace vkm {

std::string WriteErrorText(const WriteError& error) {
    switch (error.kind) {
        case WriteError::Kind::kNone:
            break;
        case WriteError::Kind::kDiskFull:
            return "na disku není místo";
        case WriteError::Kind::kAccessDenied:
            return "přístup odepřen";
        case WriteError::Kind::kReadOnly:
            return "disk je jen pro čtení";
        case WriteError::Kind::kExists:
            return "už existuje; přepíše ho --prepsat";
        case WriteError::Kind::kOther:
            return "zápis selhal (chyba systému " + std::to_string(error.code) + ")";
    }
    return "";
}

Path TemporaryPathBeside(const Path& path, unsigned long process, unsigned n) {
    return ExtractFilePath(path) + "vkmcheck-" + std::to_string(process) + "-" + std::to_string(n) + ".tmp";
}

}  // namespace vkm
