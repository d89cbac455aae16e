// A browser stream fed by the test host from a ScriptedResponse, one event per pumped task:
// opened, data pieces, completed. Main thread only.
#pragma once

#include <string>

#include "src/ScriptingCore/BrowserStream.h"
#include "tests/support/ScriptedServer.h"

namespace nvtest {

class TestBrowserHost;

class TestStream : public FB::BrowserStream {
public:
    TestStream(const TestBrowserHost& host, const std::string& url,
               const ScriptedResponse& response, size_t bufferSize);

    // Begins delivery (posted to the host's queue); each queued step keeps the stream alive.
    void start();

    bool readRanges(const std::vector<Range>&) override { return false; }
    bool write(const char*, size_t, size_t&) override { return false; }
    // A cancelled transfer completes as a failure.
    bool close() override;

private:
    void open();
    void deliver(size_t offset);
    void finish(bool success);

    const TestBrowserHost& m_host;
    ScriptedResponse m_response;
};

} // namespace nvtest
