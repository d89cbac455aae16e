// The checksum phase, on the item's worker thread.
#include "plugin/upload/TUploadItem.h"

#include <memory>

#include "plugin/upload/FileBlocks.h"
#include "plugin/upload/TBackgroundChecksum.h"
#include "plugin/upload/TCRC32.h"
#include "plugin/upload/TNvxChecksum.h"
#include "plugin/upload/TUploadItemStages.h"
#include "src/ScriptingCore/BrowserHost.h"

using upload_item::Lock;
using upload_item::percentOf;
using upload_item::STAGE_CHECK;

namespace {

constexpr unsigned long long kLargeFile = 10ULL * 1024 * 1024;
constexpr unsigned long kMinBlock = 200 * 1024;

unsigned long automaticBlockSize(unsigned long long size) {
    unsigned long long block = size > kLargeFile ? size / 100 : size / 20;
    return block < kMinBlock ? kMinBlock : static_cast<unsigned long>(block);
}

} // namespace

void TUploadItem::checkCRCInThread(const CheckJob& job) {
    try {
        indicate(STATE_CHECKING, 1);
        unsigned long long total = m_file.size();
        unsigned long blockSize = job.blockSize ? job.blockSize : automaticBlockSize(total);
        {
            Lock lock(m_mutex);
            m_totalSize = total;
            m_blockSize = blockSize;
        }
        // Before the MD5 companion, so that it outlives it: the companion may still be reading one
        // of its buffers when an error unwinds this frame.
        FileBlocks blocks(total, blockSize, job.netfolder ? 2 : 1);
        if (!m_file.offset(0)) {
            throw_exception(ERR_FILE, "seek file to begin to cal crc fail:" + TMyFile::getError());
        }
        TCRC32 crc32;
        TNvxChecksum digest;
        std::unique_ptr<TBackgroundChecksum> md5;
        if (job.netfolder) {
            md5.reset(new TBackgroundChecksum(digest.md5Part()));
        }
        int lastPercent = 0;
        FileBlocks::End end = blocks.feed(
            m_file, [this] { return stopRequested(); },
            [&](const char* data, unsigned long count, unsigned long long done) {
                if (job.netfolder) {
                    md5->submit(data, count);
                    digest.sha1Part().write(data, count);
                }
                crc32.write(data, count);
                int percent = percentOf(done, total);
                if (percent != lastPercent) {
                    indicate(STATE_CHECKING, percent);
                    lastPercent = percent;
                }
            });
        if (end == FileBlocks::Interrupted) {
            throw_exception(ERR_USER_BREAK, kUserBreakText);
        }
        if (end == FileBlocks::ReadFailed) {
            throw_exception(ERR_FILE, "read data from file to cal crc fail" + TMyFile::getError());
        }
        // Stopped before a read: the indication below records the stop.
        if (md5) {
            md5->finish();
            md5.reset();
        }
        indicate(STATE_CHECKING, 100);
        std::string crc2;
        if (job.netfolder) {
            digest.flush();
            crc2 = digest.result();
        }
        std::string crcText = std::to_string(static_cast<int32_t>(~crc32.getRegister()));
        if (!job.passedCrc2.empty() && job.passedCrc2 != crc2) {
            // A resumed item's file was named by the page, not chosen by the user: neither its
            // digest (in the text) nor a checksum that would let the next "start" skip this
            // check may reach the page.
            {
                Lock lock(m_mutex);
                m_digestProven = false;
            }
            throw_exception(ERR_CRC_MISMATCH, "crc not the same as the passed " + job.passedCrc2);
        }
        {
            // From here on the main thread owns the file.
            Lock lock(m_mutex);
            m_crc2 = crc2;
            m_crc = crcText;
            m_digestProven = true;
            m_workerRunning = false;
            if (m_stop) {
                closeFileLocked();
            }
        }
        boost::shared_ptr<TUploadItem> keep = self();
        m_host->ScheduleOnMainThread(keep, [keep] { keep->beginQueryURL(); });
    } catch (const std::exception&) {
        {
            Lock lock(m_mutex);
            m_workerRunning = false;
        }
        indicate_in_exception(STATE_ERROR, STAGE_CHECK);
    }
}
