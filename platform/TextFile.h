#pragma once

// The one writer of the files that other programs read ("data1.txt" and the plan export
// files): UTF-8 text written as GBK through a text-mode stream, so that every LF reaches the
// file as CR LF (and a CR LF in the text as CR CR LF). The file is replaced whole: a reader
// sees the old text or the new one, never an empty or a partial file.

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrum {

enum class WriteStatus {
    Written,    // the file holds the whole text
    NotCreated, // the file could not be created or replaced: it is as it was
    NotWritten, // not all of the text reached the disk: the file is as it was (a device or a
                // pipe, written in place, may hold a part)
};

struct WriteResult {
    WriteStatus status = WriteStatus::NotCreated;
    // The errno of the failure; 0 when written.
    int error = 0;

    bool ok() const { return status == WriteStatus::Written; }
};

// Writes text to path. A failure is logged on the debug log with the path as given and the
// errno: "Can't open file <path>,error=<errno>" and a line end when the file cannot be created
// (nothing is written), "Can't write file <path>,error=<errno>" and a line end when the text
// did not all reach it.
WriteResult writeTextFile(const std::filesystem::path& path, std::string_view utf8Text);

// The bytes writeTextFile puts on disk for a text.
std::string textFileBytes(std::string_view utf8Text);

} // namespace kestrum
