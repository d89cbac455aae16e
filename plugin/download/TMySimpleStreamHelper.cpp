#include "plugin/download/TMySimpleStreamHelper.h"

TMySimpleStreamHelper::TMySimpleStreamHelper(const DataFunction& data,
                                             const FB::HttpCallback& completion, size_t blockSize)
    : FB::SimpleStreamHelper(completion, blockSize), m_dataFunction(data) {}

void TMySimpleStreamHelper::saveSetStream(const FB::BrowserStreamPtr& stream,
                                          const boost::shared_ptr<TMySimpleStreamHelper>& self) {
    m_self = self;
    stream->AttachObserver(self);
}

bool TMySimpleStreamHelper::onStreamDataArrived(FB::StreamDataArrivedEvent* event,
                                                FB::BrowserStream* stream) {
    if (!m_dataFunction) {
        return FB::SimpleStreamHelper::onStreamDataArrived(event, stream);
    }
    m_passedOn += event->length;
    m_dataFunction(event->data, event->length, stream->getLength());
    return false;
}

bool TMySimpleStreamHelper::onStreamCompleted(FB::StreamCompletedEvent* event,
                                              FB::BrowserStream* stream) {
    if (!m_dataFunction) {
        return FB::SimpleStreamHelper::onStreamCompleted(event, stream);
    }
    // QtWebKit ends a stream whose server closed the connection before the announced length as if
    // it were complete (NPRES_DONE); only the count tells.
    bool whole = stream->getLength() == 0 || m_passedOn >= stream->getLength();
    complete(event->success && whole,
             event->success ? FB::parse_http_headers(stream->getHeaders()) : FB::HeaderMap());
    return false;
}
