#pragma once

// Standard input as a person types into it.

#include <optional>
#include <string>

namespace kestrum {

// Reads one line from standard input, without its line end. When standard input is a terminal
// the prompt goes to standard error first and what is typed is not shown. Nothing at the end
// of the input.
std::optional<std::string> readSecretLine(const std::string& prompt);

// While it lives, what is typed on a terminal is not shown (after the prompt, on standard
// error); nothing happens when standard input is no terminal. One system's part of
// readSecretLine.
class HiddenInput {
public:
    explicit HiddenInput(const std::string& prompt);
    ~HiddenInput();
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;

private:
    bool m_terminal = false;
    // The terminal's settings before, as the system keeps them.
    unsigned long long m_before = 0;
};

} // namespace kestrum
