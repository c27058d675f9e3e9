#pragma once

// The folder that data1.txt and the export files go into: made when missing, and checked
// before anything is computed, so that a folder that cannot be written is said at the start and
// not by each file that fails later.

#include <filesystem>
#include <optional>
#include <string>

namespace kestrum {

struct DataFolderProblem {
    enum class Kind {
        // The folder, or a folder above it, could not be made: `reason` says why.
        NotMade,
        // The folder is there, but no file can be written in it (or it is no folder).
        NotWritable,
    };
    Kind kind = Kind::NotMade;
    std::filesystem::path folder;
    // The system's reason for NotMade; empty for NotWritable.
    std::string reason;

    // "FOLDER: the data folder cannot be created (REASON)" or "FOLDER: the data folder cannot
    // be written".
    std::string message() const;
};

// Makes `folder` with the folders above it, and checks that a file can be written in it (the
// probe file is removed). Nothing when both hold. Also for each lottery's subfolder of a watch.
std::optional<DataFolderProblem> prepareDataFolder(const std::filesystem::path& folder);

} // namespace kestrum
