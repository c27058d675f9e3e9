#include "app/Program.h"

int main(int argc, char** argv) {
    return kestrum::runProgram(argc, argv);
}
