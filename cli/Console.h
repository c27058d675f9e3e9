#pragma once

// kestrum-cli's two streams: what a command answers goes to standard output, every problem to
// standard error after "kestrum-cli: ".

#include <string>

namespace kestrum::cli {

// Writes "kestrum-cli: MESSAGE" and a line end to standard error.
void complain(const std::string& message);

// Writes text to standard output; the exit status: 0, or 1 (said on standard error) when it
// cannot be written (a full disk, a closed pipe).
int printed(const std::string& text);

} // namespace kestrum::cli
