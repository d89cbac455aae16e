// FB::BrowserStream: one transfer fed by the browser. An event source: handlers attach as observers
// and receive the stream events (StreamEvents.h). Main thread only.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "src/ScriptingCore/APITypes.h"
#include "src/ScriptingCore/PluginEventSource.h"

namespace FB {

class BrowserStream : public PluginEventSource {
public:
    using Range = std::pair<size_t, size_t>;

    BrowserStream(const std::string& url, bool cache, bool seekable, size_t internalBufferSize);
    // Tells the observers that the stream is going away.
    ~BrowserStream() override;

    BrowserStreamPtr shared_ptr() {
        return boost::static_pointer_cast<BrowserStream>(shared_from_this());
    }

    virtual bool readRange(size_t start, size_t end) { return readRanges({Range(start, end)}); }
    virtual bool readRanges(const std::vector<Range>& ranges) = 0;
    virtual bool write(const char* data, size_t dataLength, size_t& written) = 0;
    virtual bool close() = 0;

    const std::string& getUrl() const { return m_url; }
    bool isSeekableByServer() const { return m_seekableByServer; }
    bool isSeekableRequested() const { return m_seekable; }
    bool isSeekable() const { return m_seekable && m_seekableByServer; }
    bool isCached() const { return m_cached; }
    bool isCompleted() const { return m_completed; }
    bool isOpen() const { return m_opened; }
    const std::string& getMimeType() const { return m_mimeType; }
    const std::wstring& getCacheFilename() const { return m_cacheFilename; }
    const std::string& getHeaders() const { return m_headers; }
    size_t getInternalBufferSize() const { return m_internalBufferSize; }
    size_t getLength() const { return m_length; }

    void setUrl(const std::string& url) { m_url = url; }
    void setSeekableByServer(bool value) { m_seekableByServer = value; }
    void setCached(bool value) { m_cached = value; }
    void setCompleted(bool value) { m_completed = value; }
    void setOpen(bool value) { m_opened = value; }
    void setMimeType(const std::string& type) { m_mimeType = type; }
    void setCacheFilename(const std::wstring& name) { m_cacheFilename = name; }
    void setHeaders(const std::string& headers) { m_headers = headers; }
    void setInternalBufferSize(size_t size) { m_internalBufferSize = size; }
    void setLength(size_t length) { m_length = length; }

private:
    std::string m_url;
    bool m_seekable;
    bool m_seekableByServer = false;
    bool m_cached;
    size_t m_internalBufferSize;
    std::wstring m_cacheFilename;
    size_t m_length = 0;
    std::string m_mimeType;
    bool m_completed = false;
    bool m_opened = false;
    std::string m_headers;
};

} // namespace FB
