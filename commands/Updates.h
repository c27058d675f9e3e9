#pragma once

// The maker's web host: the check for a newer version before the window opens, and the
// promotional line that the start-up fetches.

#include "BuildSettings.h"
#include "base/WebAddress.h"
#include "draws/Feed.h"
#include "platform/HttpClient.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

struct CommandContext;

// The version of this program: the date part of the one in the window's caption.
inline constexpr std::int32_t kProgramVersion = build::kVersionDate;

inline constexpr const char* kUpdateMessage = "发现软件有升级，程序将自动下载更新,请用新版本登陆!!";

struct UpdateCheck {
    // The version file was read.
    bool reached = false;
    // Its leading number (0 when it has none).
    std::int32_t version = 0;
    // A newer version exists: the program tells the user, opens the package and ends.
    bool newer = false;
};

// Reads "/setting/vnupdata.txt" of the web host: its lines joined without separators, read by
// the leading-decimal rule. At most `attempts` tries, `pause` apart; when the file stays
// unreachable, no newer version is assumed.
UpdateCheck checkForUpdate(HttpClient& client, const std::string& webHost, const WaitFunction& wait,
                           std::int32_t attempts = 3,
                           std::chrono::milliseconds pause = std::chrono::milliseconds(2000));

// The address of the update package.
std::string updatePackageUrl(const std::string& webHost);

enum class PromoOutcome {
    // The line was a web address: it was opened, and PromoText ends every export file.
    Set,
    // The first line was no web address: nothing opened, PromoText stays empty.
    Refused,
    // The file could not be reached: the window closes.
    Unreachable,
};

// Reads the first line of "/addurl/vn.txt" of the web host.
PromoOutcome fetchPromoLine(CommandContext& context);

} // namespace kestrum
