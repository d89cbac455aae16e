// What the parts of TDownloadItem share: the lock and the percent values an error is reported
// with, which tell the page the step that failed. Private to the item's own files.
#pragma once

#include <algorithm>

#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

namespace download_item {

using Lock = boost::lock_guard<boost::mutex>;

enum Stage { STAGE_START = 0, STAGE_REQUEST = 1, STAGE_TRANSFER = 2, STAGE_EXTRACT = 4 };

// Whole percent of done/total, 0 for an unknown total; never above 100, even when a server sends
// more than the size the page expected.
inline int percentOf(unsigned long long done, unsigned long long total) {
    if (total == 0) {
        return 0;
    }
    return static_cast<int>(
        std::min<unsigned __int128>(static_cast<unsigned __int128>(done) * 100 / total, 100));
}

} // namespace download_item
