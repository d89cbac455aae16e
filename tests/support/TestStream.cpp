#include "tests/support/TestStream.h"

#include <algorithm>

#include "src/ScriptingCore/StreamEvents.h"
#include "tests/support/TestBrowserHost.h"

namespace nvtest {

TestStream::TestStream(const TestBrowserHost& host, const std::string& url,
                       const ScriptedResponse& response, size_t bufferSize)
    : FB::BrowserStream(url, false, false, bufferSize), m_host(host), m_response(response) {}

void TestStream::start() {
    FB::BrowserStreamPtr self = shared_ptr();
    m_host.post([self, this] { open(); });
}

void TestStream::open() {
    if (isCompleted()) {
        return;
    }
    setHeaders(m_response.headers);
    setLength(m_response.length.value_or(m_response.body.size()));
    setOpen(true);
    FB::StreamOpenedEvent event(this);
    SendEvent(&event);
    if (!m_response.hold) {
        deliver(0);
    }
}

void TestStream::deliver(size_t offset) {
    if (isCompleted()) {
        return;
    }
    if (offset >= m_response.body.size()) {
        finish(!m_response.fail);
        return;
    }
    size_t length =
        std::min({m_response.piece, getInternalBufferSize(), m_response.body.size() - offset});
    float progress =
        100.0f * static_cast<float>(offset + length) / static_cast<float>(m_response.body.size());
    FB::StreamDataArrivedEvent event(this, m_response.body.data() + offset, length, offset,
                                     progress);
    SendEvent(&event);
    FB::BrowserStreamPtr self = shared_ptr();
    m_host.post([self, this, offset, length] { deliver(offset + length); });
}

void TestStream::finish(bool success) {
    setCompleted(true);
    setOpen(false);
    FB::StreamCompletedEvent event(this, success);
    SendEvent(&event);
}

bool TestStream::close() {
    if (isCompleted()) {
        return false;
    }
    finish(false);
    return true;
}

} // namespace nvtest
