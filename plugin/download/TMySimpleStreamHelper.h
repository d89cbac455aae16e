// TMySimpleStreamHelper: a stream helper that hands every block to a data function as it arrives
// instead of gathering the response, so a download of any size never sits in memory. The
// completion function still runs exactly once, without data.
//
// Thread contract: main thread only (stream events arrive there).
#pragma once

#include <boost/function.hpp>

#include "src/ScriptingCore/SimpleStreamHelper.h"

class TMySimpleStreamHelper : public FB::SimpleStreamHelper {
public:
    // (bytes, length, the stream's total length or 0 when unknown).
    using DataFunction = boost::function<void(const void* data, size_t length, size_t total)>;

    TMySimpleStreamHelper(const DataFunction& data, const FB::HttpCallback& completion,
                          size_t blockSize);

    // Observes `stream` and keeps `self` (this helper) alive until the stream completes.
    void saveSetStream(const FB::BrowserStreamPtr& stream,
                       const boost::shared_ptr<TMySimpleStreamHelper>& self);

    bool onStreamDataArrived(FB::StreamDataArrivedEvent* event, FB::BrowserStream* stream) override;
    // A body shorter than the length the stream announced completes as a failure, whatever the
    // browser says (QtWebKit calls a connection closed early a success).
    bool onStreamCompleted(FB::StreamCompletedEvent* event, FB::BrowserStream* stream) override;

private:
    DataFunction m_dataFunction;
    unsigned long long m_passedOn = 0;
};
