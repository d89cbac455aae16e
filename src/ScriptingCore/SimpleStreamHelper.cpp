#include "src/ScriptingCore/SimpleStreamHelper.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>
#include <boost/make_shared.hpp>

#include "src/ScriptingCore/BrowserHost.h"

namespace FB {

SimpleStreamHelper::SimpleStreamHelper(const HttpCallback& callback, size_t blockSize)
    : m_blockSize(blockSize ? blockSize : kDefaultStreamBufferSize), m_callback(callback) {}

SimpleStreamHelperPtr SimpleStreamHelper::AsyncRequest(const BrowserHostPtr& host,
                                                       const BrowserStreamRequest& req) {
    if (!req.getCallback()) {
        throw std::runtime_error("Invalid callback");
    }
    if (!host->isMainThread()) {
        return host->CallOnMainThread<SimpleStreamHelperPtr>(
            [host, req] { return AsyncRequest(host, req); });
    }
    BrowserStreamPtr stream = host->createStream(req, false);
    return AsyncRequest(host, stream, req);
}

SimpleStreamHelperPtr SimpleStreamHelper::AsyncRequest(const BrowserHostPtr& host,
                                                       const BrowserStreamPtr& stream,
                                                       const BrowserStreamRequest& req) {
    if (!host->isMainThread()) {
        return host->CallOnMainThread<SimpleStreamHelperPtr>(
            [host, stream, req] { return AsyncRequest(host, stream, req); });
    }
    auto helper = boost::make_shared<SimpleStreamHelper>(req.getCallback(), req.internalBufferSize);
    helper->m_self = helper;
    if (stream) {
        stream->AttachObserver(helper);
    } else {
        // The browser refused the request. The caller still gets its one completion call, later,
        // so that it never runs inside the call that made the request.
        host->ScheduleOnMainThread(helper, [helper] { helper->complete(false, HeaderMap()); });
    }
    return helper;
}

bool SimpleStreamHelper::onStreamDataArrived(StreamDataArrivedEvent* event, BrowserStream*) {
    m_received += event->length;
    size_t position = event->dataPosition;
    size_t remaining = event->length;
    auto* source = static_cast<const uint8_t*>(event->data);
    while (remaining > 0) {
        size_t blockIndex = position / m_blockSize;
        size_t offset = position % m_blockSize;
        while (m_blocks.size() < blockIndex + 1) {
            m_blocks.emplace_back(new uint8_t[m_blockSize]);
        }
        auto block = std::next(m_blocks.begin(), static_cast<long>(blockIndex));
        size_t count = std::min(remaining, m_blockSize - offset);
        std::memcpy(block->get() + offset, source, count);
        position += count;
        source += count;
        remaining -= count;
    }
    return false;
}

bool SimpleStreamHelper::onStreamCompleted(StreamCompletedEvent* event, BrowserStream* stream) {
    if (!event->success) {
        complete(false, HeaderMap());
        return false;
    }
    if (!m_data) {
        // Blocks are sized by position, so data that arrived out of order or past what the count
        // says is never read beyond what was allocated.
        size_t available = m_blocks.size() * m_blockSize;
        m_received = std::min(m_received, available);
        m_data.reset(new uint8_t[std::max<size_t>(m_received, 1)]);
        size_t index = 0;
        for (const auto& block : m_blocks) {
            size_t start = index * m_blockSize;
            if (start >= m_received) {
                break;
            }
            std::memcpy(m_data.get() + start, block.get(),
                        std::min(m_received - start, m_blockSize));
            ++index;
        }
        m_blocks.clear();
    }
    complete(true, parse_http_headers(stream->getHeaders()));
    return false;
}

void SimpleStreamHelper::complete(bool success, const HeaderMap& headers) {
    HttpCallback callback = m_callback;
    m_callback.clear();
    SimpleStreamHelperPtr self;
    self.swap(m_self); // released at the end of this call, after the callback has run
    if (callback) {
        callback(success, headers, success ? m_data : boost::shared_array<uint8_t>(), m_received);
    }
}

HeaderMap parse_http_headers(const std::string& headers) {
    HeaderMap result;
    std::vector<std::string> lines;
    boost::algorithm::split(lines, headers, boost::algorithm::is_any_of("\r\n"),
                            boost::algorithm::token_compress_on);
    for (const std::string& raw : lines) {
        std::string line = boost::algorithm::trim_copy(raw);
        size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        result.emplace(boost::algorithm::trim_copy(line.substr(0, colon)),
                       boost::algorithm::trim_copy(line.substr(colon + 1)));
    }
    return result;
}

} // namespace FB
