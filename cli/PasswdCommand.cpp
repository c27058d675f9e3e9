// passwd: the web interface's password, kept in the settings file as its hash.

#include "base/Utf8Path.h"
#include "cli/CliCommand.h"
#include "cli/Console.h"
#include "cli/Program.h"
#include "platform/PasswordHash.h"
#include "platform/Settings.h"
#include "platform/Terminal.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <sstream>

namespace kestrum::cli {

namespace {

constexpr std::size_t kShortestPassword = 8;

// The settings text with `web_password_hash` set to `hash`: its line replaced where the text has
// one before its first table, else a line added there. Every other line stays as it was.
std::string withPasswordHash(const std::string& text, const std::string& hash) {
    const std::string line = "web_password_hash = \"" + hash + "\"";
    std::istringstream in(text);
    std::string out;
    std::string current;
    bool inTables = false;
    bool placed = false;
    while (std::getline(in, current)) {
        const std::size_t first = current.find_first_not_of(" \t");
        const std::string_view trimmed = first == std::string::npos
                                             ? std::string_view()
                                             : std::string_view(current).substr(first);
        if (!inTables && trimmed.starts_with("[")) {
            inTables = true;
            if (!placed) {
                out += line + "\n";
                placed = true;
            }
        }
        if (!inTables && trimmed.starts_with("web_password_hash")) {
            const std::string_view rest = trimmed.substr(17);
            if (rest.find_first_not_of(" \t") != std::string_view::npos &&
                rest[rest.find_first_not_of(" \t")] == '=') {
                if (!placed) {
                    out += line + "\n";
                    placed = true;
                }
                continue;
            }
        }
        out += current + "\n";
    }
    if (!placed) {
        out += line + "\n";
    }
    return out;
}

class PasswdCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        return program.add_subcommand(
            "passwd", "Set the web interface's password: its hash goes into the settings file "
                      "(web_password_hash), never the password. Reads it from standard input.");
    }

    std::optional<std::string> take(const CLI::App&, Request&) const override {
        return std::nullopt;
    }

    // It reads no draws and needs no host.
    bool readsOwnFeed(const Request&) const override { return true; }

    int run(const Request& request, const RunSettings&, const std::string&) const override {
        const std::optional<std::filesystem::path> path =
            request.configFile ? request.configFile : defaultSettingsPath(processEnvironment);
        if (!path) {
            complain("no settings file: name one with --config FILE");
            return kExitUsage;
        }
        const std::optional<std::string> password = readSecretLine("New password: ");
        if (!password || password->size() < kShortestPassword) {
            complain("the password must have at least " + std::to_string(kShortestPassword) +
                     " characters");
            return kExitUsage;
        }
        const std::optional<std::string> again = readSecretLine("The same again: ");
        if (again && *again != *password) {
            complain("the two passwords differ");
            return kExitUsage;
        }
        const std::optional<std::string> hash = hashPassword(*password);
        if (!hash) {
            complain("the password cannot be hashed");
            return kExitFailed;
        }

        std::string text;
        std::error_code error;
        if (std::filesystem::exists(*path, error)) {
            std::ifstream in(*path, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), {});
            if (!in && !in.eof()) {
                complain("cannot read " + utf8FromPath(*path));
                return kExitFailed;
            }
        }
        const std::string written = withPasswordHash(text, *hash);
        // Checked before it replaces the file: a file that would not read stays as it was.
        const SettingsResult check = parseSettingsText(written, *path);
        if (const auto* problem = std::get_if<SettingsError>(&check)) {
            complain(problem->message);
            return kExitUsage;
        }
        if (path->has_parent_path()) {
            std::filesystem::create_directories(path->parent_path(), error);
        }
        const std::filesystem::path temporary = pathFromUtf8(utf8FromPath(*path) + ".new");
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << written;
            if (!out.flush()) {
                complain("cannot write " + utf8FromPath(temporary));
                return kExitFailed;
            }
        }
        // Only its owner reads the file that holds the hash.
        std::filesystem::permissions(
            temporary, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            error);
        std::filesystem::rename(temporary, *path, error);
        if (error) {
            complain("cannot replace " + utf8FromPath(*path) + ": " + error.message());
            return kExitFailed;
        }
        std::fputs(("web_password_hash written to " + utf8FromPath(*path) + "\n").c_str(), stdout);
        return kExitDone;
    }
};

} // namespace

std::unique_ptr<CliCommand> makePasswdCommand() {
    return std::make_unique<PasswdCommand>();
}

} // namespace kestrum::cli
