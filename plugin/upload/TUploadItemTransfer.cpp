// The item's side of the protocol, on the main thread: it sends what UploadProtocol builds and acts
// on what UploadProtocol reads from each answer.
#include "plugin/upload/TUploadItem.h"

#include <algorithm>
#include <exception>

#include "plugin/upload/TUploadItemStages.h"
#include "plugin/upload/UploadProtocol.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/BrowserHost.h"
#include "src/ScriptingCore/SimpleStreamHelper.h"
#include "src/ScriptingCore/URI.h"
#include "src/ScriptingCore/utf8_tools.h"

using upload_item::Lock;
using upload_item::percentOf;
using upload_item::STAGE_BLOCK;
using upload_item::STAGE_BLOCK_ANSWER;
using upload_item::STAGE_QUERY;
using upload_item::STAGE_QUERY_ANSWER;

void TUploadItem::sendRequest(const std::string& url, std::string& body, const std::string& headers,
                              const FB::HttpCallback& callback) {
    FB::BrowserStreamRequest request{FB::URI(url), "POST"};
    request.setPostData(std::move(body), headers);
    boost::shared_ptr<TUploadItem> keep = self();
    unsigned generation;
    unsigned sequence;
    {
        Lock lock(m_mutex);
        generation = m_generation;
        sequence = ++m_requestSequence;
    }
    request.setCallback([keep, generation, callback](bool success, const FB::HeaderMap& answer,
                                                     const boost::shared_array<uint8_t>& data,
                                                     size_t size) {
        if (keep->isCurrent(generation)) {
            callback(success, answer, data, size);
        }
    });
    // Not under the lock: a browser may answer (and the chain go on) inside the request call.
    boost::shared_ptr<FB::SimpleStreamHelper> helper =
        FB::SimpleStreamHelper::AsyncRequest(m_host, request);
    // The browser has copied the body by now; the caller gets its buffer back for the next block.
    body = request.takePostData();
    Lock lock(m_mutex);
    if (sequence == m_requestSequence) {
        m_request = helper;
    }
}

void TUploadItem::beginQueryURL() {
    try {
        QueryForm form;
        form.queryUrl = m_queryUrl;
        form.extArg = m_extArg;
        form.path = FB::wstring_to_utf8(m_path);
        form.keepFullPath = m_keepFullPath;
        {
            Lock lock(m_mutex);
            form.size = m_totalSize;
            form.crc = m_crc;
            form.crc2 = m_crc2;
        }
        form.attachId = m_attachId;
        form.netfolder = m_netfolder;
        form.display = FB::wstring_to_utf8(m_displayName);
        QueryRequest query = buildQuery(form);
        boost::shared_ptr<TUploadItem> keep = self();
        sendRequest(query.url, query.body, "",
                    [keep](bool success, const FB::HeaderMap& headers,
                           const boost::shared_array<uint8_t>& data, size_t size) {
                        keep->getQueryResultCallback(success, headers, data, size);
                    });
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_QUERY);
    }
}

std::string TUploadItem::takeAnswer(const boost::shared_array<uint8_t>& data, size_t size,
                                    unsigned long long& total) {
    {
        Lock lock(m_mutex);
        m_request.reset();
        total = m_totalSize;
    }
    return data ? std::string(reinterpret_cast<const char*>(data.get()), size) : std::string();
}

void TUploadItem::getQueryResultCallback(bool success, const FB::HeaderMap&,
                                         const boost::shared_array<uint8_t>& data, size_t size) {
    try {
        unsigned long long total;
        std::string text = takeAnswer(data, size, total);
        QueryStep step = readQueryAnswer(success, text, total);
        if (step.next == NextStep::Fail) {
            throw_exception(static_cast<ERROR_NUM>(step.error), step.errorText);
        }
        if (step.attachId) {
            m_attachId = *step.attachId;
        }
        if (step.next == NextStep::Verified) {
            indicate(STATE_VERIFIED, 100);
            return;
        }
        if (!step.deflate) {
            m_compress = 0;
        }
        continueUpload(step.offset);
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_QUERY_ANSWER);
    }
}

void TUploadItem::uploadContent(unsigned long long offset) {
    try {
        unsigned long long total;
        unsigned long blockSize;
        {
            Lock lock(m_mutex);
            m_request.reset();
            total = m_totalSize;
            blockSize = m_blockSize;
        }
        if (offset == total) {
            indicate(STATE_FINISHED, 100);
            return;
        }
        indicate(STATE_UPLOADING, percentOf(offset, total));
        // One block buffer serves every item (main thread only): fresh multi-megabyte buffers cost
        // more in page faults than the copies themselves.
        static std::string block;
        block.resize(static_cast<size_t>(std::min<unsigned long long>(total - offset, blockSize)));
        unsigned long count = m_file.read(&block[0], static_cast<unsigned long>(block.size()));
        if (count == 0) {
            throw_exception(ERR_FILE, "read file content to upload fail:" + TMyFile::getError());
        }
        block.resize(count);
        BlockTarget target{m_uploadUrl, m_extArg, m_attachId, m_compress,
                           FB::PluginCore::Browser == "NPAPI"};
        BlockRequest request = buildBlockRequest(target, offset, block);
        unsigned long long next = offset + count;
        boost::shared_ptr<TUploadItem> keep = self();
        sendRequest(request.url, block, request.headers,
                    [keep, next](bool success, const FB::HeaderMap& answerHeaders,
                                 const boost::shared_array<uint8_t>& data, size_t size) {
                        keep->getUploadResultCallback(next, success, answerHeaders, data, size);
                    });
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_BLOCK);
    }
}

void TUploadItem::getUploadResultCallback(unsigned long long next, bool success,
                                          const FB::HeaderMap&,
                                          const boost::shared_array<uint8_t>& data, size_t size) {
    try {
        unsigned long long total;
        std::string text = takeAnswer(data, size, total);
        BlockStep step = readBlockAnswer(success, text, total, next);
        switch (step.next) {
        case NextStep::Fail:
            throw_exception(static_cast<ERROR_NUM>(step.error), step.errorText);
        case NextStep::Verified:
            indicate(STATE_VERIFIED, 100);
            return;
        case NextStep::Finished:
            indicate(STATE_FINISHED, 100);
            return;
        case NextStep::Send:
            continueUpload(step.offset);
            return;
        }
    } catch (const std::exception&) {
        indicate_in_exception(STATE_ERROR, STAGE_BLOCK_ANSWER);
    }
}

void TUploadItem::continueUpload(unsigned long long offset) {
    if (!m_file.offset(offset)) {
        throw_exception(ERR_FILE, "seek file to offset to upload fail:" + TMyFile::getError());
    }
    uploadContent(offset);
}
