#include "platform/HttpClient.h"

namespace kestrum {

FetchedBody HttpClient::fetchBody(const std::string& url, const RequestHeaders&) {
    FetchResult fetched = fetchLines(url, 0);
    FetchedBody answer;
    answer.status = fetched.status;
    answer.httpStatus = fetched.httpStatus;
    answer.error = std::move(fetched.error);
    answer.notModified = fetched.notModified;
    for (const std::string& line : fetched.lines) {
        answer.body += line;
        answer.body += '\n';
    }
    return answer;
}

} // namespace kestrum
