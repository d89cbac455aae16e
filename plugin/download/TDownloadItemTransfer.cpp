// The transfer on the main thread, and the extraction on its worker.
#include "plugin/download/TDownloadItem.h"

#include <exception>

#include <boost/make_shared.hpp>
#include <boost/thread/thread.hpp>

#include "plugin/download/TCompress.h"
#include "plugin/download/TDownloadItemStages.h"
#include "plugin/download/TMySimpleStreamHelper.h"
#include "src/ScriptingCore/BrowserHost.h"

using download_item::Lock;
using download_item::percentOf;
using download_item::STAGE_EXTRACT;
using download_item::STAGE_REQUEST;
using download_item::STAGE_TRANSFER;

namespace {

// The browser hands the plug-in at most this much at a time.
constexpr size_t kStreamBufferSize = 1048576;
// QtWebKit hands over about 8 KiB at a time; a write for each costs the browser's main thread
// more than everything else the plug-in does with the data.
constexpr size_t kWriteSize = 1048576;

} // namespace

void TDownloadItem::beginDownload() {
    try {
        std::string url = m_url;
        unsigned transfer;
        {
            Lock lock(m_mutex);
            m_helper.reset();
            m_downloadSize = 0;
            m_pending.clear();
            m_pending.reserve(kWriteSize);
            transfer = m_transfer;
            bool opened = m_resumeMode ? m_file.openToAppend(m_downloadSize) : m_file.create();
            if (!opened) {
                throwFileErrorLocked();
            }
            m_transferStart = m_downloadSize;
        }
        if (m_resumeMode) {
            url += std::to_string(m_transferStart);
            if (m_size != 0 && m_size == m_transferStart) {
                onFinishDownload();
                return;
            }
        }
        FB::BrowserStreamRequest request(url, m_post.empty() ? "GET" : "POST");
        request.setBufferSize(kStreamBufferSize);
        if (!m_post.empty()) {
            request.setPostData(m_post);
        }
        boost::shared_ptr<TDownloadItem> keep = self();
        auto helper = boost::make_shared<TMySimpleStreamHelper>(
            [keep, transfer](const void* data, size_t length, size_t total) {
                keep->getDataCallback(transfer, data, length, total);
            },
            [keep, transfer](bool success, const FB::HeaderMap&,
                             const boost::shared_array<uint8_t>&,
                             size_t) { keep->getQueryResultCallback(transfer, success); },
            kStreamBufferSize);
        // Not under the lock: a browser may deliver the first events inside the request call.
        FB::BrowserStreamPtr stream = m_host->createStream(request, false);
        if (!stream) {
            throw_exception(ERR_FILE, TMyFile::getError());
        }
        {
            Lock lock(m_mutex);
            m_helper = helper;
        }
        helper->saveSetStream(stream, helper);
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_REQUEST);
    }
}

void TDownloadItem::getDataCallback(unsigned transfer, const void* data, size_t length,
                                    size_t total) {
    if (!isCurrent(transfer)) {
        return;
    }
    try {
        int percent;
        bool changed;
        {
            Lock lock(m_mutex);
            throwIfStoppedLocked();
            m_pending.append(static_cast<const char*>(data), length);
            if (m_pending.size() >= kWriteSize && !flushLocked()) {
                // The bytes written so far stay in the temporary file for a resume.
                throwFileErrorLocked();
            }
            m_downloadSize += length;
            // The stream counts only what it carries; a resumed file already held the rest.
            unsigned long long reference = total != 0 ? m_transferStart + total : m_size;
            percent = percentOf(m_downloadSize, reference);
            changed = m_state != STATE_RECEIVING || percent != m_percent;
        }
        if (changed) {
            indicate(STATE_RECEIVING, percent);
        }
    } catch (const std::exception&) {
        abandonTransfer();
        indicate_in_exception(STATE_ERROR, STAGE_TRANSFER);
    }
}

void TDownloadItem::abandonTransfer() {
    boost::shared_ptr<TMySimpleStreamHelper> helper;
    {
        Lock lock(m_mutex);
        ++m_transfer;
        helper.swap(m_helper);
    }
    if (helper) {
        helper->cancel();
    }
}

void TDownloadItem::getQueryResultCallback(unsigned transfer, bool success) {
    if (!isCurrent(transfer)) {
        return;
    }
    try {
        {
            Lock lock(m_mutex);
            m_helper.reset();
            // Also after a failure: what arrived is kept for a resume.
            if (!flushLocked()) {
                throwFileErrorLocked();
            }
        }
        if (!success) {
            throw_exception(ERR_NETWORK, kNetworkErrorText);
        }
        onFinishDownload();
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_TRANSFER);
    }
}

void TDownloadItem::onFinishDownload() {
    if (!m_unzipFlag) {
        indicate(STATE_FINISHED, 100);
        return;
    }
    {
        Lock lock(m_mutex);
        closeFileLocked();
        m_state = STATE_UNZIPPING;
        m_percent = 0;
    }
    boost::shared_ptr<TDownloadItem> keep = self();
    try {
        boost::thread([keep] { keep->unzipInThread(); }).detach();
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_EXTRACT);
    }
}

void TDownloadItem::unzipInThread() {
    try {
        indicate(STATE_UNZIPPING, 0);
        std::wstring archive;
        {
            Lock lock(m_mutex);
            archive = m_file.path;
        }
        auto progress = [this](void*, unsigned long long index, unsigned long long count) {
            indicate(STATE_UNZIPPING, percentOf(index, count));
        };
        if (TCompress::unzip(archive, m_directory, m_blockSize, progress, nullptr, m_charset)) {
            indicate(STATE_FINISHED, 100);
            return;
        }
        {
            Lock lock(m_mutex);
            m_lastErrorStr = TMyFile::getError();
        }
        indicate_in_exception(STATE_ERROR, STAGE_EXTRACT);
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_TRANSFER);
    }
}
