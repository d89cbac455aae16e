// FB::Npapi::NpapiStream: a browser stream fed through the plug-in's stream entry points. It holds
// itself until the browser has both ended the stream and reported the request's end (each may come
// first), and sends its events to the attached handlers.
// Thread contract: main thread only.
#pragma once

#include <string>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"
#include "src/ScriptingCore/BrowserStream.h"

namespace FB::Npapi {

class NpapiBrowserHost;

class NpapiStream : public FB::BrowserStream {
public:
    NpapiStream(const std::string& url, bool cache, bool seekable, size_t internalBufferSize,
                const boost::shared_ptr<NpapiBrowserHost>& host);
    ~NpapiStream() override;

    bool readRanges(const std::vector<Range>& ranges) override;
    bool write(const char* data, size_t dataLength, size_t& written) override;
    // Ends the transfer on the plug-in's side: a transfer cut short completes as a failure.
    // REQUIRES: the caller holds a reference (the stream may let go of itself here).
    bool close() override;

    // The browser accepted the request: the stream holds itself from now on.
    void setCreated();
    void setDestroyed();
    void setNotified();
    // The count of bytes taken (at most the internal buffer size).
    int32_t signalDataArrived(void* buffer, int32_t len, int32_t offset);
    void signalOpened();
    void signalFailedOpen();
    void signalCompleted(bool success);
    void signalCacheFilename(const std::wstring& name);
    void setStream(NPStream* stream) { m_stream = stream; }
    NPStream* getStream() const { return m_stream; }
    boost::shared_ptr<NpapiBrowserHost> getHost() const { return m_host.lock(); }

private:
    NPStream* m_stream = nullptr;
    boost::weak_ptr<NpapiBrowserHost> m_host;
    BrowserStreamPtr m_selfReference;
    bool m_destroyed = false;
    bool m_notified = false;
};

} // namespace FB::Npapi
