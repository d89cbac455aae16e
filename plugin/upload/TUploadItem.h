// TUploadItem: one local file on its way to the mail server as an attachment. Three phases: a
// checksum phase on a worker thread (size, block size, CRC-32 and, for net-folder uploads, the
// combined MD5/SHA-1 digest), a query that tells how much of the file the server already holds,
// then one block request after another until the server holds the whole file. Every change of state
// or progress reaches the page function later, on the main thread, as (state, percent, index).
//
// Thread contract: script members, stream answers and the protocol steps run on the main thread;
// the checksum phase runs on its own thread. m_mutex guards the state, percent, stop flag, error
// fields, the request in flight, the results of the checksum phase and the closing of the file. The
// worker and every pending request hold a shared reference, so the item outlives them. Only the
// worker reads the file while it runs; "read", "crc" and "size" use their own descriptors. A
// request dropped by "start" or "reset" may still answer; such answers are ignored.
//
// Files: TUploadItem.cpp the script members, TUploadItemCheck.cpp the checksum phase,
// TUploadItemTransfer.cpp the protocol steps (built and read by UploadProtocol), and
// TUploadItemState.cpp the state changes and notifications, which both threads make.
#pragma once

#include <string>

#include <boost/thread/mutex.hpp>
#include <boost/weak_ptr.hpp>

#include "plugin/upload/TMyFile.h"
#include "plugin/upload/UploadErrors.h"
#include "src/ScriptingCore/BrowserStreamRequest.h"
#include "src/ScriptingCore/JSAPIAuto.h"

namespace FB {
class PluginCore;
class SimpleStreamHelper;
} // namespace FB

class TUploadItem : public FB::JSAPIAuto, public UploadErrors {
public:
    enum STATE {
        STATE_IDLE = 0,
        STATE_CHECKING = 1,
        STATE_QUERYING = 2,
        STATE_UPLOADING = 3,
        STATE_VERIFIED = 4,
        STATE_FINISHED = 5,
        STATE_ERROR = 6,
        STATE_STOPPED = 7,
    };

    TUploadItem(const boost::weak_ptr<FB::PluginCore>& plugin, const FB::BrowserHostPtr& host,
                unsigned long index, const std::wstring& path);
    // Performs "stop".
    ~TUploadItem() override;

    // Settings the manager copies into a new item.
    struct Settings {
        std::string queryUrl;
        std::string uploadUrl;
        unsigned long blockSize = 0;
        unsigned long compress = 0;
        bool netfolder = true;
        bool keepFullPath = false;
        FB::JSObjectPtr notify;
    };
    void applySettings(const Settings& settings);
    // Resume information kept by the page across a reload.
    void setResume(const std::string& crc2, const std::string& attachId);

    unsigned long long size();
    std::string size_str();
    std::wstring getName() { return m_path; }
    int getState();
    int getPercent();
    std::string attachId();
    std::string getLastErrorStr();
    int getLastErrorNum();
    bool getKeepFullPath();
    void setKeepFullPath(bool keep);
    void init2(const boost::optional<FB::JSObjectPtr>& options);
    std::string read(unsigned long long offset, unsigned long length);
    std::string crc(int selector);
    void setDisplayName(const std::wstring& name);
    void setExtAttribute(const std::string& arg);
    void start();
    void reset();
    void stop();

    // The protocol steps (main thread).
    void beginQueryURL();
    void getQueryResultCallback(bool success, const FB::HeaderMap& headers,
                                const boost::shared_array<uint8_t>& data, size_t size);
    void uploadContent(unsigned long long offset);
    void getUploadResultCallback(unsigned long long next, bool success,
                                 const FB::HeaderMap& headers,
                                 const boost::shared_array<uint8_t>& data, size_t size);

private:
    // What the checksum phase needs, copied at "start" so the page may change settings meanwhile.
    struct CheckJob {
        unsigned long blockSize;
        bool netfolder;
        std::string passedCrc2;
    };

    // The worker's whole run; ends by scheduling the query on the main thread, or in state 6.
    void checkCRCInThread(const CheckJob& job);

    // State changes and notifications, from either thread.
    // Records and notifies; throws std::bad_exception (error 2) when a stop was requested.
    void indicate(STATE state, int percent);
    // Records and notifies from an error handler; never throws.
    void indicate_in_exception(STATE state, int percent);
    // Records the error (state 6) and throws std::bad_exception to unwind to the phase's end.
    [[noreturn]] void throw_exception(ERROR_NUM number, const std::string& text);
    void notify(int state, int percent);
    // REQUIRES: m_mutex held. Closes the file unless the worker is reading it.
    void closeFileLocked();
    bool stopRequested();
    // False for the answer of a request made before the last "start" or "reset".
    bool isCurrent(unsigned generation);

    // The protocol steps (main thread).
    // Sends a POST; `body` is moved into the request and handed back afterwards (for reuse).
    void sendRequest(const std::string& url, std::string& body, const std::string& headers,
                     const FB::HttpCallback& callback);
    void continueUpload(unsigned long long offset);
    // Drops the finished request and gives the answer's text and the file size.
    std::string takeAnswer(const boost::shared_array<uint8_t>& data, size_t size,
                           unsigned long long& total);

    boost::shared_ptr<TUploadItem> self();
    // False for an item made by "resume_netfolder" until its checksum phase has found the digest
    // the page passed: the page named that file, the user never chose it.
    bool fileOpenToPage();

    boost::mutex m_mutex;
    boost::weak_ptr<FB::PluginCore> m_plugin;
    FB::BrowserHostPtr m_host;
    unsigned long m_index;
    std::wstring m_path;
    std::wstring m_displayName;
    std::string m_queryUrl;
    std::string m_uploadUrl;
    std::string m_extArg;
    std::string m_attachId;
    std::string m_passedCrc2;
    bool m_digestProven = false;   // guarded by m_mutex
    unsigned long m_blockSize = 0; // guarded by m_mutex while a worker runs
    unsigned long m_compress = 0;
    bool m_netfolder = true;
    bool m_keepFullPath = false;
    FB::JSObjectPtr m_notify; // guarded by m_mutex
    TMyFile m_file;
    std::string m_crc;                                   // guarded by m_mutex
    std::string m_crc2;                                  // guarded by m_mutex
    unsigned long long m_totalSize = 0;                  // guarded by m_mutex
    int m_state = STATE_IDLE;                            // guarded by m_mutex
    int m_percent = 0;                                   // guarded by m_mutex
    bool m_stop = false;                                 // guarded by m_mutex
    bool m_workerRunning = false;                        // guarded by m_mutex
    int m_lastErrorNum = ERR_NONE;                       // guarded by m_mutex
    std::string m_lastErrorStr;                          // guarded by m_mutex
    boost::shared_ptr<FB::SimpleStreamHelper> m_request; // guarded by m_mutex
    unsigned m_generation = 0;                           // guarded by m_mutex
    unsigned m_requestSequence = 0;                      // guarded by m_mutex
};
