// kestrum-cli: the plans of the window program, without a window.

#include "cli/Program.h"
#include "platform/ProgramStart.h"

#include <vector>

int main(int argc, char** argv) {
    kestrum::useByteStreams();
    const std::vector<std::string> arguments = kestrum::programArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    pointers.push_back(nullptr);
    return kestrum::cli::runProgram(static_cast<int>(arguments.size()), pointers.data());
}
