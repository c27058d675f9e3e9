// serve: the watch of the lotteries chosen, and the web interface in front of them, until
// SIGINT or SIGTERM.

#include "cli/CliCommand.h"
#include "cli/DrawsOptions.h"
#include "cli/Watch.h"
#include "cli/Watcher.h"
#include "platform/Browser.h"
#include "platform/StopSignals.h"
#include "report/Names.h"
#include "web/Guard.h"
#include "web/WebServer.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <thread>

namespace kestrum::cli {

namespace {

constexpr const char* kDefaultListen = "127.0.0.1:47880";

struct ListenAddress {
    std::string host;
    std::int32_t port = 0;
};

// "HOST:PORT", "[IPV6]:PORT"; the port 0 to 65535 (0: any free one).
std::optional<ListenAddress> parseListen(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) {
        return std::nullopt;
    }
    std::string host = text.substr(0, colon);
    if (host.starts_with("[")) {
        if (!host.ends_with("]") || host.size() < 3) {
            return std::nullopt;
        }
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return std::nullopt;
    }
    std::int32_t port = -1;
    const std::string digits = text.substr(colon + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (error != std::errc() || end != digits.data() + digits.size() || port < 0 || port > 65535) {
        return std::nullopt;
    }
    return ListenAddress{host, port};
}

class ServeCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* serve = program.add_subcommand(
            "serve", "Keep the files of lotteries current, as watch does, and serve their plans "
                     "to browsers, until SIGINT or SIGTERM.");
        CLI::Option* lotteries =
            serve
                ->add_option("--lottery", m_lotteries,
                             "A lottery to serve; may be given again for more (all ten when none).")
                ->type_name("L");
        serve->add_flag("--all", m_all, "Serve all ten lotteries (the default).")
            ->excludes(lotteries);
        serve
            ->add_option("--listen", m_listen,
                         "Where the web interface listens, HOST:PORT ([::1]:PORT for IPv6); "
                         "127.0.0.1:47880 when not given. Any address but loopback needs "
                         "web_password_hash, web_tls_cert and web_tls_key in the settings.")
            ->type_name("HOST:PORT");
        serve->add_flag("--open", m_open,
                        "Open the web interface in the desktop's browser once it answers.");
        serve->add_flag("--fixed-period", m_fixedPeriod,
                        "Refresh at the lottery's fixed period, as watch --fixed-period does.");
        addDataDirOption(*serve,
                         "Write the files into DIR; with several lotteries, each into a subfolder "
                         "named after its feed (cq, jx, ...).");
        return serve;
    }

    std::optional<std::string> take(const CLI::App&, Request& request) const override {
        request.fixedPeriod = m_fixedPeriod;
        std::vector<std::int32_t> all;
        for (const LotterySource& lottery : lotteryTable()) {
            all.push_back(lottery.number);
        }
        if (auto error = takeLotteries(m_lotteries, m_all, all, request)) {
            return error;
        }
        if (!parseListen(m_listen)) {
            return "--listen: \"" + m_listen + "\" is not HOST:PORT with a port from 0 to 65535";
        }
        return std::nullopt;
    }

    int run(const Request& request, const RunSettings& settings,
            const std::string& siteUrl) const override {
        const ListenAddress listen = *parseListen(m_listen);
        web::WebServerOptions options;
        options.host = listen.host;
        options.port = listen.port;
        options.siteUrl = siteUrl;
        if (!web::isLoopbackHost(listen.host)) {
            // Beyond this machine: a password and TLS, or nothing.
            if (!settings.webPasswordHash || !settings.webTlsCert || !settings.webTlsKey) {
                logEvent("serve", "refusing to listen on " + m_listen +
                                      ": an address beyond this machine needs web_password_hash, "
                                      "web_tls_cert and web_tls_key in the settings "
                                      "(kestrum-cli passwd writes the first)");
                return kExitUsageStatus;
            }
            options.passwordHash = settings.webPasswordHash;
            options.tlsCert = settings.webTlsCert;
            options.tlsKey = settings.webTlsKey;
        }

        const StopSignals stop;
        web::PlanBoard board(request.lotteries, &stop.requested());
        std::unique_ptr<web::WebServer> server;
        std::thread serving;
        const auto ready = [&](const std::vector<Watcher*>& watchers) {
            std::map<std::int32_t, web::LotteryDesk*> desks;
            for (std::size_t i = 0; i < watchers.size(); ++i) {
                watchers[i]->publishTo(
                    [&board](const Engine& engine, const std::filesystem::path& folder,
                             std::optional<std::chrono::system_clock::time_point> nextDue) {
                        board.publish(engine, folder, nextDue);
                    });
                desks[request.lotteries[i]] = watchers[i];
            }
            server = std::make_unique<web::WebServer>(board, desks, options);
            if (const std::optional<std::string> error = server->bind()) {
                logEvent("serve", *error);
                return false;
            }
            serving = std::thread([&server] { server->run(); });
            logEvent("serve", "the web interface is at " + server->address());
            if (m_open && !openInBrowser(server->address())) {
                logEvent("serve", "no browser could be opened for " + server->address());
            }
            return true;
        };
        const int status =
            runWatch(WatchRequest{request.lotteries, settings.app, request.fixedPeriod},
                     stop.requested(), ready);
        if (server) {
            server->stop();
        }
        if (serving.joinable()) {
            serving.join();
        }
        return status;
    }

private:
    static constexpr int kExitUsageStatus = 2;

    std::vector<std::string> m_lotteries;
    bool m_all = false;
    bool m_open = false;
    bool m_fixedPeriod = false;
    std::string m_listen = kDefaultListen;
};

} // namespace

std::unique_ptr<CliCommand> makeServeCommand() {
    return std::make_unique<ServeCommand>();
}

} // namespace kestrum::cli
