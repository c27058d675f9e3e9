#pragma once

// Standard input as a person types into it.

#include <optional>
#include <string>

namespace kestrum {

// Reads one line from standard input, without its line end. When standard input is a terminal
// the prompt goes to standard error first and what is typed is not shown. Nothing at the end
// of the input.
std::optional<std::string> readSecretLine(const std::string& prompt);

} // namespace kestrum
