// FB::BrowserStreamRequest: the description of one HTTP request made through the browser.
// A plain value, copied freely, also across threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include <boost/function.hpp>
#include <boost/shared_array.hpp>

#include "src/ScriptingCore/PluginEventSink.h"
#include "src/ScriptingCore/URI.h"

namespace FB {

using HeaderMap = std::multimap<std::string, std::string>;

// Completion of a request: (success, response headers, data, size). On success data holds exactly
// size bytes (non-null, also when empty); on failure headers are empty, data is null and size
// counts the bytes that had arrived.
using HttpCallback = boost::function<void(bool success, const HeaderMap& headers,
                                          const boost::shared_array<uint8_t>& data, size_t size)>;

constexpr size_t kDefaultStreamBufferSize = 128 * 1024;

class BrowserStreamRequest {
public:
    BrowserStreamRequest(const URI& uri, const std::string& method = "GET", bool accept = true)
        : uri(uri), method(method), m_accepted(accept) {}
    BrowserStreamRequest(const std::string& uri, const std::string& method = "GET",
                         bool accept = true)
        : BrowserStreamRequest(URI(uri), method, accept) {}

    void setHeaders(const std::map<std::string, std::string>& values) { headers = values; }
    void setSeekable(bool value) { seekable = value; }
    void setCacheable(bool value) { cache = value; }
    void setBufferSize(size_t size) { internalBufferSize = size; }
    void setEventSink(const PluginEventSinkPtr& sink) { m_sink = sink; }
    void setCallback(const HttpCallback& callback) { m_callback = callback; }
    // Header lines sent before a POST body; the host adds the blank line that ends them.
    void setPostData(const std::string& data, const std::string& postHeaders = "") {
        m_postData = data;
        m_postHeaders = postHeaders;
    }
    // Moves a large body in, and back out once the request is made, so its memory can be reused.
    void setPostData(std::string&& data, const std::string& postHeaders) {
        m_postData = std::move(data);
        m_postHeaders = postHeaders;
    }
    std::string takePostData() { return std::move(m_postData); }
    void setAccepted(bool value) { m_accepted = value; }

    PluginEventSinkPtr getEventSink() const { return m_sink; }
    const HttpCallback& getCallback() const { return m_callback; }
    const std::string& getPostData() const { return m_postData; }
    const std::string& getPostHeaders() const { return m_postHeaders; }
    bool wasAccepted() const { return m_accepted; }

    URI uri;
    std::string method;
    std::map<std::string, std::string> headers;
    bool seekable = false;
    size_t internalBufferSize = kDefaultStreamBufferSize;
    bool cache = false;

private:
    PluginEventSinkPtr m_sink;
    HttpCallback m_callback;
    bool m_accepted;
    std::string m_postData;
    std::string m_postHeaders;
};

} // namespace FB
