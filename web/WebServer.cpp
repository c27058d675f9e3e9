#include "web/WebServer.h"

#include "report/Names.h"
#include "report/PlanJson.h"
#include "stats/FormulaLuck.h"
#include "stats/WalkForward.h"
#include "web/Assets.h"
#include "web/WebApi.h"

#include <future>
#include <httplib.h>
#include <stdexcept>

namespace kestrum::web {

namespace {

// No script but the page's own files, no frames, no other site.
constexpr const char* kContentSecurityPolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self'; font-src 'self'; base-uri 'none'; form-action 'self'; "
    "frame-ancestors 'none'";

// Request bodies are small JSON objects.
constexpr std::size_t kMaxBody = 64 * 1024;

// Event streams each hold a thread while they are open: room for a few hundred.
constexpr std::size_t kThreads = 320;

// An event stream says something at least this often, so that proxies keep it open and a
// lost connection is noticed.
constexpr std::chrono::seconds kKeepAlive{15};

void sendJson(httplib::Response& response, int status, const std::string& body) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body, "application/json; charset=utf-8");
}

void sendError(httplib::Response& response, int status, std::string_view message) {
    sendJson(response, status, errorJson(message));
}

GuardRequest guardRequest(const httplib::Request& request) {
    return {request.method,
            request.path,
            request.get_header_value("Host"),
            request.get_header_value("Origin"),
            request.get_header_value("Sec-Fetch-Site"),
            request.get_header_value("Cookie"),
            request.remote_addr};
}

// Thrown by a job that needs the lottery's draws before they are loaded.
struct NotLoaded : std::runtime_error {
    NotLoaded() : std::runtime_error("the lottery's draws are not loaded yet") {}
};

// What a lottery's engine thread answered: 200 and the JSON, or an error's status and words.
struct EngineAnswer {
    int status = 200;
    std::string body;
};

// Runs `work` on the lottery's engine thread and waits for what it answers: 503 when the
// lottery stops or does not answer in time, or when its draws are not loaded; 500 when the
// work fails otherwise.
EngineAnswer
onEngineThread(LotteryDesk& desk,
               std::function<std::string(CommandContext&, const LotteryDesk::Publish&)> work) {
    auto answer = std::make_shared<std::promise<std::string>>();
    std::future<std::string> future = answer->get_future();
    const bool queued =
        desk.submit([answer, work = std::move(work)](CommandContext& context,
                                                     const LotteryDesk::Publish& publish) {
            try {
                answer->set_value(work(context, publish));
            } catch (...) {
                answer->set_exception(std::current_exception());
            }
        });
    if (!queued || future.wait_for(WebServer::kJobWait) != std::future_status::ready) {
        return {503, "the lottery did not answer"};
    }
    try {
        return {200, future.get()};
    } catch (const NotLoaded& notLoaded) {
        return {503, notLoaded.what()};
    } catch (const std::future_error&) {
        // The job was dropped unrun: the lottery stopped.
        return {503, "the lottery did not answer"};
    } catch (const std::exception& error) {
        return {500, std::string("the lottery's work failed: ") + error.what()};
    } catch (...) {
        return {500, "the lottery's work failed"};
    }
}

void sendAnswer(httplib::Response& response, const EngineAnswer& answer) {
    if (answer.status == 200) {
        sendJson(response, 200, answer.body);
    } else {
        sendError(response, answer.status, answer.body);
    }
}

} // namespace

WebServer::WebServer(PlanBoard& board, std::map<std::int32_t, LotteryDesk*> desks,
                     WebServerOptions options)
    : m_board(board), m_desks(std::move(desks)), m_options(std::move(options)) {}

WebServer::~WebServer() {
    stop();
}

std::optional<std::string> WebServer::bind() {
    const bool tls = m_options.tlsCert && m_options.tlsKey;
    if (tls) {
        auto secure = std::make_unique<httplib::SSLServer>(m_options.tlsCert->c_str(),
                                                           m_options.tlsKey->c_str());
        if (!secure->is_valid()) {
            return "the TLS certificate " + *m_options.tlsCert + " or its key " +
                   *m_options.tlsKey + " cannot be loaded";
        }
        m_server = std::move(secure);
    } else {
        m_server = std::make_unique<httplib::Server>();
    }
    m_server->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    m_server->set_payload_max_length(kMaxBody);
    m_server->set_keep_alive_max_count(1000);
    const int bound =
        m_options.port == 0
            ? m_server->bind_to_any_port(m_options.host)
            : (m_server->bind_to_port(m_options.host, m_options.port) ? m_options.port : -1);
    if (bound <= 0) {
        return "cannot listen on " + m_options.host + ":" + std::to_string(m_options.port) +
               " (the port may be taken)";
    }
    m_port = bound;
    Guard::Options guard;
    guard.scheme = tls ? "https" : "http";
    guard.port = m_port;
    guard.names = m_options.names;
    guard.passwordHash = m_options.passwordHash;
    m_guard = std::make_unique<Guard>(guard, [] { return std::chrono::steady_clock::now(); });
    route();
    return std::nullopt;
}

