#include "launch/DataFolder.h"

#include "base/Utf8Path.h"

#include <fstream>
#include <system_error>

namespace kestrum {

std::string DataFolderProblem::message() const {
    if (kind == Kind::NotMade) {
        return utf8FromPath(folder) + ": the data folder cannot be created (" + reason + ")";
    }
    return utf8FromPath(folder) + ": the data folder cannot be written";
}

std::optional<DataFolderProblem> prepareDataFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return DataFolderProblem{DataFolderProblem::Kind::NotMade, folder, error.message()};
    }
    const std::filesystem::path probe = folder / ".kestrum-write-test";
    const bool written = static_cast<bool>(std::ofstream(probe) << "");
    std::filesystem::remove(probe, error);
    if (!written || !std::filesystem::is_directory(folder)) {
        return DataFolderProblem{DataFolderProblem::Kind::NotWritable, folder, {}};
    }
    return std::nullopt;
}

} // namespace kestrum
