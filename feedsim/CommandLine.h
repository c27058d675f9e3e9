#pragma once

// kestrum-feedsim's command line.

#include "feedsim/FeedServer.h"

#include <string>
#include <variant>

namespace feedsim {

// What the command line asks the server to do.
struct Arguments {
    // Everything but onPublished, which is the program's to set.
    ServerOptions options;
    // One line on stdout per draw as it is published (publishedLine).
    bool announce = false;
    // Print the request counts every this many seconds too, 1 to 86400; 0: only on stopping.
    int countEvery = 0;
};

// The end of a command line that starts no server: the help, or a bad command line.
struct Exit {
    int status = 0;  // 0 after --help; 2 for a bad option, value or combination
    std::string out; // for stdout
    std::string err; // for stderr: what is wrong, then the usage line
};

std::variant<Arguments, Exit> parseCommandLine(int argc, const char* const* argv);

} // namespace feedsim