std::string WebServer::address() const {
    const bool tls = m_options.tlsCert && m_options.tlsKey;
    const bool anyAddress = m_options.host == "0.0.0.0" || m_options.host == "::";
    std::string host = anyAddress ? "127.0.0.1" : m_options.host;
    if (host.find(':') != std::string::npos) {
        host = "[" + host + "]";
    }
    return std::string(tls ? "https" : "http") + "://" + host + ":" + std::to_string(m_port) + "/";
}

void WebServer::run() {
    if (m_server && !m_stopping.load()) {
        m_server->listen_after_bind();
    }
}

void WebServer::stop() {
    m_stopping = true;
    m_board.close();
    if (m_server) {
        m_server->stop();
    }
}

void WebServer::route() {
    httplib::Server& server = *m_server;

    server.set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            response.set_header("Content-Security-Policy", kContentSecurityPolicy);
            response.set_header("X-Frame-Options", "DENY");
            response.set_header("X-Content-Type-Options", "nosniff");
            response.set_header("Referrer-Policy", "no-referrer");
            response.set_header("Cross-Origin-Opener-Policy", "same-origin");
            if (m_options.tlsCert) {
                response.set_header("Strict-Transport-Security", "max-age=31536000");
            }
            if (const std::optional<Refusal> refusal = m_guard->check(guardRequest(request))) {
                sendError(response, refusal->status, refusal->error);
                return httplib::Server::HandlerResponse::Handled;
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            sendError(response, response.status,
                      response.status == 413   ? "the body is larger than 64 KiB"
                      : response.status == 404 ? "not found"
                                               : "the request failed");
        }
    });
    // A handler that throws answers 500 in JSON, and its exception's words stay in the server.
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            sendError(response, 500, "the request failed");
        });

    // The page's own files; nothing else on disk is served, and no folder is listed.
    server.Get(R"(/|/static/[A-Za-z0-9_.-]+)", [](const httplib::Request& request,
                                                  httplib::Response& response) {
        const std::string name = request.path == "/" ? "index.html" : request.path.substr(8);
        const std::optional<Asset> asset = findAsset(name);
        if (!asset) {
            sendError(response, 404, "not found");
            return;
        }
        response.set_header("Cache-Control", "no-cache");
        response.set_content(std::string(asset->bytes), std::string(asset->type));
    });

    server.Post("/api/login", [this](const httplib::Request& request, httplib::Response& response) {
        const auto body = parseLoginBody(request.body);
        if (body.index() == 1) {
            sendError(response, 400, std::get<1>(body));
            return;
        }
        const Guard::Login login = m_guard->login(request.remote_addr, std::get<0>(body));
        if (login.refusal) {
            sendError(response, login.refusal->status, login.refusal->error);
            return;
        }
        response.set_header("Set-Cookie", *login.setCookie);
        sendJson(response, 200, R"({"ok":true})");
    });
    server.Post(
        "/api/logout", [this](const httplib::Request& request, httplib::Response& response) {
            response.set_header("Set-Cookie", m_guard->logout(request.get_header_value("Cookie")));
            sendJson(response, 200, R"({"ok":true})");
        });
    server.Get("/api/session",
               [this](const httplib::Request& request, httplib::Response& response) {
                   const bool live = !m_guard->loginRequired() ||
                                     m_guard->sessionLive(request.get_header_value("Cookie"));
                   sendJson(response, 200,
                            std::string(R"({"login_required":)") +
                                (m_guard->loginRequired() ? "true" : "false") + R"(,"logged_in":)" +
                                (live ? "true" : "false") + "}");
               });

    server.Get("/api/lotteries", [this](const httplib::Request&, httplib::Response& response) {
        sendJson(response, 200, overviewJson(m_board, m_options.siteUrl));
    });

    const auto lotteryOf = [this](const httplib::Request& request,
                                  httplib::Response& response) -> std::optional<std::int32_t> {
        const std::optional<std::int32_t> lottery =
            servedLottery(m_board, request.matches[1].str());
        if (!lottery) {
            sendError(response, 404,
                      "no lottery served is called \"" + request.matches[1].str() + "\"");
        }
        return lottery;
    };

    server.Get(R"(/api/lotteries/([a-z]+)/plan)",
               [this, lotteryOf](const httplib::Request& request, httplib::Response& response) {
                   const std::optional<std::int32_t> lottery = lotteryOf(request, response);
                   if (!lottery) {
                       return;
                   }
                   const std::shared_ptr<const LotteryPage> page = m_board.page(*lottery);
                   if (!page) {
                       sendError(response, 503, "the lottery's draws are not loaded yet");
                       return;
                   }
                   sendJson(response, 200, page->planJson);
               });

    server.Get(R"(/api/lotteries/([a-z]+)/evaluate)",
               [this, lotteryOf](const httplib::Request& request, httplib::Response& response) {
                   const std::optional<std::int32_t> lottery = lotteryOf(request, response);
                   if (!lottery) {
                       return;
                   }
                   const std::shared_ptr<const LotteryPage> page = m_board.page(*lottery);
                   if (!page) {
                       sendError(response, 503, "the lottery's draws are not loaded yet");
                       return;
                   }
                   // The stored draws, oldest first, each play type with its plan shape.
                   const std::vector<std::string> lines(page->drawLines.rbegin(),
                                                        page->drawLines.rend());
                   EvaluationRequest evaluation;
                   evaluation.lines = lines;
                   evaluation.threads = 1;
                   for (const PlayType type : allPlayTypes()) {
                       evaluation.plays.push_back({type, page->plans.planParams[slotOf(type)]});
                   }
                   sendJson(response, 200, evaluateJson(*lottery, evaluateWalkForward(evaluation)));
               });

    server.Post(R"(/api/lotteries/([a-z]+)/search)",
                [this, lotteryOf](const httplib::Request& request, httplib::Response& response) {
                    const std::optional<std::int32_t> lottery = lotteryOf(request, response);
                    if (!lottery) {
                        return;
                    }
                    const auto body = parseSearchBody(request.body);
                    if (const auto* error = std::get_if<std::string>(&body)) {
                        sendError(response, 400, *error);
                        return;
                    }
                    const SearchBody search = std::get<SearchBody>(body);
                    const EngineAnswer answer = onEngineThread(
                        *m_desks.at(*lottery),
                        [search](CommandContext& context, const LotteryDesk::Publish&) {
                            const Engine& engine = context.engine;
                            if (!walkPossible(engine)) {
                                throw NotLoaded();
                            }
                            const std::int32_t best = runSearch(context, search.type, search.shape);
                            const CandidateRows& candidates = engine.CandidateTable;
                            const std::array<double, kCandidateRows> chance =
                                candidateChances(engine, search.type, search.shape, candidates);
                            return searchJson(
                                {engine.lotteryIndex, engine.oldestIndex + 1, engine.FeedLines[0]},
                                search.type, search.shape, candidates, best, chance);
                        });
                    sendAnswer(response, answer);
                });

    server.Post(R"(/api/lotteries/([a-z]+)/formula)",
                [this, lotteryOf](const httplib::Request& request, httplib::Response& response) {
                    const std::optional<std::int32_t> lottery = lotteryOf(request, response);
                    if (!lottery) {
                        return;
                    }
                    const auto body = parseFormulaBody(request.body);
                    if (const auto* error = std::get_if<std::string>(&body)) {
                        sendError(response, 400, *error);
                        return;
                    }
                    const FormulaBody chosen = std::get<FormulaBody>(body);
                    const EngineAnswer answer = onEngineThread(
                        *m_desks.at(*lottery), [this, chosen](CommandContext& context,
                                                              const LotteryDesk::Publish& publish) {
                            if (!walkPossible(context.engine)) {
                                throw NotLoaded();
                            }
                            runUseFormula(context, chosen.type, std::to_string(chosen.formula));
                            publish();
                            return m_board.page(context.engine.lotteryIndex)->planJson;
                        });
                    sendAnswer(response, answer);
                });

    server.Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
        std::uint64_t from = m_board.lastEvent();
        // A browser that reconnects says which event it saw last.
        if (const std::string last = request.get_header_value("Last-Event-ID"); !last.empty()) {
            try {
                from = std::min<std::uint64_t>(std::stoull(last), from);
            } catch (const std::exception&) {
            }
        }
        if (m_streams->fetch_add(1) >= kMaxStreams) {
            m_streams->fetch_sub(1);
            response.set_header("Retry-After", "10");
            sendError(response, 503, "too many event streams are open: try again later");
            return;
        }
        // Gives the stream's place back when the stream ends, however it ends: the provider
        // holds the last owner.
        std::shared_ptr<void> place(nullptr,
                                    [streams = m_streams](void*) { streams->fetch_sub(1); });
        auto seen = std::make_shared<std::uint64_t>(from);
        auto greeted = std::make_shared<bool>(false);
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Accel-Buffering", "no");
        response.set_chunked_content_provider(
            "text/event-stream",
            [this, seen, greeted, place](std::size_t, httplib::DataSink& sink) {
                if (m_stopping.load()) {
                    sink.done();
                    return false;
                }
                std::string out;
                if (!*greeted) {
                    *greeted = true;
                    out = "retry: 2000\n\n";
                    return sink.write(out.data(), out.size());
                }
                const std::vector<PlanBoard::Event> events = m_board.eventsAfter(
                    *seen, std::chrono::duration_cast<std::chrono::milliseconds>(kKeepAlive));
                if (m_stopping.load()) {
                    sink.done();
                    return false;
                }
                if (events.empty()) {
                    out = ": keep-alive\n\n";
                }
                for (const PlanBoard::Event& event : events) {
                    out += "id: " + std::to_string(event.number) +
                           "\nevent: plan\ndata: " + eventJson(event) + "\n\n";
                    *seen = event.number;
                }
                return sink.write(out.data(), out.size());
            });
    });
}

} // namespace kestrum::web
