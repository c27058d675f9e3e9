#pragma once

// The window program's command line and the settings it runs with: the options over the
// settings file over what the build compiles in.

#include "launch/RunSettings.h"
#include "platform/Settings.h"

#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace kestrum {

struct CommandLine {
    // What the options name.
    Settings settings;
    // --config FILE: read in place of the default settings file, which must then exist.
    std::optional<std::filesystem::path> configFile;
    // --help or --version: the text to print, and nothing starts.
    std::optional<std::string> answer;
};

// Reads the arguments (the program's name first). An error names the option and what is wrong.
std::variant<CommandLine, SettingsError> parseCommandLine(const QStringList& arguments);

// Layers the command line over the settings file over the build's own values, expands a
// leading "~/" of the data folder and makes sure the folder exists and can be written.
std::variant<RunSettings, SettingsError> resolveSettings(const CommandLine& commandLine,
                                                         const EnvironmentLookup& environment);

} // namespace kestrum
