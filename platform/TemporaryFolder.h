#pragma once

// A folder of its own under the system's temporary folder, removed with everything in it when
// the object goes.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace kestrum {

class TemporaryFolder {
public:
    // Makes a new folder whose name starts with `prefix` and that no other process has.
    // The system's reason when it cannot be made.
    static std::variant<std::unique_ptr<TemporaryFolder>, std::string>
    make(std::string_view prefix);

    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    explicit TemporaryFolder(std::filesystem::path path) : m_path(std::move(path)) {}
    std::filesystem::path m_path;
};

} // namespace kestrum
