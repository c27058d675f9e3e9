#include "platform/Terminal.h"

#include <cstdio>
#include <windows.h>

namespace kestrum {

HiddenInput::HiddenInput(const std::string& prompt) {
    DWORD mode = 0;
    m_terminal = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
    if (!m_terminal) {
        return;
    }
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    m_before = mode;
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
}

HiddenInput::~HiddenInput() {
    if (!m_terminal) {
        return;
    }
    SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), static_cast<DWORD>(m_before));
    std::fputs("\n", stderr);
}

} // namespace kestrum
