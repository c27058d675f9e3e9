#include "platform/ProgramStart.h"

namespace kestrum {

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void useByteStreams() {
    // Linux streams are bytes already.
}

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

} // namespace kestrum
