#include "cli/CliCommand.h"

#include <CLI/CLI.hpp>

namespace kestrum::cli {

CLI::Option* CliCommand::addDataDirOption(CLI::App& command, const std::string& description) {
    return command.add_option("--data-dir", m_dataDir, description)->type_name("DIR");
}

} // namespace kestrum::cli
