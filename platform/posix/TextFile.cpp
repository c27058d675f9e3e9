#include "platform/TextFile.h"

#include "platform/DebugLog.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

WriteResult failed(WriteStatus status, std::string_view what, const std::filesystem::path& path,
                   int error) {
    std::string line(what);
    line += path.native();
    line += ",error=";
    line += std::to_string(static_cast<unsigned>(error));
    line += '\n';
    debugLog(line);
    return {status, error};
}

} // namespace

namespace {

// Writes all of `bytes` to the open descriptor; the errno of the failure, 0 when all went.
int writeAll(int descriptor, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return 0;
}

// A device or a pipe cannot be replaced: it is written in place, as a stream.
WriteResult writeInPlace(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return failed(WriteStatus::NotCreated, "Can't open file ", path, errno);
    }
    // The stream buffers: a full disk may show only when the file is closed.
    const bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = complete ? 0 : errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = closed ? 0 : errno;
    if (!complete || !closed) {
        return failed(WriteStatus::NotWritten, "Can't write file ", path,
                      complete ? closeError : writeError);
    }
    return {WriteStatus::Written, 0};
}

// A name in the file's folder that no other writer uses: the process and a count.
std::filesystem::path temporaryBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> count{0};
    return target.parent_path() /
           ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
            std::to_string(count.fetch_add(1)) + ".tmp");
}

} // namespace

WriteResult writeTextFile(const std::filesystem::path& path, std::string_view utf8Text) {
    const std::string bytes = textFileBytes(utf8Text);
    // A link is followed: the file it leads to is replaced, and the link stays.
    std::filesystem::path target = path;
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode) && !S_ISDIR(old.st_mode)) {
        return writeInPlace(path, bytes);
    }
    std::error_code error;
    if (exists && std::filesystem::is_symlink(path, error)) {
        target = std::filesystem::canonical(path, error);
        if (error) {
            target = path;
        }
    }
    // The text goes to a new file beside the old one, which is renamed over it once whole: a
    // program that reads the file sees the old text or the new, never a part, and a failed
    // write leaves the old text as it was. A new file gets the permissions a created file gets;
    // a replaced one keeps those it had.
    const std::filesystem::path temporary = temporaryBeside(target);
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return failed(WriteStatus::NotCreated, "Can't open file ", path, errno);
    }
    if (exists && S_ISREG(old.st_mode)) {
        ::fchmod(descriptor, old.st_mode & 07777);
    }
    const int writeError = writeAll(descriptor, bytes);
    const int closeError = ::close(descriptor) == 0 ? 0 : errno;
    if (writeError != 0 || closeError != 0) {
        ::unlink(temporary.c_str());
        return failed(WriteStatus::NotWritten, "Can't write file ", path,
                      writeError != 0 ? writeError : closeError);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return failed(WriteStatus::NotCreated, "Can't open file ", path, renameError);
    }
    return {WriteStatus::Written, 0};
}

} // namespace kestrum
