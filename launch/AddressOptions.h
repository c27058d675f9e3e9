#pragma once

// The command-line options that name the addresses, the same in both programs: each option's
// name, the name of its value in the help text, what the help says of it, and the setting it
// fills. The window program's help and kestrum-cli's say different things of the web host
// (what each program fetches from it), so each has its own description.

#include "platform/Settings.h"

#include <array>
#include <optional>
#include <string>

namespace kestrum {

struct AddressOption {
    // Without the leading "--": "feed-host-1".
    const char* name;
    const char* valueName;
    const char* windowDescription;
    const char* cliDescription;
    std::optional<std::string> Settings::*field;
};

inline constexpr std::array<AddressOption, 4> kAddressOptions{{
    {"feed-host-1", "URL", "The first draw-feed host, http://host:port.",
     "The first draw-feed host, http://host:port.", &Settings::feedHost1},
    {"feed-host-2", "URL", "The second draw-feed host, http://host:port.",
     "The second draw-feed host, http://host:port.", &Settings::feedHost2},
    {"web-host", "URL", "The maker's web host (update check, panel pages, promotion).",
     "The maker's web host (the promotional address of the export files).", &Settings::webHost},
    {"site-url", "URL", "The product's site address at the end of the report.",
     "The product's site address at the end of the report.", &Settings::siteUrl},
}};

// The help of the two other options that both programs take before anything else.
inline constexpr const char* kConfigOptionHelp = "Read the settings from FILE.";
inline constexpr const char* kDataDirOptionHelp =
    "Write data1.txt and the export files into DIR (made when missing).";

// Puts the address that option `option` gave into `settings`, once checked: the error names the
// option ("--web-host: ...").
std::optional<SettingsError> takeAddressOption(const AddressOption& option,
                                               const std::string& address, Settings& settings);

} // namespace kestrum
