#include "commands/Updates.h"

#include "base/Text.h"
#include "commands/Commands.h"

namespace kestrum {

UpdateCheck checkForUpdate(HttpClient& client, const std::string& webHost, const WaitFunction& wait,
                           std::int32_t attempts, std::chrono::milliseconds pause) {
    UpdateCheck check;
    for (std::int32_t attempt = 1; attempt <= attempts; ++attempt) {
        const FetchResult fetched = client.fetchLines(webHost + "/setting/vnupdata.txt", 0);
        if (fetched.ok()) {
            std::string joined;
            for (const std::string& line : fetched.lines) {
                joined += line;
            }
            check.reached = true;
            check.version = leadingDecimal(joined);
            check.newer = check.version > kProgramVersion;
            return check;
        }
        if (attempt < attempts && wait && !wait(pause)) {
            break;
        }
    }
    return check;
}

std::string updatePackageUrl(const std::string& webHost) {
    return webHost + "/xiazai/vnssc.rar";
}

PromoOutcome fetchPromoLine(CommandContext& context) {
    const FetchResult fetched =
        context.client.fetchLines(context.settings.webHost + "/addurl/vn.txt", 1);
    if (fetched.status == FetchStatus::NetworkError) {
        return PromoOutcome::Unreachable;
    }
    const std::string line = fetched.ok() && !fetched.lines.empty() ? fetched.lines.front() : "";
    if (!isWebAddress(line)) {
        return PromoOutcome::Refused;
    }
    context.view.openUrl(line);
    context.engine.PromoText =
        "\r\n推荐注册地址：" + line + "注册充值后还送自动投注软件哦,再也不用一期一期地投注了!";
    return PromoOutcome::Set;
}

} // namespace kestrum
