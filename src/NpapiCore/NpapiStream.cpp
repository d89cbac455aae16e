#include "src/NpapiCore/NpapiStream.h"

#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/ScriptingCore/StreamEvents.h"

namespace FB::Npapi {

NpapiStream::NpapiStream(const std::string& url, bool cache, bool seekable,
                         size_t internalBufferSize, const boost::shared_ptr<NpapiBrowserHost>& host)
    : FB::BrowserStream(url, cache, seekable, internalBufferSize), m_host(host) {}

NpapiStream::~NpapiStream() = default;

void NpapiStream::setCreated() {
    m_selfReference = shared_ptr();
    StreamCreatedEvent event(this);
    SendEvent(&event);
}

void NpapiStream::setDestroyed() {
    m_destroyed = true;
    if (m_notified) {
        m_selfReference.reset();
    }
}

void NpapiStream::setNotified() {
    m_notified = true;
    if (m_destroyed) {
        m_selfReference.reset();
    }
}

int32_t NpapiStream::signalDataArrived(void* buffer, int32_t len, int32_t offset) {
    if (len <= 0) {
        return 0;
    }
    size_t accepted = std::min(static_cast<size_t>(len), getInternalBufferSize());
    if (accepted == 0) {
        return 0;
    }
    float progress = 0;
    if (getLength() > 0) {
        progress = static_cast<float>(offset + len) / static_cast<float>(getLength()) * 100.0f;
    }
    if (isOpen()) {
        StreamDataArrivedEvent event(this, buffer, accepted, static_cast<size_t>(offset), progress);
        SendEvent(&event);
    }
    return static_cast<int32_t>(accepted);
}

void NpapiStream::signalOpened() {
    setOpen(true);
    StreamOpenedEvent event(this);
    SendEvent(&event);
}

void NpapiStream::signalFailedOpen() {
    StreamFailedOpenEvent event(this);
    SendEvent(&event);
}

void NpapiStream::signalCompleted(bool success) {
    // A seekable stream stays open for range reads after a successful end.
    if ((isSeekable() && success) || isCompleted()) {
        return;
    }
    setCompleted(true);
    close();
    StreamCompletedEvent event(this, success);
    SendEvent(&event);
}

void NpapiStream::signalCacheFilename(const std::wstring& name) {
    setCacheFilename(name);
}

bool NpapiStream::close() {
    if (!m_stream) {
        return false;
    }
    NPStream* stream = m_stream;
    // Forget the handle first: the browser answers the destruction by calling back into the
    // plug-in, which must find the stream already unbound.
    m_stream = nullptr;
    bool cutShort = isOpen() && !isCompleted();
    setOpen(false);
    NPError result = NPERR_GENERIC_ERROR;
    if (boost::shared_ptr<NpapiBrowserHost> host = m_host.lock()) {
        result = host->DestroyStream(stream, NPRES_USER_BREAK);
    }
    if (cutShort) {
        setCompleted(true);
        StreamCompletedEvent event(this, false);
        SendEvent(&event);
    }
    // The browser will not report the destroyed stream back to us; only the request's end is left.
    setDestroyed();
    return result == NPERR_NO_ERROR;
}

bool NpapiStream::readRanges(const std::vector<Range>& ranges) {
    if (!m_stream || !isSeekable() || !isOpen()) {
        return false;
    }
    if (ranges.empty()) {
        return true;
    }
    std::vector<NPByteRange> list(ranges.size());
    for (size_t i = 0; i < ranges.size(); ++i) {
        list[i].offset = static_cast<int32_t>(ranges[i].first);
        list[i].length = static_cast<uint32_t>(ranges[i].second - ranges[i].first);
        list[i].next = i + 1 < ranges.size() ? &list[i + 1] : nullptr;
    }
    boost::shared_ptr<NpapiBrowserHost> host = m_host.lock();
    return host && host->RequestRead(m_stream, list.data()) == NPERR_NO_ERROR;
}

bool NpapiStream::write(const char* data, size_t dataLength, size_t& written) {
    boost::shared_ptr<NpapiBrowserHost> host = m_host.lock();
    if (!m_stream || !isOpen() || !host) {
        return false;
    }
    int32_t count =
        host->Write(m_stream, static_cast<int32_t>(dataLength), const_cast<char*>(data));
    written = count > 0 ? static_cast<size_t>(count) : 0;
    return written == dataLength;
}

} // namespace FB::Npapi
