#include "platform/Terminal.h"

#include <cstdio>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace kestrum {

static_assert(sizeof(tcflag_t) <= sizeof(unsigned long long), "the echo flag is kept whole");

HiddenInput::HiddenInput(const std::string& prompt) : m_terminal(isatty(STDIN_FILENO) != 0) {
    if (!m_terminal) {
        return;
    }
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios settings{};
    if (tcgetattr(STDIN_FILENO, &settings) != 0) {
        m_terminal = false;
        return;
    }
    m_before = settings.c_lflag;
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings);
}

HiddenInput::~HiddenInput() {
    if (!m_terminal) {
        return;
    }
    termios settings{};
    if (tcgetattr(STDIN_FILENO, &settings) == 0) {
        settings.c_lflag = static_cast<tcflag_t>(m_before);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &settings);
    }
    std::fputs("\n", stderr);
}

} // namespace kestrum
