// FB::SimpleStreamHelper: turns one request into one completion call carrying the whole response.
//
// The completion callback runs exactly once per request, on the main thread, also when the browser
// refuses the request (then with success false). The helper keeps itself alive until then, so
// callers may drop the pointer they get back; they keep it only to cancel. Thread contract:
// AsyncRequest may be called from any thread (off the main thread it waits only until the request
// is made); everything else runs on the main thread.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include <boost/shared_array.hpp>
#include <boost/shared_ptr.hpp>

#include "src/ScriptingCore/BrowserStreamRequest.h"
#include "src/ScriptingCore/DefaultBrowserStreamHandler.h"

namespace FB {

class SimpleStreamHelper;
using SimpleStreamHelperPtr = boost::shared_ptr<SimpleStreamHelper>;

class SimpleStreamHelper : public DefaultBrowserStreamHandler {
public:
    // Throws std::runtime_error "Invalid callback" for a request without callback, and off the main
    // thread the host's "Could not marshal to main thread" / "Shutting down".
    static SimpleStreamHelperPtr AsyncRequest(const BrowserHostPtr& host,
                                              const BrowserStreamRequest& req);
    // Attaches a new helper to a stream that already exists (a null stream completes as a failure).
    static SimpleStreamHelperPtr AsyncRequest(const BrowserHostPtr& host,
                                              const BrowserStreamPtr& stream,
                                              const BrowserStreamRequest& req);

    SimpleStreamHelper(const HttpCallback& callback, size_t blockSize);

    bool onStreamDataArrived(StreamDataArrivedEvent* event, BrowserStream* stream) override;
    bool onStreamCompleted(StreamCompletedEvent* event, BrowserStream* stream) override;

protected:
    // Ends the request: one callback call, then the helper lets itself go.
    void complete(bool success, const HeaderMap& headers);

    std::list<boost::shared_array<uint8_t>> m_blocks;
    boost::shared_array<uint8_t> m_data;
    size_t m_blockSize;
    size_t m_received = 0;
    HttpCallback m_callback;
    SimpleStreamHelperPtr m_self;
};

// Splits raw response header text into (name, value) pairs; lines without ":" (the status line)
// are skipped, duplicates kept, names keep their case.
HeaderMap parse_http_headers(const std::string& headers);

} // namespace FB
