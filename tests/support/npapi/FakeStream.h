// FakeStream: the browser's side of one stream to the plug-in, driven by the test step by step
// through the plug-in's NPPluginFuncs: open (NPP_NewStream), write (NPP_WriteReady and NPP_Write),
// finish (NPP_DestroyStream, then NPP_URLNotify when the request asked for notification). As in a
// browser, NPN_DestroyStream from the plug-in finishes the stream at once with the plug-in's
// reason, and an NPP_Write answer below zero finishes it with NPRES_NETWORK_ERR. The NPStream
// record is freed when the stream finishes, so a plug-in that keeps using it trips the address
// sanitizer.
//
// Thread contract: main thread only; REQUIRES: the FakeBrowser outlives the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace nvtest::npapi {

class FakeBrowser;

// A URL request the plug-in made with NPN_GetURL or a Notify variant.
struct UrlRequest {
    NPP npp;
    std::string url;
    std::optional<std::string> target; // the window asked for; nullopt: a stream to the plug-in
    std::string body;                  // POST: the buffer as given
    bool notify;                       // made with a Notify variant
    void* notifyData;
};

struct StreamResponse {
    std::string mimeType = "text/plain";
    // Status line and headers, each line ending in "\n"; empty: the stream carries none (null).
    std::string headers;
    uint32_t length = 0; // NPStream::end, 0 when unknown
    uint32_t lastModified = 0;
    bool seekable = false;
};

class FakeStream {
public:
    // The answer to `request`.
    FakeStream(FakeBrowser& browser, const NPPluginFuncs& plugin, const UrlRequest& request);
    FakeStream(const FakeStream&) = delete;
    FakeStream& operator=(const FakeStream&) = delete;
    // A stream still open is finished with NPRES_USER_BREAK, as when the user leaves the page.
    ~FakeStream();

    // Offers the stream (NPP_NewStream). When the plug-in refuses it, the request ends with
    // NPP_URLNotify(NPRES_NETWORK_ERR) and no NPP_DestroyStream. Returns the plug-in's answer.
    NPError open(const StreamResponse& response);
    // Offers `data` in chunks no larger than the plug-in's NPP_WriteReady answer or 64 KiB, each
    // in a fresh buffer, re-offering what a write did not take. Stops when everything was taken,
    // the stream finished, or three rounds in a row took nothing. Returns the bytes taken.
    size_t write(std::string_view data);
    // Ends the stream once: NPP_DestroyStream when it is open, then NPP_URLNotify when notifying.
    void finish(NPReason reason);

    bool isOpen() const { return m_record != nullptr; }
    bool isFinished() const { return m_finished; }
    // The record handed to the plug-in, null unless open.
    NPStream* record() const { return m_record.get(); }

private:
    friend class FakeBrowser;

    FakeBrowser& m_browser;
    const NPPluginFuncs& m_plugin;
    NPP m_npp;
    std::string m_url;
    bool m_notify;
    void* m_notifyData;
    std::string m_headers;
    std::unique_ptr<NPStream> m_record;
    int32_t m_offset = 0;
    bool m_finished = false;
};

// Answers `request` in one go: open, write all of `body`, finish with NPRES_DONE, or with
// NPRES_NETWORK_ERR when the plug-in stopped taking data. Returns the bytes the plug-in took.
size_t respond(FakeBrowser& browser, const NPPluginFuncs& plugin, const UrlRequest& request,
               const StreamResponse& response, std::string_view body);

} // namespace nvtest::npapi
