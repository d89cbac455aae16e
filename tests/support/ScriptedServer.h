// An in-memory stand-in for the web server behind the browser's streams: each request is recorded
// and answered by a handler the test sets, in pieces, as the browser would deliver them.
// Main thread only (the test host's).
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nvtest {

struct RecordedRequest {
    std::string method;
    std::string url;
    std::string postHeaders;
    std::string postData;
};

struct ScriptedResponse {
    bool refuse = false; // the browser does not even make the request (null stream)
    bool fail = false;   // transport failure after `body` was delivered
    std::string headers = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    std::string body;
    size_t piece = 64 * 1024;     // bytes per data event
    bool hold = false;            // stall after opening (to test cancel)
    std::optional<size_t> length; // the length announced instead of the body's (a cut body)
};

class ScriptedServer {
public:
    using Handler = std::function<ScriptedResponse(const RecordedRequest&)>;

    // Answers every request (until replaced).
    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // Answers the next request only; queued answers come before the handler.
    void answerNext(ScriptedResponse response) { m_queued.push_back(std::move(response)); }

    ScriptedResponse answer(const RecordedRequest& request);
    const std::vector<RecordedRequest>& requests() const { return m_requests; }
    void clear() { m_requests.clear(); }

private:
    Handler m_handler;
    std::deque<ScriptedResponse> m_queued;
    std::vector<RecordedRequest> m_requests;
};

} // namespace nvtest
