// What the parts of TUploadItem share: the lock and how progress and error stages are numbered.
// Private to the item's own files.
#pragma once

#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

namespace upload_item {

using Lock = boost::lock_guard<boost::mutex>;

// Stage numbers reported as the percent value of an error.
enum Stage {
    STAGE_START = 0,
    STAGE_CHECK = 2,
    STAGE_QUERY = 3,
    STAGE_QUERY_ANSWER = 4,
    STAGE_BLOCK = 5,
    STAGE_BLOCK_ANSWER = 6
};

// Whole percent of done/total, exact for any file size.
inline int percentOf(unsigned long long done, unsigned long long total) {
    return total == 0 ? 0 : static_cast<int>(static_cast<unsigned __int128>(done) * 100 / total);
}

} // namespace upload_item
