#pragma once

// What a command-line program does first: its arguments as UTF-8, and standard input and
// output as plain bytes; and how it opens a file by a path as a C stream.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrum {

// The program's arguments in UTF-8. On Linux argv as it is; on Windows the command line as the
// system holds it (UTF-16), since argv is in the ANSI code page and loses what that lacks.
std::vector<std::string> programArguments(int argc, char** argv);

// Standard input, output and error as bytes, so that a program prints the same bytes on every
// system (Windows would turn each LF into CR LF, and stop reading at Ctrl+Z), and a console
// shows UTF-8 text as such.
void useByteStreams();

// std::fopen of a path, wide on Windows.
std::FILE* openFile(const std::filesystem::path& path, const char* mode);

} // namespace kestrum
