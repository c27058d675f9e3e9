// kestrum-cli: the plans of the window program, without a window.

#include "cli/Program.h"

int main(int argc, char** argv) {
    return kestrum::cli::runProgram(argc, argv);
}
