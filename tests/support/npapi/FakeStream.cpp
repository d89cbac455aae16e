#include "tests/support/npapi/FakeStream.h"

#include <algorithm>
#include <vector>

#include "tests/support/npapi/FakeBrowser.h"

namespace nvtest::npapi {

namespace {

// Rounds in a row in which the plug-in took nothing before write() gives up: a browser would
// retry on a timer, which a unit test must not wait for.
constexpr int kMaxIdleRounds = 3;
constexpr size_t kChunkLimit = 65536;

} // namespace

FakeStream::FakeStream(FakeBrowser& browser, const NPPluginFuncs& plugin, const UrlRequest& request)
    : m_browser(browser), m_plugin(plugin), m_npp(request.npp), m_url(request.url),
      m_notify(request.notify), m_notifyData(request.notifyData) {}

FakeStream::~FakeStream() {
    if (isOpen()) {
        finish(NPRES_USER_BREAK);
    }
}

NPError FakeStream::open(const StreamResponse& response) {
    m_headers = response.headers;
    m_record = std::make_unique<NPStream>(
        NPStream{nullptr, this, m_url.c_str(), response.length, response.lastModified, m_notifyData,
                 m_headers.empty() ? nullptr : m_headers.c_str()});
    m_browser.m_streams[m_record.get()] = this;
    uint16_t streamType = NP_NORMAL;
    std::string mimeType = response.mimeType; // the table wants a mutable string
    const NPError answer = m_plugin.newstream
                               ? m_plugin.newstream(m_npp, mimeType.data(), m_record.get(),
                                                    response.seekable, &streamType)
                               : NPERR_GENERIC_ERROR;
    if (answer != NPERR_NO_ERROR && isOpen()) {
        m_browser.m_streams.erase(m_record.get());
        m_record.reset();
        finish(NPRES_NETWORK_ERR);
    }
    return answer;
}

size_t FakeStream::write(std::string_view data) {
    size_t taken = 0;
    int idleRounds = 0;
    while (taken < data.size() && isOpen() && idleRounds < kMaxIdleRounds) {
        const int32_t ready = m_plugin.writeready ? m_plugin.writeready(m_npp, record()) : 0;
        const auto chunk = static_cast<int32_t>(std::min<size_t>(
            {data.size() - taken, static_cast<size_t>(std::max(ready, 0)), kChunkLimit}));
        if (!isOpen() || chunk == 0 || !m_plugin.write) {
            ++idleRounds;
            continue;
        }
        // A fresh buffer per call: the plug-in must copy what it keeps.
        std::vector<char> buffer(data.begin() + taken, data.begin() + taken + chunk);
        const int32_t written = m_plugin.write(m_npp, record(), m_offset, chunk, buffer.data());
        if (written < 0) {
            finish(NPRES_NETWORK_ERR);
            break;
        }
        const int32_t accepted = std::min(written, chunk);
        idleRounds = accepted == 0 ? idleRounds + 1 : 0;
        taken += static_cast<size_t>(accepted);
        m_offset += accepted;
    }
    return taken;
}

void FakeStream::finish(NPReason reason) {
    if (m_finished) {
        return;
    }
    // Set first: the plug-in may call NPN_DestroyStream from its own NPP_DestroyStream.
    m_finished = true;
    if (m_record) {
        if (m_plugin.destroystream) {
            m_plugin.destroystream(m_npp, m_record.get(), reason);
        }
        m_browser.m_streams.erase(m_record.get());
        m_record.reset();
    }
    if (m_notify && m_plugin.urlnotify) {
        m_plugin.urlnotify(m_npp, m_url.c_str(), reason, m_notifyData);
    }
}

size_t respond(FakeBrowser& browser, const NPPluginFuncs& plugin, const UrlRequest& request,
               const StreamResponse& response, std::string_view body) {
    FakeStream stream(browser, plugin, request);
    if (stream.open(response) != NPERR_NO_ERROR) {
        return 0;
    }
    const size_t taken = stream.write(body);
    // A plug-in that stopped taking data sees the transfer fail rather than complete short.
    stream.finish(taken == body.size() ? NPRES_DONE : NPRES_NETWORK_ERR);
    return taken;
}

} // namespace nvtest::npapi
