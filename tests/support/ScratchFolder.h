#pragma once

// Files for tests: a folder of the running test's own, and the bytes of a file.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>

namespace kestrum::test {

// An empty folder named after the running test, removed again when the test ends.
class ScratchFolder {
public:
    ScratchFolder() {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        // A random number keeps two test programs that run at once apart.
        std::string name = "kestrum-" + std::to_string(std::random_device{}());
        if (test != nullptr) {
            name += std::string("-") + test->test_suite_name() + "-" + test->name();
        }
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace kestrum::test
