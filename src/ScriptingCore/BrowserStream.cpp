#include "src/ScriptingCore/BrowserStream.h"

#include "src/ScriptingCore/StreamEvents.h"

namespace FB {

BrowserStream::BrowserStream(const std::string& url, bool cache, bool seekable,
                             size_t internalBufferSize)
    : m_url(url), m_seekable(seekable), m_cached(cache), m_internalBufferSize(internalBufferSize) {}

BrowserStream::~BrowserStream() {
    StreamDestroyedEvent event(this);
    SendEvent(&event);
}

} // namespace FB
