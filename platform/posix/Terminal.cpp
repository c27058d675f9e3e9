#include "platform/Terminal.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace kestrum {

std::optional<std::string> readSecretLine(const std::string& prompt) {
    const bool terminal = isatty(STDIN_FILENO) != 0;
    termios before{};
    if (terminal) {
        std::fputs(prompt.c_str(), stderr);
        std::fflush(stderr);
        if (tcgetattr(STDIN_FILENO, &before) == 0) {
            termios hidden = before;
            hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
        }
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
        std::fputs("\n", stderr);
    }
    if (!read) {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

} // namespace kestrum
