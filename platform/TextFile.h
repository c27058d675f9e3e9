#pragma once

// The one writer of the files that other programs read ("data1.txt" and the plan export
// files): UTF-8 text written as GBK through a text-mode stream, so that every LF reaches the
// file as CR LF (and a CR LF in the text as CR CR LF). The file is created or truncated and
// written whole.

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrum {

struct WriteResult {
    bool ok = false;
    // The errno of the failure; 0 on success.
    int error = 0;
};

// Writes text to path. When the file cannot be created, logs
// "Can't open file <path>,error=<errno>" and a line end on the debug log and writes nothing.
WriteResult writeTextFile(const std::filesystem::path& path, std::string_view utf8Text);

// The bytes writeTextFile puts on disk for a text.
std::string textFileBytes(std::string_view utf8Text);

} // namespace kestrum
