// TDownloadItem: one file the page asked the download manager for. The item fetches it through the
// browser (so the browser's cookies and proxy apply) into a temporary file beside its final place,
// can continue an interrupted transfer by asking the server for the rest through a query
// parameter, optionally extracts the file as a zip archive on a worker thread, and reports every
// change of state and progress to the page as (state, percent, id), later, on the main thread. An
// item made from page content only writes that content.
//
// Thread contract: script members and the transfer run on the main thread; the extraction runs on
// its own thread, which holds a shared reference to the item. m_mutex guards the state, percent,
// error fields, stop flag, the file and the transfer in flight; it is never held while calling the
// page or the stream. Answers of a transfer dropped by "start", "reset" or a write failure are
// ignored.
//
// Files: TDownloadItem.cpp the script members and set-up, TDownloadItemTransfer.cpp the transfer
// and the extraction, TDownloadItemState.cpp the state changes and notifications.
#pragma once

#include <string>

#include <boost/thread/mutex.hpp>
#include <boost/weak_ptr.hpp>

#include "plugin/download/DownloadErrors.h"
#include "plugin/upload/TMyFile.h"
#include "src/ScriptingCore/BrowserStreamRequest.h"
#include "src/ScriptingCore/JSAPIAuto.h"

namespace FB {
class PluginCore;
} // namespace FB

class TMySimpleStreamHelper;

class TDownloadItem : public FB::JSAPIAuto, public DownloadErrors {
public:
    enum STATE {
        STATE_IDLE = 0,
        STATE_UNZIPPING = 1,
        STATE_RECEIVING = 3,
        STATE_FINISHED = 4,
        STATE_ERROR = 6,
        STATE_STOPPED = 7,
    };

    TDownloadItem(const boost::weak_ptr<FB::PluginCore>& plugin, const FB::BrowserHostPtr& host,
                  unsigned long id);

    // A download of `url` into folder/subfolder/name (folder ends in "/"). With `resume` the
    // request carries the bytes already held under that query parameter name. False, with the
    // item unusable, when the folder is empty, a name would leave the folder, or the subfolder
    // cannot be made (lastErrorNum 9).
    bool init(const std::string& url, const std::string& post, const std::wstring& folder,
              const std::wstring& subfolder, const std::wstring& name, unsigned long long size,
              const std::string& resume, unsigned long blockSize, const std::string& charset,
              const FB::JSObjectPtr& notify);
    // A file written at once from `content`: state 4, the page not notified. False as for init,
    // and when the file cannot be written.
    bool init2(const std::string& content, const std::wstring& folder,
               const std::wstring& subfolder, const std::wstring& name,
               const FB::JSObjectPtr& notify);

    unsigned long long getSize() const { return m_size; }
    std::string getSizeStr() const { return std::to_string(m_size); }
    unsigned long long getDownloadSize();
    std::string getDownloadSizeStr() { return std::to_string(getDownloadSize()); }
    std::wstring getName() const { return m_name; }
    int getState();
    int getPercent();
    std::string getLastErrorStr();
    int getLastErrorNum();
    void start();
    void reset();
    void stop();

private:
    bool buildFullPath(const std::wstring& folder, std::wstring subfolder, std::wstring name);

    // The transfer (main thread) and the extraction (worker).
    void beginDownload();
    void getDataCallback(unsigned transfer, const void* data, size_t length, size_t total);
    void getQueryResultCallback(unsigned transfer, bool success);
    void onFinishDownload();
    void unzipInThread();
    // Ends the transfer in flight without hearing from it again.
    void abandonTransfer();

    // State changes and notifications, from either thread.
    // Records and notifies; throws std::bad_exception (error 2) when a stop was requested.
    void indicate(STATE state, int percent);
    // Records and notifies from an error handler; never throws.
    void indicate_in_exception(STATE state, int percent);
    // Records the error (state 6) and throws std::bad_exception to unwind to the step's end.
    [[noreturn]] void throw_exception(ERROR_NUM number, const std::string& text);
    // REQUIRES: m_mutex held. The same for a file step that just failed: error 9, the system's
    // text.
    [[noreturn]] void throwFileErrorLocked();
    // REQUIRES: m_mutex held. When a stop was requested: records "User beak" (state 6) and throws
    // std::bad_exception.
    void throwIfStoppedLocked();
    // REQUIRES: m_mutex held. Writes the bytes received and not yet written; false when they could
    // not all be written (errno tells why). They are dropped either way.
    bool flushLocked();
    // REQUIRES: m_mutex held. Writes what is pending, whatever the outcome, and closes the file.
    void closeFileLocked();
    // REQUIRES: m_mutex held. Records the state; entering 4 or 6 closes the file, 4 also puts the
    // file in place (or, extracted, deletes the archive). Returns the state to report: 6 with error
    // 9 when the file could not be put in place.
    int enterLocked(int state, int percent);
    void notify(int state, int percent);
    bool isCurrent(unsigned transfer);
    boost::shared_ptr<TDownloadItem> self();

    boost::mutex m_mutex;
    boost::weak_ptr<FB::PluginCore> m_plugin;
    FB::BrowserHostPtr m_host;
    const unsigned long m_id;
    std::wstring m_name;
    std::wstring m_fullPath;
    std::wstring m_directory;
    std::string m_url;
    std::string m_post;
    std::string m_charset;
    unsigned long m_blockSize = 0;
    FB::JSObjectPtr m_notify;
    unsigned long long m_size = 0;
    bool m_resumeMode = false;
    bool m_unzipFlag = false;
    TMyFile m_file;                                    // guarded by m_mutex
    std::string m_pending;                             // guarded by m_mutex
    unsigned long long m_downloadSize = 0;             // guarded by m_mutex
    unsigned long long m_transferStart = 0;            // guarded by m_mutex
    int m_state = STATE_IDLE;                          // guarded by m_mutex
    int m_percent = 0;                                 // guarded by m_mutex
    bool m_stoppedFlag = false;                        // guarded by m_mutex
    int m_lastErrorNum = ERR_NONE;                     // guarded by m_mutex
    std::string m_lastErrorStr;                        // guarded by m_mutex
    boost::shared_ptr<TMySimpleStreamHelper> m_helper; // guarded by m_mutex
    unsigned m_transfer = 0;                           // guarded by m_mutex
};
