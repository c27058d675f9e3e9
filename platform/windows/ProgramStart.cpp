#include "platform/ProgramStart.h"

#include "platform/windows/WideText.h"

#include <fcntl.h>
#include <io.h>
// clang-format off
#include <windows.h>
#include <shellapi.h> // after windows.h, whose types it uses
// clang-format on

namespace kestrum {

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        arguments.push_back(windows::fromWide(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

void useByteStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    return _wfopen(path.c_str(), windows::toWide(mode).c_str());
}

} // namespace kestrum
