#pragma once

// An HTTP client that answers from a script: per address, the answers not yet given in order;
// once they are used up, the last one given repeats. It records every request. A body fetched
// whole is answered from the bodies scripted for its address, else with the address's lines.

#include "platform/HttpClient.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrum::test {

class FakeHttpClient final : public HttpClient {
public:
    struct Request {
        std::string url;
        std::int32_t maxLines;
    };

    // Answers url with these lines (status 200).
    void answer(const std::string& url, std::vector<std::string> lines) {
        FetchResult result;
        result.status = FetchStatus::Ok;
        result.httpStatus = 200;
        result.lines = std::move(lines);
        m_pending[url].push_back(std::move(result));
    }

    // Answers url with a failure.
    void fail(const std::string& url, FetchStatus status, long httpStatus = 0) {
        FetchResult result;
        result.status = status;
        result.httpStatus = httpStatus;
        result.error = status == FetchStatus::HttpError
                           ? "HTTP status " + std::to_string(httpStatus)
                           : "connection refused";
        m_pending[url].push_back(std::move(result));
    }

    // Answers a whole-body fetch of url with these bytes (status 200), cut at the cap or not.
    void answerBody(const std::string& url, std::string body, bool cut = false) {
        FetchedBody answer;
        answer.status = FetchStatus::Ok;
        answer.httpStatus = 200;
        answer.body = std::move(body);
        answer.cut = cut;
        m_pendingBodies[url].push_back(std::move(answer));
    }

    // Fetching url throws, as a fault deep in a transfer would.
    void throwOn(const std::string& url) { m_throwing.push_back(url); }

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
        m_requests.push_back({url, maxLines});
        if (std::find(m_throwing.begin(), m_throwing.end(), url) != m_throwing.end()) {
            throw std::runtime_error("fault while fetching " + url);
        }
        std::vector<FetchResult>& pending = m_pending[url];
        if (!pending.empty()) {
            m_last[url] = pending.front();
            pending.erase(pending.begin());
        }
        auto last = m_last.find(url);
        if (last == m_last.end()) {
            FetchResult none;
            none.error = "no such host";
            return none;
        }
        FetchResult result = last->second;
        if (result.ok() && maxLines > 0 &&
            result.lines.size() > static_cast<std::size_t>(maxLines)) {
            result.lines.resize(static_cast<std::size_t>(maxLines));
        }
        return result;
    }

    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override {
        m_bodyRequests.push_back({url, headers});
        std::vector<FetchedBody>& pending = m_pendingBodies[url];
        if (!pending.empty()) {
            m_lastBody[url] = pending.front();
            pending.erase(pending.begin());
        }
        const auto last = m_lastBody.find(url);
        if (last == m_lastBody.end()) {
            return HttpClient::fetchBody(url, headers);
        }
        return last->second;
    }

    struct BodyRequest {
        std::string url;
        RequestHeaders headers;
    };

    const std::vector<Request>& requests() const { return m_requests; }
    const std::vector<BodyRequest>& bodyRequests() const { return m_bodyRequests; }

private:
    std::map<std::string, std::vector<FetchResult>> m_pending;
    std::map<std::string, FetchResult> m_last;
    std::vector<Request> m_requests;
    std::vector<std::string> m_throwing;
    std::map<std::string, std::vector<FetchedBody>> m_pendingBodies;
    std::map<std::string, FetchedBody> m_lastBody;
    std::vector<BodyRequest> m_bodyRequests;
};

} // namespace kestrum::test
