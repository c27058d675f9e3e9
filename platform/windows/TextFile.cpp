#include "platform/TextFile.h"

#include "base/Utf8Path.h"
#include "platform/DebugLog.h"

#include <atomic>
#include <fstream>
#include <windows.h>

namespace kestrum {

namespace {

WriteResult failed(WriteStatus status, std::string_view what, const std::filesystem::path& path,
                   DWORD error) {
    std::string line(what);
    line += utf8FromPath(path);
    line += ",error=";
    line += std::to_string(error);
    line += '\n';
    debugLog(line);
    return {status, static_cast<int>(error)};
}

// A name in the file's folder that no other writer uses: the process and a count.
std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> count{0};
    std::wstring name = L"." + target.filename().wstring() + L"." +
                        std::to_wstring(GetCurrentProcessId()) + L"." +
                        std::to_wstring(count.fetch_add(1)) + L".tmp";
    return target.parent_path() / name;
}

// Renames the new file over the old one. A reader that has the old file open without letting
// it be replaced (FILE_SHARE_DELETE) makes the rename fail for as long as it reads: the rename
// is tried again for about a second.
bool replaceWith(const std::filesystem::path& temporary, const std::filesystem::path& target,
                 DWORD& error) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) {
            return false;
        }
        Sleep(20);
    }
    return false;
}

} // namespace

WriteResult writeTextFile(const std::filesystem::path& path, std::string_view utf8Text) {
    const std::string bytes = textFileBytes(utf8Text);
    // A folder in the file's place is refused at once, with the error the move would give, rather
    // than after the move's second of retries (which wait for readers, not for folders).
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return failed(WriteStatus::NotCreated, "Can't open file ", path, ERROR_ACCESS_DENIED);
    }
    // The text goes to a new file beside the old one, which replaces it once whole: a program
    // that reads the file sees the old text or the new, never a part, and a failed write leaves
    // the old text as it was.
    const std::filesystem::path temporary = temporaryBeside(path);
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return failed(WriteStatus::NotCreated, "Can't open file ", path, GetLastError());
    }
    DWORD error = 0;
    std::size_t done = 0;
    while (done < bytes.size() && error == 0) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr)) {
            error = GetLastError();
        }
        done += wrote;
    }
    if (error == 0 && !FlushFileBuffers(file)) {
        error = GetLastError();
    }
    if (!CloseHandle(file) && error == 0) {
        error = GetLastError();
    }
    if (error != 0) {
        DeleteFileW(temporary.c_str());
        return failed(WriteStatus::NotWritten, "Can't write file ", path, error);
    }
    if (!replaceWith(temporary, path, error)) {
        DeleteFileW(temporary.c_str());
        return failed(WriteStatus::NotCreated, "Can't open file ", path, error);
    }
    return {WriteStatus::Written, 0};
}

} // namespace kestrum
