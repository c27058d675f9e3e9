#include "platform/TemporaryFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace kestrum {

std::variant<std::unique_ptr<TemporaryFolder>, std::string>
TemporaryFolder::make(std::string_view prefix) {
    std::error_code code;
    std::string pattern =
        (std::filesystem::temp_directory_path(code) / (std::string(prefix) + "XXXXXX")).string();
    if (code) {
        return code.message();
    }
    if (::mkdtemp(pattern.data()) == nullptr) {
        return std::string(std::strerror(errno));
    }
    return std::unique_ptr<TemporaryFolder>(new TemporaryFolder(pattern));
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace kestrum
