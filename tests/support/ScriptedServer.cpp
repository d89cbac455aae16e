#include "tests/support/ScriptedServer.h"

namespace nvtest {

ScriptedResponse ScriptedServer::answer(const RecordedRequest& request) {
    m_requests.push_back(request);
    if (!m_queued.empty()) {
        ScriptedResponse response = m_queued.front();
        m_queued.pop_front();
        return response;
    }
    if (m_handler) {
        return m_handler(request);
    }
    ScriptedResponse notFound;
    notFound.headers = "HTTP/1.1 404 Not Found\r\n";
    return notFound;
}

} // namespace nvtest
