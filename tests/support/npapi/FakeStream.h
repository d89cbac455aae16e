// FakeStream: the browser's side of one stream to the plug-in, driven by the test step by step
// through the plug-in's NPPluginFuncs: open (NPP_NewStream), write (NPP_WriteReady and NPP_Write),
// deliverFile (NPP_StreamAsFile), finish (NPP_DestroyStream, then NPP_URLNotify when the request
// asked for notification). As in a browser, NPN_DestroyStream from the plug-in finishes the stream
// at once with the plug-in's reason, and an NPP_Write answer below zero finishes it with
// NPRES_NETWORK_ERR. The NPStream record is freed when the stream finishes, so a plug-in that keeps
// using it trips the address sanitizer.
// Thread contract: main thread only; REQUIRES: the FakeBrowser outlives the stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace nvtest::npapi {

class FakeBrowser;

// A URL request the plug-in made with NPN_GetURL, NPN_PostURL or their Notify variants.
struct UrlRequest {
    NPP npp;
    std::string method; // "GET" or "POST"
    std::string url;
    std::optional<std::string> target; // the window asked for; nullopt: a stream to the plug-in
    std::string body;                  // POST: the buffer as given, or the file name
    bool bodyIsFile;
    bool notify; // made with a Notify variant
    void* notifyData;
    NPError result; // the browser's answer
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
    // A stream the plug-in did not ask for (no notification, no notifyData).
    FakeStream(FakeBrowser& browser, const NPPluginFuncs& plugin, NPP npp, std::string url);
    FakeStream(const FakeStream&) = delete;
    FakeStream& operator=(const FakeStream&) = delete;
    // A stream still open is finished with NPRES_USER_BREAK, as when the user leaves the page.
    ~FakeStream();

    // Offers the stream (NPP_NewStream). When the plug-in refuses it, the request ends with
    // NPP_URLNotify(NPRES_NETWORK_ERR) and no NPP_DestroyStream. Returns the plug-in's answer.
    NPError open(const StreamResponse& response);
    // The stream type the plug-in chose in NPP_NewStream.
    uint16_t streamType() const { return m_streamType; }
    // Offers `data` in chunks no larger than the plug-in's NPP_WriteReady answer or the chunk
    // limit, each in a fresh buffer, re-offering what a write did not take. Stops when everything
    // was taken, the stream finished, or three rounds in a row took nothing. Returns the bytes
    // taken.
    size_t write(std::string_view data);
    void setChunkLimit(int32_t bytes) { m_chunkLimit = bytes; }
    void deliverFile(const std::string& path);
    // Ends the stream once: NPP_DestroyStream when it is open, then NPP_URLNotify when notifying.
    void finish(NPReason reason);

    bool isOpen() const { return m_record != nullptr; }
    bool isFinished() const { return m_finished; }
    // The record handed to the plug-in, null unless open.
    NPStream* record() const { return m_record.get(); }
    // Byte ranges the plug-in asked for with NPN_RequestRead (offset, length).
    const std::vector<std::pair<int32_t, uint32_t>>& requestedRanges() const { return m_ranges; }

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
    uint16_t m_streamType = NP_NORMAL;
    int32_t m_offset = 0;
    int32_t m_chunkLimit = 65536;
    bool m_finished = false;
    std::vector<std::pair<int32_t, uint32_t>> m_ranges;
};

// Answers `request` in one go: open, write all of `body`, finish with NPRES_DONE, or with
// NPRES_NETWORK_ERR when the plug-in stopped taking data. Returns the bytes the plug-in took.
size_t respond(FakeBrowser& browser, const NPPluginFuncs& plugin, const UrlRequest& request,
               const StreamResponse& response, std::string_view body);

} // namespace nvtest::npapi
